// The window layer over user32 and gdi32: numbered windows of one class of our own,
// numbered standard controls, fonts by point size, and the event queue that the window
// procedure fills and WaitEvent empties.
#include <cstring>

#include "platform/win32/handles.h"

#include <commctrl.h>

#include "platform/window.h"

namespace wb {

namespace {

constexpr char kClassName[] = "WendleboxWindow";
constexpr int kMaxFonts = 16;
constexpr int kQueueLength = 64;

struct ControlSlot {
    HWND Handle = nullptr;
    int Window = 0;
    ControlKind Kind = ControlKind::Text;
};

struct FontSlot {
    char Face[32] = {};
    int Points = 0;
    int Weight = 0;
    HFONT Handle = nullptr;
};

struct Layer {
    bool ClassRegistered = false;
    HWND Windows[kMaxWindowNumber + 1] = {};
    ControlSlot Controls[kMaxControlNumber + 1];
    FontSlot Fonts[kMaxFonts];
    int FontCount = 0;
    WindowEvent Queue[kQueueLength];
    int QueueStart = 0;
    int QueueCount = 0;
};

Layer g_layer;

int NumberOfWindow(HWND wnd) noexcept {
    for (int n = 1; n <= kMaxWindowNumber; ++n) {
        if (wnd && g_layer.Windows[n] == wnd) return n;
    }
    return 0;
}

HWND ControlHandle(int number) noexcept {
    if (number < 1 || number > kMaxControlNumber) return nullptr;
    return g_layer.Controls[number].Handle;
}

// A full queue drops the newest event: the user pressed faster than anyone waits.
void Push(const WindowEvent& e) noexcept {
    if (g_layer.QueueCount == kQueueLength) return;
    g_layer.Queue[(g_layer.QueueStart + g_layer.QueueCount) % kQueueLength] = e;
    ++g_layer.QueueCount;
}

bool Pop(WindowEvent& e) noexcept {
    if (g_layer.QueueCount == 0) return false;
    e = g_layer.Queue[g_layer.QueueStart];
    g_layer.QueueStart = (g_layer.QueueStart + 1) % kQueueLength;
    --g_layer.QueueCount;
    return true;
}

// Events of a closed window must not reach a later window of the same number.
void DropEventsOf(int window) noexcept {
    WindowEvent kept[kQueueLength];
    int count = 0;
    WindowEvent e;
    while (Pop(e)) {
        if (e.Window != window) kept[count++] = e;
    }
    for (int i = 0; i < count; ++i) Push(kept[i]);
}

LRESULT CALLBACK LayerProc(HWND wnd, UINT message, WPARAM wp, LPARAM lp) noexcept {
    switch (message) {
        case WM_COMMAND: {
            int number = LOWORD(wp);
            HWND control = ControlHandle(number);
            if (HIWORD(wp) == BN_CLICKED && control && control == reinterpret_cast<HWND>(lp) &&
                g_layer.Controls[number].Kind == ControlKind::Button) {
                Push({NumberOfWindow(wnd), number, EventKind::Command});
            }
            return 0;
        }
        case WM_CLOSE:
            // Closing is the owner's decision; the request is only reported.
            Push({NumberOfWindow(wnd), 0, EventKind::CloseRequest});
            return 0;
        default:
            return DefWindowProcA(wnd, message, wp, lp);
    }
}

bool RegisterLayerClass() noexcept {
    if (g_layer.ClassRegistered) return true;
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LayerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    g_layer.ClassRegistered = RegisterClassA(&wc) != 0;
    return g_layer.ClassRegistered;
}

}  // namespace

bool OpenWindow(int number, const char* title, int x, int y, int width, int height,
                WindowPlacement placement) noexcept {
    if (number < 1 || number > kMaxWindowNumber || !RegisterLayerClass()) return false;
    if (g_layer.Windows[number]) CloseNumberedWindow(number);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
    RECT around = {};
    bool centre = false;
    if (placement == WindowPlacement::CentreOnActive) {
        HWND active = GetActiveWindow();
        centre = active && GetWindowRect(active, &around);
    } else if (placement == WindowPlacement::CentreOnScreen) {
        centre = SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0) != 0;
    }
    if (centre) {
        x = around.left + (around.right - around.left - outerWidth) / 2;
        y = around.top + (around.bottom - around.top - outerHeight) / 2;
    }
    HWND wnd = CreateWindowExA(0, kClassName, title ? title : "", style, x, y, outerWidth,
                               outerHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!wnd) return false;
    g_layer.Windows[number] = wnd;
    return true;
}

bool OpenOwnedWindow(int number, const char* title, int width, int height, int owner) noexcept {
    if (number < 1 || number > kMaxWindowNumber || !RegisterLayerClass()) return false;
    if (g_layer.Windows[number]) CloseNumberedWindow(number);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    int outerWidth = outer.right - outer.left, outerHeight = outer.bottom - outer.top;
    HWND ownerWnd = WindowIsOpen(owner) ? g_layer.Windows[owner] : nullptr;
    RECT around = {};
    if (!ownerWnd || !GetWindowRect(ownerWnd, &around)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    }
    int x = around.left + (around.right - around.left - outerWidth) / 2;
    int y = around.top + (around.bottom - around.top - outerHeight) / 2;
    HWND wnd = CreateWindowExA(0, kClassName, title ? title : "", style, x < 0 ? 0 : x,
                               y < 0 ? 0 : y, outerWidth, outerHeight, ownerWnd, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!wnd) return false;
    g_layer.Windows[number] = wnd;
    return true;
}

