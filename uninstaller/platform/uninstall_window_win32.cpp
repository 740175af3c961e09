// The uninstaller's window: what will be removed, the DelAll box, OK and Cancel, and a
// status line while the removal runs.
#include <windows.h>

#include "platform/dpi_scale.h"
#include "platform/win32/dpi.h"
#include "platform/window.h"
#include "uninstaller/removal.h"
#include "uninstaller/uninstall_window.h"

namespace wb {
namespace {

enum Control : int {
    kOk = IDOK,
    kCancel = IDCANCEL,
    kMsg = 10,
    kInfo = 11,
    kProgram = 12,
    kDelAll = 13,
    kStatus = 14,
};

enum class Stage : unsigned char { Asking, Removing, Done };

#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// The window's client area and its controls' places at 96 DPI; they grow with the DPI.
constexpr int kClientWidth = 432, kClientHeight = 208;
struct Place {
    int Id, X, Y, W, H;
};
constexpr Place kLayout[] = {
    {kMsg, 16, 14, 400, 32},      {kInfo, 16, 52, 400, 18},     {kProgram, 32, 74, 384, 34},
    {kDelAll, 16, 114, 400, 20},  {kStatus, 16, 142, 400, 18},  {kOk, 236, 172, 86, 24},
    {kCancel, 330, 172, 86, 24},
};

struct UninstallWindow {
    HWND Window = nullptr;
    UninstallLog Log;
    std::string Folder, SelfPath;
    Stage State = Stage::Asking;
    bool DelAll = false;
    unsigned ExitCode = kExitStopped;
};

UninstallWindow* g_window = nullptr;

std::string Caption(const UninstallLog& log) { return " " + log.Texts.Titel; }

// Puts each control at its place for `dpi`, in the dialog font made for it.
void LayOut(HWND window, int dpi) {
    HFONT font = DialogFontForDpi(dpi);
    for (const Place& p : kLayout) {
        HWND control = GetDlgItem(window, p.Id);
        if (!control) continue;
        const ScaledRect r = ScaleRectForDpi(p.X, p.Y, p.W, p.H, dpi);
        SetWindowPos(control, nullptr, r.X, r.Y, r.Width, r.Height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(control, WM_SETFONT, WPARAM(font), TRUE);
    }
}

// A control laid out later by LayOut.
HWND AddControl(HWND parent, const char* cls, const std::string& text, DWORD style, int id) {
    return CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                           parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

void ShowStatus(void* context, const std::string& item) {
    auto* w = static_cast<UninstallWindow*>(context);
    SetDlgItemTextA(w->Window, kStatus, item.c_str());
    DrainEvents();
}

void StartRemoval(UninstallWindow& w) {
    while (InstalledProgramRuns(w.Log)) {
        std::string text = RunningProgramMessage(w.Log);
        if (MessageBoxA(w.Window, text.c_str(), Caption(w.Log).c_str(),
                        MB_OKCANCEL | MB_ICONWARNING) != IDOK) {
            w.ExitCode = kExitStopped;
            DestroyWindow(w.Window);
            return;
        }
    }
    w.State = Stage::Removing;
    EnableWindow(GetDlgItem(w.Window, kOk), FALSE);
    EnableWindow(GetDlgItem(w.Window, kCancel), FALSE);
    EnableWindow(GetDlgItem(w.Window, kDelAll), FALSE);
    RemovalOptions options;
    options.DelAll = w.DelAll && !w.Log.NoDelAll;
    options.SelfPath = w.SelfPath;
    RemovalResult result = RemoveInstallation(w.Log, options, ShowStatus, &w);
    w.ExitCode = result.Failed ? kExitIncomplete : kExitRemoved;
    if (result.SelfPending) FinishFromTemporaryCopy(w.SelfPath, w.Folder);
    SetDlgItemTextA(w.Window, kStatus,
                    (result.Failed ? w.Log.Texts.Error : w.Log.Texts.Status).c_str());
    SetDlgItemTextA(w.Window, kOk, w.Log.Texts.Ready.c_str());
    ShowWindow(GetDlgItem(w.Window, kCancel), SW_HIDE);
    EnableWindow(GetDlgItem(w.Window, kOk), TRUE);
    w.State = Stage::Done;
}

void OnCommand(UninstallWindow& w, int id) {
    if (w.State == Stage::Removing) return;
    switch (id) {
        case kOk:
            if (w.State == Stage::Done) {
                DestroyWindow(w.Window);
            } else {
                StartRemoval(w);
            }
            break;
        case kCancel:
            if (w.State == Stage::Asking) DestroyWindow(w.Window);
            break;
        case kDelAll:
            // The box toggles here rather than by itself, so that a press sent as a
            // command alone (by a test driver or an accessibility tool) also counts.
            w.DelAll = !w.DelAll;
            CheckDlgButton(w.Window, kDelAll, w.DelAll ? BST_CHECKED : BST_UNCHECKED);
            break;
        default: break;
    }
}

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    UninstallWindow* w = g_window;
    switch (msg) {
        case WM_COMMAND:
            if (w && HIWORD(wp) == BN_CLICKED) OnCommand(*w, LOWORD(wp));
            return 0;
        case WM_CLOSE:
            if (w && w->State != Stage::Removing) DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_DPICHANGED: {
            // Moved to a monitor of another DPI: the system's suggested size, our layout.
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            if (r) {
                SetWindowPos(wnd, nullptr, r->left, r->top, r->right - r->left,
                             r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
            }
            LayOut(wnd, UsableDpi(HIWORD(wp)));
            return 0;
        }
        default: return DefWindowProcA(wnd, msg, wp, lp);
    }
}

void BuildControls(UninstallWindow& w) {
    const UninstallLog& log = w.Log;
    const DWORD text = SS_LEFT | SS_NOPREFIX;
    AddControl(w.Window, "STATIC", log.Texts.Msg, text, kMsg);
    AddControl(w.Window, "STATIC", log.Texts.UninstInfo, text, kInfo);
    std::string program = log.ProgName + "\r\n" + log.Texts.Version + " " + log.Version;
    AddControl(w.Window, "STATIC", program, text, kProgram);
    if (!log.NoDelAll) {
        AddControl(w.Window, "BUTTON", log.Texts.DelAll, BS_CHECKBOX | WS_TABSTOP, kDelAll);
    }
    AddControl(w.Window, "STATIC", "", text | SS_ENDELLIPSIS, kStatus);
    AddControl(w.Window, "BUTTON", log.Texts.OK, BS_DEFPUSHBUTTON | WS_TABSTOP, kOk);
    AddControl(w.Window, "BUTTON", log.Texts.Cancel, BS_PUSHBUTTON | WS_TABSTOP, kCancel);
    LayOut(w.Window, WindowDpi(w.Window));
}

}  // namespace

unsigned RunUninstallWindow(const std::string& folder, const std::string& selfPath) {
    UninstallWindow w;
    w.Folder = folder;
    w.SelfPath = selfPath;
    if (ReadUninstallLog(folder, w.Log) != LogStatus::Ok) {
        MessageBoxA(nullptr, w.Log.Texts.Error.c_str(), Caption(w.Log).c_str(),
                    MB_OK | MB_ICONERROR);
        return kExitIncomplete;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));      // IDI_APPLICATION
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "WendleboxUninstall";
    if (!RegisterClassA(&wc)) return kExitIncomplete;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    int dpi = SystemDpi();
    SIZE outer = OuterSizeForClient(ScaleForDpi(kClientWidth, dpi),
                                    ScaleForDpi(kClientHeight, dpi), style, WS_EX_CONTROLPARENT, dpi);
    g_window = &w;
    w.Window = CreateWindowExA(WS_EX_CONTROLPARENT, wc.lpszClassName, Caption(w.Log).c_str(),
                               style, (GetSystemMetrics(SM_CXSCREEN) - outer.cx) / 2,
                               (GetSystemMetrics(SM_CYSCREEN) - outer.cy) / 2, outer.cx, outer.cy,
                               nullptr, nullptr, instance, nullptr);
    if (!w.Window) {
        g_window = nullptr;
        return kExitIncomplete;
    }
    // Opened on a monitor of another DPI than the system's: sized for that one.
    if (int actual = WindowDpi(w.Window); actual != dpi) {
        dpi = actual;
        outer = OuterSizeForClient(ScaleForDpi(kClientWidth, dpi), ScaleForDpi(kClientHeight, dpi),
                                   style, WS_EX_CONTROLPARENT, dpi);
        SetWindowPos(w.Window, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    BuildControls(w);
    ShowWindow(w.Window, SW_SHOWNORMAL);
    UpdateWindow(w.Window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsWindow(w.Window) && IsDialogMessageA(w.Window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_window = nullptr;
    return w.ExitCode;
}

}  // namespace wb
