// Builds the real wizard window of a setup project in this process, at the display's DPI
// (the probe carries the setup's manifest), and measures every control's text in the
// control's own font, which another process cannot select.
//   dpi_probe PROJECT [DPI]   PROJECT: the Windows path of an unpacked setup (setup.ini,
//                             English.lng, licence, readme, side image). With DPI the window
//                             is first told that it moved to a monitor of that DPI.
// Prints "client<TAB>width<TAB>height", then per control "number<TAB>class<TAB>visible<TAB>
// x<TAB>y<TAB>width<TAB>height<TAB>client width<TAB>client height<TAB>font height<TAB>
// needed width<TAB>needed height<TAB>text"; the needed room is 0 0 for controls whose
// text is not measured (pictures, lists, viewers, progress bars, frames).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/language_table.h"
#include "config/setup_description.h"
#include "platform/dpi_scale.h"
#include "platform/runtime.h"
#include "platform/window.h"
#include "state/setup_state.h"
#include "ui/images.h"
#include "ui/wizard_window.h"

namespace {

int g_dpi = 96;

// The room the text needs: word-wrapped to the width for statics, one line for buttons
// (with the box of a check box or option, or a push button's edges) and fields.
SIZE TextRoom(HWND wnd, const char* cls, const char* text, const RECT& client, int& fontHeight) {
    SIZE need = {0, 0};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    fontHeight = font && GetObjectA(font, sizeof lf, &lf) == sizeof lf ? lf.lfHeight : 0;
    const LONG style = GetWindowLongA(wnd, GWL_STYLE);
    const bool isStatic = lstrcmpiA(cls, "Static") == 0;
    const bool isButton = lstrcmpiA(cls, "Button") == 0;
    const bool isEdit = lstrcmpiA(cls, "Edit") == 0;
    const int type = style & 0x0F;
    if (isStatic && type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) return need;
    if (isButton && type == BS_GROUPBOX) return need;
    if (!isStatic && !isButton && !isEdit) return need;
    HDC dc = GetDC(wnd);
    if (!dc) return need;
    HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    RECT r = {0, 0, client.right, 0};
    if (isStatic) {
        DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_WORDBREAK | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
        need = {r.right, r.bottom};
    } else if (isEdit) {
        // A field scrolls sideways; only its height can cut the text.
        DrawTextA(dc, *text ? text : "Ag", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        need = {0, r.bottom};
    } else {
        DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_SINGLELINE);
        const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX ||
                         type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        // A box of 13 pixels and a gap of 4 at 96 DPI; a push button's edges 3 on each side.
        need = {r.right + wb::ScaleForDpi(box ? 17 : 6, g_dpi), r.bottom};
    }
    SelectObject(dc, old);
    ReleaseDC(wnd, dc);
    return need;
}

BOOL CALLBACK PrintControl(HWND wnd, LPARAM) {
    char cls[64] = {}, text[2048] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    GetWindowTextA(wnd, text, sizeof text);
    RECT r = {}, client = {};
    GetWindowRect(wnd, &r);
    MapWindowPoints(nullptr, GetParent(wnd), reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(wnd, &client);
    int fontHeight = 0;
    const SIZE need = TextRoom(wnd, cls, text, client, fontHeight);
    for (char* p = text; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = '|';
    }
    std::printf("%d\t%s\t%d\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%d\t%ld\t%ld\t%s\n", GetDlgCtrlID(wnd),
                cls, (GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE) ? 1 : 0, r.left, r.top,
                r.right - r.left, r.bottom - r.top, client.right, client.bottom, fontHeight,
                need.cx, need.cy, text);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    wb::RuntimeStart();
    std::string dir = argv[1];
    if (dir.back() != '\\') dir += '\\';
    wb::Setup.TempDir = dir;
    wb::Setup.SetupIni = dir + "setup.ini";
    wb::CreateLanguageTable();
    wb::ReadStartupKeys();
    wb::LoadLanguageTable(dir + "English.lng");
    wb::Setup.WindowTitle = wb::Setup.Titel + " " + wb::Setup.Version;
    wb::StartImages();
    if (!wb::BuildWizardWindow(wb::Setup.WindowTitle)) return 3;
    wb::FillWizardPages();
    HWND wizard = GetAncestor(reinterpret_cast<HWND>(wb::ControlSystemHandle(7)), GA_ROOT);
    if (!wizard) return 4;
    using DpiForWindowFn = UINT(WINAPI*)(HWND);
    auto forWindow = reinterpret_cast<DpiForWindowFn>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow"));
    g_dpi = forWindow ? int(forWindow(wizard)) : 96;
    if (argc > 2) {
        // Moved to a monitor of another DPI: the system suggests the window's new rectangle.
        g_dpi = std::atoi(argv[2]);
        RECT outer = {0, 0, wb::ScaleForDpi(480, g_dpi), wb::ScaleForDpi(335, g_dpi)};
        AdjustWindowRectEx(&outer, GetWindowLongA(wizard, GWL_STYLE), FALSE,
                           GetWindowLongA(wizard, GWL_EXSTYLE));
        RECT now = {};
        GetWindowRect(wizard, &now);
        RECT suggested = {now.left, now.top, now.left + outer.right - outer.left,
                          now.top + outer.bottom - outer.top};
        SendMessageA(wizard, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(g_dpi, g_dpi),
                     reinterpret_cast<LPARAM>(&suggested));
    }
    wb::DrainEvents();
    RECT client = {};
    GetClientRect(wizard, &client);
    std::printf("dpi\t%d\nclient\t%ld\t%ld\n", g_dpi, client.right, client.bottom);
    EnumChildWindows(wizard, PrintControl, 0);
    std::fflush(stdout);
    wb::CloseNumberedWindow(1);
    return 0;
}
