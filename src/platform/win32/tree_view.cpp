// The folder tree over the common controls' tree view, which is loaded from the system
// folder at run time so that the program imports no more than the core system libraries.
#include "platform/win32/handles.h"

#include <commctrl.h>

#include <vector>

#include "platform/tree_view.h"
#include "platform/window.h"

namespace wb {


namespace {

struct TreeState {
    HWND Control = nullptr;
    std::vector<HTREEITEM> Items;
    std::vector<int> Levels;
};
TreeState g_tree;

HWND TreeOf(int number) noexcept {
    HWND control = reinterpret_cast<HWND>(ControlSystemHandle(number));
    if (control != g_tree.Control) {
        // A new tree control (the chooser opens anew each time) starts a new list.
        g_tree.Control = control;
        g_tree.Items.clear();
        g_tree.Levels.clear();
    }
    return control;
}

}  // namespace

bool PrepareTreeControls() noexcept {
    static bool ready = false;  // constant-initialised: no guarded static
    if (ready) return true;
    // The library stays loaded: the tree control's class lives in it.
    HMODULE comctl = LoadSystemLibrary("comctl32.dll");
    if (!comctl) return false;
    using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<InitEx>(GetProcAddress(comctl, "InitCommonControlsEx"));
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES};
    ready = init && init(&classes);
    return ready;
}

void TreeAppendItem(int number, const char* text, int level) noexcept {
    HWND tree = TreeOf(number);
    if (!tree) return;
    HTREEITEM parent = TVI_ROOT;
    for (size_t i = g_tree.Items.size(); i-- > 0;) {
        if (g_tree.Levels[i] < level) {
            parent = g_tree.Items[i];
            break;
        }
    }
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text ? text : "");
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    // A failed insert still takes its place, so that positions stay those of the list.
    g_tree.Items.push_back(item);
    g_tree.Levels.push_back(level);
}

void TreeSelectItem(int number, int index) noexcept {
    HWND tree = TreeOf(number);
    if (!tree) return;
    HTREEITEM item = index >= 0 && size_t(index) < g_tree.Items.size() ? g_tree.Items[size_t(index)]
                                                                         : nullptr;
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    if (item) SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

int TreeSelectedItem(int number) noexcept {
    HWND tree = TreeOf(number);
    if (!tree) return -1;
    auto selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!selected) return -1;
    for (size_t i = 0; i < g_tree.Items.size(); ++i) {
        if (g_tree.Items[i] == selected) return static_cast<int>(i);
    }
    return -1;
}

void TreeFocus(int number) noexcept {
    if (HWND tree = TreeOf(number)) SetFocus(tree);
}

}  // namespace wb
