// Test driver for the installer's windows under Wine: finds a top-level window by its
// caption and reads or presses its controls by their control numbers.
//   wbdriver wait CAPTION SECONDS      exit 0 once a visible window with that caption exists
//   wbdriver texts CAPTION             prints "number<TAB>class<TAB>visible<TAB>text" per control
//   wbdriver click CAPTION NUMBER      presses the button with that control number
//   wbdriver close CAPTION             asks the window to close
//   wbdriver pick CAPTION NUMBER INDEX selects item INDEX of the drop-down list NUMBER
//   wbdriver treeselect CAPTION NUMBER PATH
//                                      selects the tree item reached by PATH, positions
//                                      among siblings joined by "." ("0.1": the first top
//                                      item's second child); "sel.N" the selected item's
//                                      child N; "none" clears the selection
//   wbdriver items CAPTION NUMBER      prints the items of drop-down list NUMBER, one a line,
//                                      and then "selected<TAB>index"
//   wbdriver image CAPTION NUMBER      prints "icon 1" / "bitmap 1" when the image control shows a picture
//   wbdriver rect CAPTION              prints "x y width height" of the window's outer
//                                      position and its client area
//   wbdriver dismiss CAPTION NUMBER    presses the button until the window is gone (dialogs
//                                      may drop a press that arrives while they start up)
//   wbdriver windows EXENAME READYFILE STOPFILE SECONDS
//                                      watches, until STOPFILE exists (at most SECONDS), for
//                                      visible top-level windows of processes whose program
//                                      file is EXENAME; writes READYFILE once it watches and
//                                      prints "window<TAB>caption<TAB>class" per window seen
//   wbdriver controls CAPTION          prints "number<TAB>class<TAB>visible<TAB>enabled<TAB>
//                                      checked<TAB>text" per control, panels' controls too
//   wbdriver settext CAPTION NUMBER TEXT   sets a field's text
//   wbdriver leave CAPTION NUMBER      tells the field's parent that the field lost the focus
//   wbdriver select CAPTION NUMBER     clicks an option or check box as the mouse would
//   wbdriver rows CAPTION NUMBER       prints the rows of a list, one a line
//   wbdriver layout CAPTION            prints "client<TAB>width<TAB>height" of the window,
//                                      then per control "number<TAB>class<TAB>visible<TAB>
//                                      x<TAB>y<TAB>width<TAB>height<TAB>client width<TAB>
//                                      client height<TAB>0<TAB>0<TAB>0<TAB>text": its place
//                                      in its parent in physical pixels (the layout of
//                                      dpi_probe, without its font measures)
// CAPTION matches when the window's caption contains it. Control numbers are searched
// among all the window's descendants, so controls inside panels are found too.
#include <windows.h>
#include <tlhelp32.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Search {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND wnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    char text[512] = {};
    GetWindowTextA(wnd, text, sizeof text);
    if (IsWindowVisible(wnd) && std::strstr(text, s->caption)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindByCaption(const char* caption) {
    Search s{caption, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitFor(const char* caption, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND w = FindByCaption(caption)) return w;
        Sleep(100);
    }
    return nullptr;
}

BOOL CALLBACK PrintTopLevel(HWND wnd, LPARAM) {
    char text[256] = {};
    GetWindowTextA(wnd, text, sizeof text);
    std::fprintf(stderr, "  '%s' visible=%d\n", text, IsWindowVisible(wnd) ? 1 : 0);
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND wnd, LPARAM) {
    char cls[64] = {}, text[2048] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    GetWindowTextA(wnd, text, sizeof text);
    for (char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = '|';
    }
    std::printf("%d\t%s\t%d\t%s\n", GetDlgCtrlID(wnd), cls, IsWindowVisible(wnd) ? 1 : 0, text);
    return TRUE;
}

// Process ids of the running programs whose file name is `exeName` (any letter case).
std::vector<DWORD> ProcessesNamed(const char* exeName) {
    std::vector<DWORD> ids;
    HANDLE list = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(list, &entry); more; more = Process32Next(list, &entry)) {
        const char* file = entry.szExeFile;
        if (const char* slash = std::strrchr(file, '\\')) file = slash + 1;
        if (lstrcmpiA(file, exeName) == 0) ids.push_back(entry.th32ProcessID);
        entry.dwSize = sizeof entry;
    }
    CloseHandle(list);
    return ids;
}

struct Watch {
    std::vector<DWORD> ids;
    std::vector<HWND> seen;
    std::vector<std::string> lines;
};

