// Test driver for the installer's windows under Wine: finds a top-level window by its
// caption and reads or presses its controls by their control numbers.
//   wbdriver wait CAPTION SECONDS      exit 0 once a visible window with that caption exists
//   wbdriver texts CAPTION             prints "number<TAB>class<TAB>visible<TAB>text" per control
//   wbdriver click CAPTION NUMBER      presses the button with that control number
//   wbdriver close CAPTION             asks the window to close
//   wbdriver rect CAPTION              prints "x y width height" of the window's outer
//                                      position and its client area
//   wbdriver dismiss CAPTION NUMBER    presses the button until the window is gone (dialogs
//                                      may drop a press that arrives while they start up)
// CAPTION matches when the window's caption contains it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::string verb = argv[1];
    const char* caption = argv[2];
    if (verb == "wait") return WaitFor(caption, argc > 3 ? std::atoi(argv[3]) : 30) ? 0 : 1;
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
        HWND control = GetDlgItem(wnd, std::atoi(argv[3]));
        if (!control) return 1;
        PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (verb == "dismiss" && argc > 3) {
        int number = std::atoi(argv[3]);
        for (int attempt = 0; attempt < 40 && IsWindow(wnd); ++attempt) {
            if (HWND control = GetDlgItem(wnd, number)) {
                PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(number, BN_CLICKED),
                             reinterpret_cast<LPARAM>(control));
            }
            Sleep(500);
        }
        return IsWindow(wnd) ? 1 : 0;
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
    if (verb == "close") {
        PostMessageA(wnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return 2;
}