uintptr_t ControlSystemHandle(int number) noexcept {
    return reinterpret_cast<uintptr_t>(ControlHandle(number));
}

void ShowNumberedWindow(int number) noexcept {
    if (number < 1 || number > kMaxWindowNumber || !g_layer.Windows[number]) return;
    HWND wnd = g_layer.Windows[number];
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);
    SetForegroundWindow(wnd);
    // Keyboard users start on the first control that takes the focus.
    if (HWND first = GetNextDlgTabItem(wnd, nullptr, FALSE)) SetFocus(first);
}

void CloseNumberedWindow(int number) noexcept {
    if (number < 1 || number > kMaxWindowNumber || !g_layer.Windows[number]) return;
    DestroyWindow(g_layer.Windows[number]);
    g_layer.Windows[number] = nullptr;
    for (ControlSlot& c : g_layer.Controls) {
        if (c.Window == number) c = ControlSlot{};
    }
    DropEventsOf(number);
}

bool WindowIsOpen(int number) noexcept {
    return number >= 1 && number <= kMaxWindowNumber && g_layer.Windows[number];
}

std::string GetWindowTitle(int number) {
    if (!WindowIsOpen(number)) return {};
    char text[512] = {};
    int n = GetWindowTextA(g_layer.Windows[number], text, sizeof text);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

bool AddControl(int window, int number, ControlKind kind, int x, int y, int w, int h,
                const char* text, unsigned style) noexcept {
    if (!WindowIsOpen(window) || number < 1 || number > kMaxControlNumber ||
        g_layer.Controls[number].Handle) {
        return false;
    }
    const char* className = "Static";
    DWORD flags = WS_CHILD | WS_VISIBLE;
    switch (kind) {
        case ControlKind::Text:
            flags |= WS_GROUP | ((style & kStyleRight)    ? SS_RIGHT
                                 : (style & kStyleCentre) ? SS_CENTER
                                                          : SS_LEFT);
            break;
        case ControlKind::Frame:
            className = "Button";
            flags |= BS_GROUPBOX;
            break;
        case ControlKind::Button:
            className = "Button";
            flags |= WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
            break;
        case ControlKind::DropList:
            className = "ComboBox";
            flags |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST;
            break;
        case ControlKind::Tree:
            className = "SysTreeView32";
            flags |= WS_TABSTOP | WS_GROUP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                     TVS_SHOWSELALWAYS;
            break;
    }
    DWORD exStyle = kind == ControlKind::Tree ? WS_EX_CLIENTEDGE : 0;
    HWND control = CreateWindowExA(exStyle, className, text ? text : "", flags, x, y, w, h,
                                   g_layer.Windows[window],
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (!control) return false;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    g_layer.Controls[number] = {control, window, kind};
    return true;
}

void SetControlText(int number, const char* text) noexcept {
    if (HWND control = ControlHandle(number)) SetWindowTextA(control, text ? text : "");
}

std::string GetControlText(int number) {
    HWND control = ControlHandle(number);
    if (!control) return {};
    int length = GetWindowTextLengthA(control);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int n = GetWindowTextA(control, text.data(), length + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

int CreatePointFont(const char* face, int points, int weight) noexcept {
    if (!face || std::strlen(face) >= sizeof(FontSlot::Face)) return 0;
    for (int i = 0; i < g_layer.FontCount; ++i) {
        const FontSlot& f = g_layer.Fonts[i];
        if (f.Points == points && f.Weight == weight && std::strcmp(f.Face, face) == 0) {
            return i + 1;
        }
    }
    if (g_layer.FontCount == kMaxFonts) return 0;
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    HFONT font = CreateFontA(-MulDiv(points, dpi, 72), 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET,
                             0, 0, 0, 0, face);
    if (!font) return 0;
    FontSlot& slot = g_layer.Fonts[g_layer.FontCount++];
    std::strcpy(slot.Face, face);
    slot.Points = points;
    slot.Weight = weight;
    slot.Handle = font;
    return g_layer.FontCount;
}

void SetControlFont(int number, int font) noexcept {
    HWND control = ControlHandle(number);
    if (!control || font < 1 || font > g_layer.FontCount) return;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_layer.Fonts[font - 1].Handle),
                 TRUE);
}

void AddListItem(int number, int position, const char* text) noexcept {
    HWND control = ControlHandle(number);
    if (!control || g_layer.Controls[number].Kind != ControlKind::DropList) return;
    SendMessageA(control, CB_INSERTSTRING, static_cast<WPARAM>(position),
                 reinterpret_cast<LPARAM>(text ? text : ""));
}

void SelectListItem(int number, int index) noexcept {
    HWND control = ControlHandle(number);
    if (!control || g_layer.Controls[number].Kind != ControlKind::DropList) return;
    SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int GetListSelection(int number) noexcept {
    HWND control = ControlHandle(number);
    if (!control || g_layer.Controls[number].Kind != ControlKind::DropList) return -1;
    LRESULT index = SendMessageA(control, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

WindowEvent WaitEvent() noexcept {
    for (;;) {
        WindowEvent e;
        if (Pop(e)) return e;
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Left pending for the loop that owns the quit.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return WindowEvent{0, 0, EventKind::Quit};
        }
        if (got == -1) return WindowEvent{0, 0, EventKind::Quit};
        // Tab and Shift+Tab move between the controls of our own windows.
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && NumberOfWindow(root) && IsDialogMessageA(root, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace wb
