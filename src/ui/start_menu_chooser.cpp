// The Start-menu folder chooser: collecting the existing folders, the tree's paths and
// the chooser window's own event loop.
#include "ui/start_menu_chooser.h"

#include <algorithm>

#include "config/language_table.h"
#include "config/special_folders.h"
#include "platform/files.h"
#include "platform/tree_view.h"
#include "platform/window.h"

namespace wb {
namespace {

constexpr int kWindow = 2, kWizard = 1, kTree = 38, kApply = 39, kFolderField = 22;

int CountBackslashes(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\\'));
}

// Part `index` (from 1) of a "\"-separated path.
std::string PathPart(const std::string& path, int index) {
    size_t begin = 0;
    for (int i = 1; i < index; ++i) {
        size_t at = path.find('\\', begin);
        if (at == std::string::npos) return {};
        begin = at + 1;
    }
    return path.substr(begin, path.find('\\', begin) - begin);
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [&](char x, char y) { return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y)); });
}

std::string RemoveAll(std::string text, const std::string& part) {
    if (part.empty()) return text;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at)) {
        text.erase(at, part.size());
    }
    return text;
}

}  // namespace

int FindTreeItem(const FolderTree& tree, const std::string& relativePath) {
    int parts = CountBackslashes(relativePath) + 1;
    int wanted = 1, depth = 0, result = -1;
    for (size_t i = 0; i < tree.Items.size(); ++i) {
        int level = tree.Items[i].Level;
        if (level > depth) continue;
        if (level < depth) break;
        if (tree.Items[i].Text == PathPart(relativePath, wanted)) {
            result = static_cast<int>(i);
            ++wanted;
            ++depth;
            if (wanted > parts) break;
        }
    }
    return result;
}

std::string GetTreePath(const FolderTree& tree) {
    int i = tree.Selected;
    if (i < 0 || size_t(i) >= tree.Items.size()) return {};
    std::string path = tree.Items[size_t(i)].Text;
    int level = tree.Items[size_t(i)].Level;
    while (level > 0 && i > 0) {
        --i;
        const FolderTreeItem& item = tree.Items[size_t(i)];
        if (item.Level < level) {
            path = item.Text + "\\" + path;
            level = item.Level;
        }
    }
    return path;
}

void ScanFolders(const std::string& folder, std::vector<std::string>& list,
                 const std::string& root) {
    std::string base = folder;
    if (base.empty() || base.back() != '\\') base += '\\';
    for (const FolderEntry& entry : FolderListEntries(base.c_str())) {
        // A link could lead back up the tree; the Start menu holds real folders.
        if (!entry.IsFolder || entry.IsLink) continue;
        std::string full = base + entry.Name;
        ScanFolders(full, list, root);
        std::string relative = RemoveAll(full, root);
        if (std::find(list.begin(), list.end(), relative) == list.end()) list.push_back(relative);
    }
}

void CollectStartMenuFolders(std::vector<std::string>& list) {
    std::string user = SpecialFolder(2), common = SpecialFolder(23);
    list.clear();
    // A root that is unknown would make the scan start in the current folder.
    if (!user.empty()) ScanFolders(user, list, user);
    if (!common.empty()) ScanFolders(common, list, common);
    std::stable_sort(list.begin(), list.end(), LessIgnoringCase);
}

FolderTree TreeFromFolders(const std::vector<std::string>& list) {
    FolderTree tree;
    for (const std::string& entry : list) {
        size_t slash = entry.rfind('\\');
        tree.Items.push_back({slash == std::string::npos ? entry : entry.substr(slash + 1),
                              CountBackslashes(entry)});
    }
    return tree;
}

std::string CompleteStartMenuChoice(const std::string& chosen, const std::string& defaultFolder) {
    if (chosen.empty()) return chosen;
    std::string leaf = defaultFolder.substr(defaultFolder.rfind('\\') + 1);
    if (leaf.empty()) return chosen;
    if (chosen.size() >= leaf.size() && chosen.compare(chosen.size() - leaf.size(), leaf.size(), leaf) == 0) {
        return chosen;
    }
    return chosen.back() == '\\' ? chosen + leaf : chosen + "\\" + leaf;
}

std::string ChooseStartMenuFolder() {
    std::string caption = " " + LangText(LangId::RequesterRQ3Titel);
    if (!PrepareTreeControls() || !OpenOwnedWindow(kWindow, caption.c_str(), 220, 300, kWizard) ||
        !AddControl(kWindow, kTree, ControlKind::Tree, 10, 10, 200, 260, "") ||
        !AddControl(kWindow, kApply, ControlKind::Button, 75, 276, 70, 20,
                    LangText(LangId::ButtonsApply).c_str())) {
        CloseNumberedWindow(kWindow);
        return {};
    }
    ShowNumberedWindow(kWindow);
    std::vector<std::string> folders;
    CollectStartMenuFolders(folders);
    FolderTree tree = TreeFromFolders(folders);
    for (const FolderTreeItem& item : tree.Items) TreeAppendItem(kTree, item.Text.c_str(), item.Level);
    TreeFocus(kTree);
    TreeSelectItem(kTree, FindTreeItem(tree, GetControlText(kFolderField)));
    std::string result;
    for (;;) {
        WindowEvent e = WaitEvent();
        if (e.Kind == EventKind::Quit) break;
        if (e.Window != kWindow) continue;  // the wizard waits while the chooser is open
        if (e.Kind == EventKind::CloseRequest) break;
        if (e.Kind == EventKind::Command && e.Control == kApply) {
            tree.Selected = TreeSelectedItem(kTree);
            result = GetTreePath(tree);
            if (result.empty()) {
                std::string title = " " + LangText(LangId::RequesterRQ1Titel);
                ShowMessageBox(LangText(LangId::RequesterRQ1Msg).c_str(), title.c_str(),
                               0x10 /* stop icon */ | 0x0 /* OK */);
                result = GetControlText(kFolderField);
            }
            break;
        }
    }
    CloseNumberedWindow(kWindow);
    return result;
}

}  // namespace wb
