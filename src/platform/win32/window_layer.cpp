// The window layer over user32 and gdi32: numbered windows of one class of our own,
// numbered standard controls, fonts by point size, and the event queue that the window
// procedure fills and WaitEvent empties. Layouts are given for a 96-DPI display; every
// position, size, font and picture is scaled to the DPI of the window's monitor, and again
// when the window moves to a monitor of another DPI.
#include <cstring>

#include "platform/dpi_scale.h"
#include "platform/win32/dpi.h"
#include "platform/win32/handles.h"

#include <commctrl.h>

#include "platform/window.h"

#include <commctrl.h>
#include <richedit.h>

namespace wb {

namespace {

constexpr char kClassName[] = "WendleboxWindow";
constexpr int kMaxFonts = 16;
constexpr int kQueueLength = 64;
constexpr int kMaxSeparators = 8;
// Fonts of one face and size for this many DPIs (monitors) at once.
constexpr int kFontDpis = 4;
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

struct ControlSlot {
    HWND Handle = nullptr;
    int Window = 0;
    ControlKind Kind = ControlKind::Text;
    bool Coloured = false;
    COLORREF TextColour = 0;
    int32_t Background = 0;
    HBRUSH BackgroundBrush = nullptr;  // owned; only for a background above 0
    COLORREF HoverColour = 0;
    bool Hovering = false;
    WNDPROC SystemProc = nullptr;  // the link's own procedure under ours
    int X = 0, Y = 0, W = 0, H = 0;  // place and size at 96 DPI, in the parent's client area
    int Font = 0;                    // font number; 0 the layer's default font
    HANDLE Image = nullptr;          // the caller's picture
    bool ImageIsIcon = false;
    HANDLE ScaledImage = nullptr;    // owned: the picture at the window's DPI
    bool ScaledIsIcon = false;
};

struct FontSlot {
    char Face[32] = {};
    int Points = 0;
    int Weight = 0;
    int Dpis[kFontDpis] = {};
    HFONT Handles[kFontDpis] = {};
};

struct SeparatorSlot {
    HWND Handle = nullptr;
    int Window = 0;
    int X = 0, Y = 0, W = 0, H = 0;
};

struct Layer {
    bool ClassRegistered = false;
    HWND Windows[kMaxWindowNumber + 1] = {};
    int Dpi[kMaxWindowNumber + 1] = {};  // the DPI each window's layout is made for
    ControlSlot Controls[kMaxControlNumber + 1];
    SeparatorSlot Separators[kMaxSeparators];
    FontSlot Fonts[kMaxFonts];
    int FontCount = 0;
    int QueueStart = 0;
    int QueueCount = 0;
    int Panel = 0;  // the panel that new controls go into; 0 for the window itself
    bool OptionGroupOpen[kMaxWindowNumber + 1] = {};
    const char* ViewerClass = nullptr;  // the rich edit class that could be loaded
};

Layer g_layer;
// Apart from the layer, whose members all start as zero bytes and so take no room in the
// program file: an event's default kind is not zero.
WindowEvent g_queue[kQueueLength];

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

int NumberOfControl(HWND control) noexcept {
    if (!control) return 0;
    for (int n = 1; n <= kMaxControlNumber; ++n) {
        if (g_layer.Controls[n].Handle == control) return n;
    }
    return 0;
}

void DropColours(ControlSlot& c) noexcept {
    if (c.BackgroundBrush) DeleteObject(c.BackgroundBrush);
    c.BackgroundBrush = nullptr;
    c.Coloured = false;
}

void DropScaledImage(ControlSlot& c) noexcept {
    if (!c.ScaledImage) return;
    if (c.ScaledIsIcon) {
        DestroyIcon(static_cast<HICON>(c.ScaledImage));
    } else {
        DeleteObject(c.ScaledImage);
    }
    c.ScaledImage = nullptr;
}

int DpiOfWindow(int window) noexcept {
    return window >= 1 && window <= kMaxWindowNumber && g_layer.Dpi[window] ? g_layer.Dpi[window]
                                                                            : kDesignDpi;
}

// Font number `font` (1-based) made for `dpi`, created the first time it is asked for.
HFONT FontFor(int font, int dpi) noexcept {
    if (font < 1 || font > g_layer.FontCount) return DialogFontForDpi(dpi);
    FontSlot& f = g_layer.Fonts[font - 1];
    int free = -1;
    for (int i = 0; i < kFontDpis; ++i) {
        if (f.Handles[i] && f.Dpis[i] == dpi) return f.Handles[i];
        if (!f.Handles[i] && free < 0) free = i;
    }
    HFONT handle = CreateFontA(FontHeightForDpi(f.Points, dpi), 0, 0, 0, f.Weight, 0, 0, 0,
                               DEFAULT_CHARSET, 0, 0, 0, 0, f.Face);
    if (!handle) return nullptr;
    // With every place taken (windows on more monitors than places) the font is not
    // remembered: a control may still use the ones that are.
    if (free >= 0) {
        f.Dpis[free] = dpi;
        f.Handles[free] = handle;
    }
    return handle;
}

void ApplyFont(int number, bool redraw) noexcept {
    ControlSlot& c = g_layer.Controls[number];
    HFONT font = FontFor(c.Font, DpiOfWindow(c.Window));
    if (!font) font = DialogFontForDpi(DpiOfWindow(c.Window));
    SendMessageA(c.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
}

// Shows the control's picture at the window's DPI: unscaled at 96 DPI, else a smoothly
// scaled copy of it. The control then takes the picture's size.
void ApplyImage(int number) noexcept {
    ControlSlot& c = g_layer.Controls[number];
    if (!c.Image) return;
    const int dpi = DpiOfWindow(c.Window);
    HANDLE shown = c.Image;
    HANDLE scaled = nullptr;
    if (dpi != kDesignDpi) {
        int width = 0, height = 0;
        if (c.ImageIsIcon) {
            ICONINFO info = {};
            if (GetIconInfo(static_cast<HICON>(c.Image), &info)) {
                BITMAP bm = {};
                HBITMAP measured = info.hbmColor ? info.hbmColor : info.hbmMask;
                if (GetObjectA(measured, sizeof bm, &bm)) {
                    width = bm.bmWidth;
                    // A mask without colour holds the AND and XOR masks one above the other.
                    height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
                }
                if (info.hbmColor) DeleteObject(info.hbmColor);
                if (info.hbmMask) DeleteObject(info.hbmMask);
            }
            if (width > 0 && height > 0) {
                scaled = CreateScaledIcon(static_cast<HICON>(c.Image), ScaleForDpi(width, dpi),
                                          ScaleForDpi(height, dpi));
            }
        } else {
            BITMAP bm = {};
            if (GetObjectA(c.Image, sizeof bm, &bm)) {
                scaled = CreateSmoothScaledBitmap(static_cast<HBITMAP>(c.Image),
                                                  ScaleForDpi(bm.bmWidth, dpi),
                                                  ScaleForDpi(bm.bmHeight, dpi));
            }
        }
        // A picture that cannot be scaled is still shown, at its own size.
        if (scaled) shown = scaled;
    }
    // A static shows a picture only with the matching type, and sizes itself to it then.
    LONG style = GetWindowLongA(c.Handle, GWL_STYLE);
    style = (style & ~SS_TYPEMASK) | (c.ImageIsIcon ? SS_ICON : SS_BITMAP);
    SetWindowLongA(c.Handle, GWL_STYLE, style);
    SendMessageA(c.Handle, STM_SETIMAGE, c.ImageIsIcon ? IMAGE_ICON : IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(shown));
    // The earlier copy goes only once the control no longer shows it.
    DropScaledImage(c);
    c.ScaledImage = scaled;
    c.ScaledIsIcon = c.ImageIsIcon;
}

void PlaceControl(int number) noexcept {
    const ControlSlot& c = g_layer.Controls[number];
    const ScaledRect r = ScaleRectForDpi(c.X, c.Y, c.W, c.H, DpiOfWindow(c.Window));
    SetWindowPos(c.Handle, nullptr, r.X, r.Y, r.Width, r.Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Lays window `window` out again for `dpi`: every control's place, size, font and picture.
void RescaleWindow(int window, int dpi) noexcept {
    g_layer.Dpi[window] = dpi;
    for (int n = 1; n <= kMaxControlNumber; ++n) {
        const ControlSlot& c = g_layer.Controls[n];
        if (!c.Handle || c.Window != window) continue;
        PlaceControl(n);
        ApplyFont(n, true);
        ApplyImage(n);
    }
    for (const SeparatorSlot& s : g_layer.Separators) {
        if (!s.Handle || s.Window != window) continue;
        const ScaledRect r = ScaleRectForDpi(s.X, s.Y, s.W, s.H, dpi);
        SetWindowPos(s.Handle, nullptr, r.X, r.Y, r.Width, r.Height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(g_layer.Windows[window], nullptr, TRUE);
}

// Answers a control-colour request for a control that has colours of its own; nullptr
// leaves the request to the system.
HBRUSH ColourFor(HWND control, HDC dc) noexcept {
    int number = NumberOfControl(control);
    if (!number) return nullptr;
    const ControlSlot& c = g_layer.Controls[number];
    if (!c.Coloured && c.Kind != ControlKind::Link) return nullptr;
    SetTextColor(dc, c.Kind == ControlKind::Link && c.Hovering ? c.HoverColour : c.TextColour);
    if (c.Background > 0 && c.BackgroundBrush) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, static_cast<COLORREF>(c.Background));
        return c.BackgroundBrush;
    }
    SetBkMode(dc, TRANSPARENT);
    if (c.Background == -1) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    return GetSysColorBrush(COLOR_BTNFACE);
}

LRESULT CALLBACK LinkProc(HWND wnd, UINT message, WPARAM wp, LPARAM lp) noexcept {
    int number = NumberOfControl(wnd);
    if (!number) return DefWindowProcA(wnd, message, wp, lp);
    ControlSlot& c = g_layer.Controls[number];
    WNDPROC system = c.SystemProc;
    switch (message) {
        case WM_SETCURSOR: {
            HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // the hand
            SetCursor(hand ? hand : LoadCursorA(nullptr, IDC_ARROW));
            return TRUE;
        }
        case WM_MOUSEMOVE:
            if (!c.Hovering) {
                c.Hovering = true;
                TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, wnd, 0};
                TrackMouseEvent(&track);
                InvalidateRect(wnd, nullptr, TRUE);
            }
            break;
        case WM_MOUSELEAVE:
            c.Hovering = false;
            InvalidateRect(wnd, nullptr, TRUE);
            break;
        default:
            break;
    }
    return CallWindowProcA(system, wnd, message, wp, lp);
}

// A full queue drops the newest event: the user pressed faster than anyone waits.
void Push(const WindowEvent& e) noexcept {
    if (g_layer.QueueCount == kQueueLength) return;
    g_queue[(g_layer.QueueStart + g_layer.QueueCount) % kQueueLength] = e;
    ++g_layer.QueueCount;
}

bool Pop(WindowEvent& e) noexcept {
    if (g_layer.QueueCount == 0) return false;
    e = g_queue[g_layer.QueueStart];
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
            if (!control || control != reinterpret_cast<HWND>(lp)) return 0;
            const ControlSlot& c = g_layer.Controls[number];
            const bool pressable = c.Kind == ControlKind::Button ||
                                   c.Kind == ControlKind::Option ||
                                   c.Kind == ControlKind::CheckBox || c.Kind == ControlKind::Link;
            // BN_CLICKED and STN_CLICKED share the code 0.
            if (HIWORD(wp) == BN_CLICKED && pressable) {
                Push({c.Window, number, EventKind::Command});
            } else if (HIWORD(wp) == EN_KILLFOCUS && c.Kind == ControlKind::Field) {
                Push({c.Window, number, EventKind::FocusLost});
            }
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = ColourFor(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp))) {
                return reinterpret_cast<LRESULT>(brush);
            }
            return DefWindowProcA(wnd, message, wp, lp);
        case WM_ERASEBKGND: {
            int number = NumberOfControl(wnd);
            if (number && g_layer.Controls[number].BackgroundBrush) {
                RECT area;
                GetClientRect(wnd, &area);
                FillRect(reinterpret_cast<HDC>(wp), &area, g_layer.Controls[number].BackgroundBrush);
                return 1;
            }
            return DefWindowProcA(wnd, message, wp, lp);
        }
        case WM_CLOSE:
            // Closing is the owner's decision; the request is only reported.
            Push({NumberOfWindow(wnd), 0, EventKind::CloseRequest});
            return 0;
        case WM_DPICHANGED: {
            // Moved to a monitor of another DPI: take the size the system suggests and lay
            // the window out again for the new DPI.
            const int number = NumberOfWindow(wnd);
            const RECT* suggested = reinterpret_cast<const RECT*>(lp);
            if (!number || !suggested) return DefWindowProcA(wnd, message, wp, lp);
            SetWindowPos(wnd, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            RescaleWindow(number, UsableDpi(HIWORD(wp)));
            return 0;
        }
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
    RECT around = {};
    bool centre = false;
    HWND active = nullptr;
    if (placement == WindowPlacement::CentreOnActive) {
        active = GetActiveWindow();
        centre = active && GetWindowRect(active, &around);
    } else if (placement == WindowPlacement::CentreOnScreen) {
        centre = SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0) != 0;
    }
    // Sized for the monitor it will most likely open on; corrected below once it exists.
    int dpi = active ? WindowDpi(active) : SystemDpi();
    SIZE outer = OuterSizeForClient(ScaleForDpi(width, dpi), ScaleForDpi(height, dpi), style, 0, dpi);
    if (centre) {
        x = around.left + (around.right - around.left - outer.cx) / 2;
        y = around.top + (around.bottom - around.top - outer.cy) / 2;
    } else {
        x = ScaleForDpi(x, dpi);
        y = ScaleForDpi(y, dpi);
    }
    HWND wnd = CreateWindowExA(0, kClassName, title ? title : "", style, x, y, outer.cx,
                               outer.cy, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!wnd) return false;
    const int actual = WindowDpi(wnd);
    if (actual != dpi) {
        dpi = actual;
        outer = OuterSizeForClient(ScaleForDpi(width, dpi), ScaleForDpi(height, dpi), style, 0, dpi);
        if (centre) {
            x = around.left + (around.right - around.left - outer.cx) / 2;
            y = around.top + (around.bottom - around.top - outer.cy) / 2;
        }
        SetWindowPos(wnd, nullptr, x, y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    g_layer.Windows[number] = wnd;
    g_layer.Dpi[number] = dpi;
    return true;
}

bool OpenOwnedWindow(int number, const char* title, int width, int height, int owner) noexcept {
    if (number < 1 || number > kMaxWindowNumber || !RegisterLayerClass()) return false;
    if (g_layer.Windows[number]) CloseNumberedWindow(number);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    HWND ownerWnd = WindowIsOpen(owner) ? g_layer.Windows[owner] : nullptr;
    RECT around = {};
    if (!ownerWnd || !GetWindowRect(ownerWnd, &around)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int dpi = ownerWnd ? DpiOfWindow(owner) : SystemDpi();
    const SIZE outer =
        OuterSizeForClient(ScaleForDpi(width, dpi), ScaleForDpi(height, dpi), style, 0, dpi);
    int x = around.left + (around.right - around.left - outer.cx) / 2;
    int y = around.top + (around.bottom - around.top - outer.cy) / 2;
    HWND wnd = CreateWindowExA(0, kClassName, title ? title : "", style, x < 0 ? 0 : x,
                               y < 0 ? 0 : y, outer.cx, outer.cy, ownerWnd, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!wnd) return false;
    g_layer.Windows[number] = wnd;
    g_layer.Dpi[number] = dpi;
    // Over an owner on another monitor the window opens at that monitor's DPI.
    const int actual = WindowDpi(wnd);
    if (actual != dpi) {
        const SIZE resized = OuterSizeForClient(ScaleForDpi(width, actual),
                                                ScaleForDpi(height, actual), style, 0, actual);
        SetWindowPos(wnd, nullptr, 0, 0, resized.cx, resized.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        g_layer.Dpi[number] = actual;
    }
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

void HideNumberedWindow(int number) noexcept {
    if (number < 1 || number > kMaxWindowNumber || !g_layer.Windows[number]) return;
    ShowWindow(g_layer.Windows[number], SW_HIDE);
}

void CloseNumberedWindow(int number) noexcept {
    if (number < 1 || number > kMaxWindowNumber || !g_layer.Windows[number]) return;
    DestroyWindow(g_layer.Windows[number]);
    g_layer.Windows[number] = nullptr;
    g_layer.Dpi[number] = 0;
    g_layer.OptionGroupOpen[number] = false;
    for (ControlSlot& c : g_layer.Controls) {
        if (c.Window != number) continue;
        DropColours(c);
        DropScaledImage(c);
        c = ControlSlot{};
    }
    for (SeparatorSlot& s : g_layer.Separators) {
        if (s.Window == number) s = SeparatorSlot{};
    }
    if (g_layer.Panel && !g_layer.Controls[g_layer.Panel].Handle) g_layer.Panel = 0;
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

bool AddSeparator(int window, int x, int y, int w, int h) noexcept {
    if (!WindowIsOpen(window)) return false;
    const ScaledRect r = ScaleRectForDpi(x, y, w, h, DpiOfWindow(window));
    HWND line = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ, r.X, r.Y,
                                r.Width, r.Height, g_layer.Windows[window], nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!line) return false;
    // Remembered to be laid out again on a DPI change; beyond the places it keeps its place.
    for (SeparatorSlot& s : g_layer.Separators) {
        if (s.Handle) continue;
        s = SeparatorSlot{line, window, x, y, w, h};
        break;
    }
    return true;
}

void BeginPanel(int panel) noexcept {
    HWND handle = ControlHandle(panel);
    g_layer.Panel = handle && g_layer.Controls[panel].Kind == ControlKind::Panel ? panel : 0;
}

void EndPanel() noexcept { g_layer.Panel = 0; }

namespace {

// The rich edit class of the newer DLL when it loads, else that of the older one.
const char* ViewerClassName() noexcept {
    if (!g_layer.ViewerClass) {
        // Kept loaded for the life of the process: its window class must stay registered.
        if (LoadSystemLibrary("RICHED20.DLL")) {
            g_layer.ViewerClass = "RichEdit20A";
        } else {
            LoadSystemLibrary("RICHED32.DLL");
            g_layer.ViewerClass = "RichEdit";
        }
    }
    return g_layer.ViewerClass;
}

}  // namespace

bool AddControl(int window, int number, ControlKind kind, int x, int y, int w, int h,
                const char* text, unsigned style) noexcept {
    if (!WindowIsOpen(window) || number < 1 || number > kMaxControlNumber ||
        g_layer.Controls[number].Handle) {
        return false;
    }
    HWND parent = g_layer.Windows[window];
    if (g_layer.Panel && g_layer.Controls[g_layer.Panel].Window == window) {
        parent = g_layer.Controls[g_layer.Panel].Handle;
    }
    const char* className = "Static";
    DWORD flags = WS_CHILD | WS_VISIBLE;
    DWORD extended = 0;
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
        case ControlKind::Panel:
            className = kClassName;
            flags |= WS_CLIPCHILDREN;
            // Tab and Shift+Tab walk into the panel's controls.
            extended = WS_EX_CONTROLPARENT | ((style & kStyleEdge) ? WS_EX_STATICEDGE : 0);
            break;
        case ControlKind::Image:
            className = "STATIC";
            flags |= SS_NOTIFY;
            break;
        case ControlKind::Viewer:
            className = ViewerClassName();
            extended = WS_EX_CLIENTEDGE;
            flags |= ES_MULTILINE | WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                     ES_NOHIDESEL | ES_WANTRETURN | WS_TABSTOP | ES_READONLY;
            break;
        case ControlKind::Option:
            className = "Button";
            flags |= BS_AUTORADIOBUTTON | WS_TABSTOP;
            if (!g_layer.OptionGroupOpen[window]) flags |= WS_GROUP;
            break;
        case ControlKind::Field:
            className = "Edit";
            extended = WS_EX_CLIENTEDGE;
            flags |= ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP;
            break;
        case ControlKind::CheckBox:
            className = "Button";
            flags |= BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP;
            break;
        case ControlKind::List:
            className = "ListBox";
            extended = WS_EX_CLIENTEDGE;
            flags |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                     WS_HSCROLL | WS_GROUP | WS_TABSTOP;
            break;
        case ControlKind::Progress:
            className = PROGRESS_CLASSA;
            break;
        case ControlKind::Link:
            className = "STATIC";
            flags = (flags & ~WS_VISIBLE) | SS_NOTIFY;
            break;
        case ControlKind::DropList:
            className = "ComboBox";
            flags |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST;
            break;
        case ControlKind::Tree:
            className = "SysTreeView32";
            flags |= WS_TABSTOP | WS_GROUP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                     TVS_SHOWSELALWAYS;
            extended = WS_EX_CLIENTEDGE;
            break;
    }
    const ScaledRect r = ScaleRectForDpi(x, y, w, h, DpiOfWindow(window));
    HWND control = CreateWindowExA(extended, className, text ? text : "", flags, r.X, r.Y,
                                   r.Width, r.Height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(number)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (!control) return false;
    g_layer.Controls[number] = ControlSlot{};
    ControlSlot& slot = g_layer.Controls[number];
    slot.Handle = control;
    slot.Window = window;
    slot.Kind = kind;
    slot.X = x;
    slot.Y = y;
    slot.W = w;
    slot.H = h;
    ApplyFont(number, false);
    switch (kind) {
        case ControlKind::Option:
            g_layer.OptionGroupOpen[window] = true;
            break;
        case ControlKind::Viewer:
            // Lines wrap at the window's width.
            SendMessageA(control, EM_SETTARGETDEVICE, 0, 0);
            break;
        case ControlKind::Progress:
            SendMessageA(control, PBM_SETRANGE32, 0, 100);
            break;
        case ControlKind::Link: {
            ControlSlot& c = g_layer.Controls[number];
            c.SystemProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LinkProc)));
            // Black text over the parent's background until told otherwise.
            c.Coloured = true;
            c.TextColour = 0;
            c.Background = 0;
            ShowWindow(control, SW_SHOW);
            break;
        }
        default:
            break;
    }
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
    FontSlot& slot = g_layer.Fonts[g_layer.FontCount];
    slot = FontSlot{};
    std::strcpy(slot.Face, face);
    slot.Points = points;
    slot.Weight = weight;
    // Made now for the system DPI, so that a font the system cannot make fails here.
    ++g_layer.FontCount;
    if (!FontFor(g_layer.FontCount, SystemDpi())) {
        --g_layer.FontCount;
        return 0;
    }
    return g_layer.FontCount;
}

void SetControlFont(int number, int font) noexcept {
    HWND control = ControlHandle(number);
    if (!control || font < 1 || font > g_layer.FontCount) return;
    g_layer.Controls[number].Font = font;
    ApplyFont(number, true);
}

void SetControlImage(int number, uintptr_t handle, bool icon) noexcept {
    HWND control = ControlHandle(number);
    if (!control || g_layer.Controls[number].Kind != ControlKind::Image || !handle) return;
    ControlSlot& c = g_layer.Controls[number];
    c.Image = reinterpret_cast<HANDLE>(handle);
    c.ImageIsIcon = icon;
    ApplyImage(number);
}

void ShowControl(int number, bool visible) noexcept {
    if (HWND control = ControlHandle(number)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

bool ControlShown(int number) noexcept {
    HWND control = ControlHandle(number);
    return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

void EnableControl(int number, bool enabled) noexcept {
    if (HWND control = ControlHandle(number)) EnableWindow(control, enabled ? TRUE : FALSE);
}

bool ControlEnabled(int number) noexcept {
    HWND control = ControlHandle(number);
    return control && IsWindowEnabled(control);
}

void SetControlState(int number, int state) noexcept {
    HWND control = ControlHandle(number);
    if (!control) return;
    const ControlSlot& c = g_layer.Controls[number];
    switch (c.Kind) {
        case ControlKind::Option:
            // Selecting an option in code clears the others, as a click would.
            if (state) {
                for (int n = 1; n <= kMaxControlNumber; ++n) {
                    const ControlSlot& o = g_layer.Controls[n];
                    if (n != number && o.Handle && o.Kind == ControlKind::Option &&
                        GetParent(o.Handle) == GetParent(control)) {
                        SendMessageA(o.Handle, BM_SETCHECK, BST_UNCHECKED, 0);
                    }
                }
            }
            SendMessageA(control, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ControlKind::CheckBox:
            SendMessageA(control, BM_SETCHECK, state ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ControlKind::Progress:
            SendMessageA(control, PBM_SETPOS, static_cast<WPARAM>(state), 0);
            break;
        default:
            break;
    }
}

int GetControlState(int number) noexcept {
    HWND control = ControlHandle(number);
    if (!control) return 0;
    switch (g_layer.Controls[number].Kind) {
        case ControlKind::Option:
        case ControlKind::CheckBox:
            return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        case ControlKind::Progress:
            return static_cast<int>(SendMessageA(control, PBM_GETPOS, 0, 0));
        default:
            return 0;
    }
}

void SetProgressMaximum(int number, int maximum) noexcept {
    HWND control = ControlHandle(number);
    if (control && g_layer.Controls[number].Kind == ControlKind::Progress) {
        SendMessageA(control, PBM_SETRANGE32, 0, maximum);
    }
}

namespace {

HWND ListHandle(int number) noexcept {
    HWND control = ControlHandle(number);
    return control && g_layer.Controls[number].Kind == ControlKind::List ? control : nullptr;
}

}  // namespace

void AddListRow(int number, int row, const char* text) noexcept {
    if (HWND list = ListHandle(number)) {
        SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(text ? text : ""));
    }
}

void SetListRow(int number, int row, const char* text) noexcept {
    HWND list = ListHandle(number);
    if (!list || row < 0) return;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    while (count < row) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(""));
        ++count;
    }
    if (row < count) SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
    SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(text ? text : ""));
}

int ListRowCount(int number) noexcept {
    HWND list = ListHandle(number);
    return list ? static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
}

std::string GetListRow(int number, int row) {
    HWND list = ListHandle(number);
    if (!list || row < 0 || row >= ListRowCount(number)) return {};
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT n = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(text.data()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

void SetControlColours(int number, uint32_t text, int32_t background) noexcept {
    HWND control = ControlHandle(number);
    if (!control) return;
    ControlSlot& c = g_layer.Controls[number];
    DropColours(c);
    c.Coloured = true;
    c.TextColour = static_cast<COLORREF>(text);
    c.Background = background;
    if (background > 0) c.BackgroundBrush = CreateSolidBrush(static_cast<COLORREF>(background));
    InvalidateRect(control, nullptr, TRUE);
}

void SetLinkHoverColour(int number, uint32_t colour) noexcept {
    if (ControlHandle(number)) g_layer.Controls[number].HoverColour = static_cast<COLORREF>(colour);
}

namespace {

DWORD CALLBACK ReadViewerChunk(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) noexcept {
    DWORD n = 0;
    BOOL ok = ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(wanted), &n,
                       nullptr);
    *got = static_cast<LONG>(n);
    return ok ? 0 : 1;
}

}  // namespace

bool LoadViewerFile(int number, const char* path) noexcept {
    HWND control = ControlHandle(number);
    if (!control || !path || g_layer.Controls[number].Kind != ControlKind::Viewer) return false;
    UniqueFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const char* dot = std::strrchr(path, '.');
    const char* slash = std::strrchr(path, '\\');
    const bool rich = dot && (!slash || dot > slash) && lstrcmpiA(dot + 1, "rtf") == 0;
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.get());
    stream.pfnCallback = ReadViewerChunk;
    SendMessageA(control, EM_STREAMIN, rich ? SF_RTF : SF_TEXT,
                 reinterpret_cast<LPARAM>(&stream));
    return true;
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
        // Messages sent from other threads are handled inside PeekMessage and may queue an
        // event without any posted message following, so the queue is looked at after each.
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            continue;
        }
        if (msg.message == WM_QUIT) {
            // Left pending for the loop that owns the quit.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return WindowEvent{0, 0, EventKind::Quit};
        }
        // Tab and Shift+Tab move between the controls of our own windows.
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && NumberOfWindow(root) && IsDialogMessageA(root, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace wb