BOOL CALLBACK NoteWindow(HWND wnd, LPARAM param) {
    auto* w = reinterpret_cast<Watch*>(param);
    if (!IsWindowVisible(wnd)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (std::find(w->ids.begin(), w->ids.end(), pid) == w->ids.end()) return TRUE;
    if (std::find(w->seen.begin(), w->seen.end(), wnd) != w->seen.end()) return TRUE;
    char text[512] = {}, cls[128] = {};
    GetWindowTextA(wnd, text, sizeof text);
    GetClassNameA(wnd, cls, sizeof cls);
    w->seen.push_back(wnd);
    w->lines.push_back(std::string("window\t") + text + "\t" + cls);
    return TRUE;
}

int WatchWindows(const char* exeName, const char* readyFile, const char* stopFile, int seconds) {
    if (FILE* f = std::fopen(readyFile, "wb")) {
        std::fputs("watching", f);
        std::fclose(f);
    }
    Watch w;
    for (int i = 0; i < seconds * 20; ++i) {
        bool last = GetFileAttributesA(stopFile) != INVALID_FILE_ATTRIBUTES;
        w.ids = ProcessesNamed(exeName);
        if (!w.ids.empty()) EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&w));
        if (last) break;
        Sleep(50);
    }
    for (const std::string& line : w.lines) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    return 0;
}

