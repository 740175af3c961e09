// DPI of the system and of a window, looked up at run time: the per-window calls exist
// only from Windows 10 1607 on, and the programs start on every system since Vista.
#include "platform/win32/dpi.h"

#include "platform/dpi_scale.h"

namespace wb {

namespace {

FARPROC User32Function(const char* name) noexcept {
    // user32 is imported by every program here, so it is loaded and stays loaded.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? GetProcAddress(user32, name) : nullptr;
}

// The per-DPI calls of user32, looked up once. Plain globals rather than function-local
// statics: a guarded static would pull the C++ runtime's exception support into the
// programs.
using DpiForSystemFn = UINT(WINAPI*)();
using DpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
struct DpiFunctions {
    bool LookedUp = false;
    DpiForSystemFn ForSystem = nullptr;
    DpiForWindowFn ForWindow = nullptr;
    AdjustForDpiFn AdjustForDpi = nullptr;
};
DpiFunctions g_functions;

const DpiFunctions& Functions() noexcept {
    if (!g_functions.LookedUp) {
        g_functions.ForSystem = reinterpret_cast<DpiForSystemFn>(User32Function("GetDpiForSystem"));
        g_functions.ForWindow = reinterpret_cast<DpiForWindowFn>(User32Function("GetDpiForWindow"));
        g_functions.AdjustForDpi =
            reinterpret_cast<AdjustForDpiFn>(User32Function("AdjustWindowRectExForDpi"));
        g_functions.LookedUp = true;
    }
    return g_functions;
}

int ScreenDpi() noexcept {
    HDC screen = GetDC(nullptr);
    if (!screen) return kDesignDpi;
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return UsableDpi(dpi);
}

struct ScaledFont {
    int Dpi = 0;
    HFONT Handle = nullptr;
};
ScaledFont g_dialogFonts[4];

}  // namespace

int SystemDpi() noexcept {
    if (DpiForSystemFn forSystem = Functions().ForSystem) return UsableDpi(int(forSystem()));
    return ScreenDpi();
}

int WindowDpi(HWND window) noexcept {
    DpiForWindowFn forWindow = Functions().ForWindow;
    if (forWindow && window) {
        UINT dpi = forWindow(window);
        if (dpi) return UsableDpi(int(dpi));
    }
    return SystemDpi();
}

SIZE OuterSizeForClient(int width, int height, DWORD style, DWORD exStyle, int dpi) noexcept {
    AdjustForDpiFn adjustForDpi = Functions().AdjustForDpi;
    RECT outer = {0, 0, width, height};
    if (!adjustForDpi || !adjustForDpi(&outer, style, FALSE, exStyle, UINT(dpi))) {
        outer = {0, 0, width, height};
        AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    }
    return {outer.right - outer.left, outer.bottom - outer.top};
}

HFONT DialogFontForDpi(int dpi) noexcept {
    HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    // Stock fonts are made for the system DPI; at that DPI (96 on most displays) the
    // stock object is the font, exactly as without scaling.
    const int systemDpi = ScreenDpi();
    if (!stock || dpi == systemDpi) return stock;
    ScaledFont* free = nullptr;
    for (ScaledFont& f : g_dialogFonts) {
        if (f.Handle && f.Dpi == dpi) return f.Handle;
        if (!f.Handle && !free) free = &f;
    }
    LOGFONTA face = {};
    if (!free || GetObjectA(stock, sizeof face, &face) != sizeof face) return stock;
    face.lfHeight = RescaleForDpi(face.lfHeight, systemDpi, dpi);
    face.lfWidth = 0;
    HFONT font = CreateFontIndirectA(&face);
    if (!font) return stock;
    free->Dpi = dpi;
    free->Handle = font;
    return font;
}

HBITMAP CreateSmoothScaledBitmap(HBITMAP source, int width, int height) noexcept {
    BITMAP info = {};
    if (!source || width <= 0 || height <= 0 || !GetObjectA(source, sizeof info, &info)) {
        return nullptr;
    }
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    if (!screen) return nullptr;
    void* bits = nullptr;
    HBITMAP scaled = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    bool ok = false;
    if (scaled && from && to) {
        HGDIOBJ oldFrom = SelectObject(from, source);
        HGDIOBJ oldTo = SelectObject(to, scaled);
        // HALFTONE averages the source pixels; it needs the brush origin set after it.
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        ok = StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight,
                        SRCCOPY) != FALSE;
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from) DeleteDC(from);
    if (to) DeleteDC(to);
    ReleaseDC(nullptr, screen);
    if (!ok && scaled) {
        DeleteObject(scaled);
        scaled = nullptr;
    }
    return scaled;
}

HICON CreateScaledIcon(HICON icon, int width, int height) noexcept {
    if (!icon || width <= 0 || height <= 0) return nullptr;
    return static_cast<HICON>(CopyImage(icon, IMAGE_ICON, width, height, 0));
}

}  // namespace wb