struct ControlSearch {
    int number;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND wnd, LPARAM param) {
    auto* s = reinterpret_cast<ControlSearch*>(param);
    if (GetDlgCtrlID(wnd) == s->number) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindControl(HWND top, int number) {
    ControlSearch s{number, nullptr};
    EnumChildWindows(top, MatchControl, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// A control's text as the control itself gives it (GetWindowText only reads the caption
// of another process's window, which an edit field does not keep), in the ANSI code page.
void ControlText(HWND wnd, char* text, int size) {
    wchar_t wide[2048] = {};
    SendMessageW(wnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(wide));
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, nullptr, nullptr);
}

BOOL CALLBACK PrintControl(HWND wnd, LPARAM) {
    char cls[64] = {}, text[2048] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    ControlText(wnd, text, sizeof text);
    for (char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = '|';
    }
    int checked = 0;
    if (lstrcmpiA(cls, "Button") == 0) {
        checked = SendMessageA(wnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    }
    std::printf("%d\t%s\t%d\t%d\t%d\t%s\n", GetDlgCtrlID(wnd), cls, IsWindowVisible(wnd) ? 1 : 0,
                IsWindowEnabled(wnd) ? 1 : 0, checked, text);
    return TRUE;
}

// Physical pixels whatever DPI the window was made for: the system otherwise scales the
// rectangles of another program's windows to this program's own awareness.
void BecomeDpiAware() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    using ContextFn = BOOL(WINAPI*)(HANDLE);
    using AwareFn = BOOL(WINAPI*)();
    if (auto context = reinterpret_cast<ContextFn>(GetProcAddress(user32, "SetProcessDpiAwarenessContext"))) {
        if (context(reinterpret_cast<HANDLE>(-4))) return;  // per-monitor v2
    }
    if (auto aware = reinterpret_cast<AwareFn>(GetProcAddress(user32, "SetProcessDPIAware"))) aware();
}

BOOL CALLBACK PrintLayout(HWND wnd, LPARAM) {
    char cls[64] = {}, text[2048] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    ControlText(wnd, text, sizeof text);
    RECT r = {}, client = {};
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(wnd, &client);
    for (char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = '|';
    }
    // Another program's font cannot be selected here: font and text room stay 0 (the DPI
    // probe measures them inside the window's own process).
    std::printf("%d\t%s\t%d\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t0\t0\t0\t%s\n", GetDlgCtrlID(wnd),
                cls, IsWindowVisible(wnd) ? 1 : 0, r.left, r.top, r.right - r.left,
                r.bottom - r.top, client.right, client.bottom, text);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::string verb = argv[1];
    const char* caption = argv[2];
    if (verb == "windows") {
        if (argc < 6) return 2;
        return WatchWindows(argv[2], argv[3], argv[4], std::atoi(argv[5]));
    }
    if (verb == "wait") return WaitFor(caption, argc > 3 ? std::atoi(argv[3]) : 30) ? 0 : 1;
    if (verb == "layout") BecomeDpiAware();
    HWND wnd = WaitFor(caption, 30);
    if (!wnd) {
        std::fprintf(stderr, "no window '%s'; top-level windows:\n", caption);
        EnumWindows(PrintTopLevel, 0);
        return 1;
    }
    if (verb == "texts") {
        char text[512] = {};
        GetWindowTextA(wnd, text, sizeof text);
        std::printf("caption\t%s\n", text);
        EnumChildWindows(wnd, PrintChild, 0);
        std::fflush(stdout);
        return 0;
    }
    if (verb == "click" && argc > 3) {
        HWND control = FindControl(wnd, std::atoi(argv[3]));
        if (!control) return 1;
        PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (verb == "controls") {
        EnumChildWindows(wnd, PrintControl, 0);
        std::fflush(stdout);
        return 0;
    }
    if (verb == "layout") {
        RECT client = {};
        GetClientRect(wnd, &client);
        std::printf("client\t%ld\t%ld\n", client.right, client.bottom);
        EnumChildWindows(wnd, PrintLayout, 0);
        std::fflush(stdout);
        return 0;
    }
    if (verb == "settext" && argc > 4) {
        HWND control = FindControl(wnd, std::atoi(argv[3]));
        if (!control) return 1;
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
        return 0;
    }
    if (verb == "leave" && argc > 3) {
        HWND control = FindControl(wnd, std::atoi(argv[3]));
        if (!control) return 1;
        PostMessageA(GetParent(control), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(control), EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (verb == "select" && argc > 3) {
        HWND control = FindControl(wnd, std::atoi(argv[3]));
        if (!control) return 1;
        SendMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (verb == "rows" && argc > 3) {
        HWND control = FindControl(wnd, std::atoi(argv[3]));
        if (!control) return 1;
        int count = static_cast<int>(SendMessageA(control, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t wide[1024] = {};
            char row[2048] = {};
            if (SendMessageW(control, LB_GETTEXTLEN, i, 0) < 1024) {
                SendMessageW(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
            }
            WideCharToMultiByte(CP_ACP, 0, wide, -1, row, sizeof row, nullptr, nullptr);
            std::printf("%s\n", row);
        }
        std::fflush(stdout);
        return 0;
    }
    if (verb == "dismiss" && argc > 3) {
        int number = std::atoi(argv[3]);
        for (int attempt = 0; attempt < 40 && IsWindow(wnd); ++attempt) {
            if (HWND control = FindControl(wnd, number)) {
                PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(number, BN_CLICKED),
                             reinterpret_cast<LPARAM>(control));
            }
            Sleep(500);
        }
        return IsWindow(wnd) ? 1 : 0;
    }
    if (verb == "image" && argc > 3) {
        // Whether an image control shows a picture: the handle it holds, and whether it is
        // an icon or a bitmap.
        HWND control = FindControl(wnd, std::atoi(argv[3]));
        if (!control) return 1;
        const bool icon = (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        LRESULT handle = SendMessageA(control, STM_GETIMAGE, icon ? IMAGE_ICON : IMAGE_BITMAP, 0);
        std::printf("%s %d\n", icon ? "icon" : "bitmap", handle ? 1 : 0);
        std::fflush(stdout);
        return handle ? 0 : 1;
    }
    if (verb == "rect") {
        RECT outer = {}, client = {};
        GetWindowRect(wnd, &outer);
        GetClientRect(wnd, &client);
        std::printf("%ld %ld %ld %ld\n", static_cast<long>(outer.left), static_cast<long>(outer.top),
                    static_cast<long>(client.right), static_cast<long>(client.bottom));
        std::fflush(stdout);
        return 0;
    }
    if (verb == "pick" && argc > 4) {
        HWND list = GetDlgItem(wnd, std::atoi(argv[3]));
        if (!list) return 1;
        return SendMessageA(list, CB_SETCURSEL, std::atoi(argv[4]), 0) == CB_ERR ? 1 : 0;
    }
    if (verb == "treeselect" && argc > 4) {
        // Only item handles cross to the other process, never item texts, so the item is
        // found by its position.
        HWND tree = GetDlgItem(wnd, std::atoi(argv[3]));
        if (!tree) return 1;
        LPARAM item = 0;
        if (std::strcmp(argv[4], "none") != 0) {
            const char* p = argv[4];
            if (std::strncmp(p, "sel.", 4) == 0) {
                item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
                if (item) item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, item);
                p += 4;
            } else {
                item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
            }
            while (item && *p) {
                for (int n = std::atoi(p); item && n > 0; --n) {
                    item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, item);
                }
                p = std::strchr(p, '.');
                if (!p) break;
                ++p;
                if (item) item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, item);
            }
            if (!item) return 1;
        }
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
        return 0;
    }
    if (verb == "items" && argc > 3) {
        HWND list = GetDlgItem(wnd, std::atoi(argv[3]));
        if (!list) return 1;
        // Item texts do not cross process borders; the selected item's text, asked for as
        // the control's text (GetWindowText would not ask another process), does. So
        // each item is selected in turn and read.
        LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
        LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[512] = {};
            SendMessageA(list, CB_SETCURSEL, i, 0);
            SendMessageA(list, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            std::printf("%s\n", text);
        }
        SendMessageA(list, CB_SETCURSEL, selected, 0);
        std::printf("selected\t%ld\n", static_cast<long>(selected));
        std::fflush(stdout);
        return 0;
    }
    if (verb == "close") {
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return 2;
}
