// The uninstaller's window: what will be removed, the DelAll box, OK and Cancel, and a
// status line while the removal runs.
#include <windows.h>

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

HWND AddControl(HWND parent, const char* cls, const std::string& text, DWORD style, int id,
                int x, int y, int w, int h) {
    HWND control = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                                   w, h, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return control;
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
        default: return DefWindowProcA(wnd, msg, wp, lp);
    }
}

void BuildControls(UninstallWindow& w) {
    const UninstallLog& log = w.Log;
    const DWORD text = SS_LEFT | SS_NOPREFIX;
    AddControl(w.Window, "STATIC", log.Texts.Msg, text, kMsg, 16, 14, 400, 32);
    AddControl(w.Window, "STATIC", log.Texts.UninstInfo, text, kInfo, 16, 52, 400, 18);
    std::string program = log.ProgName + "\r\n" + log.Texts.Version + " " + log.Version;
    AddControl(w.Window, "STATIC", program, text, kProgram, 32, 74, 384, 34);
    if (!log.NoDelAll) {
        AddControl(w.Window, "BUTTON", log.Texts.DelAll, BS_CHECKBOX | WS_TABSTOP, kDelAll, 16,
                   114, 400, 20);
    }
    AddControl(w.Window, "STATIC", "", text | SS_ENDELLIPSIS, kStatus, 16, 142, 400, 18);
    AddControl(w.Window, "BUTTON", log.Texts.OK, BS_DEFPUSHBUTTON | WS_TABSTOP, kOk, 236, 172,
               86, 24);
    AddControl(w.Window, "BUTTON", log.Texts.Cancel, BS_PUSHBUTTON | WS_TABSTOP, kCancel, 330,
               172, 86, 24);
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
    RECT area = {0, 0, 432, 208};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&area, style, FALSE);
    int width = area.right - area.left, height = area.bottom - area.top;
    g_window = &w;
    w.Window = CreateWindowExA(WS_EX_CONTROLPARENT, wc.lpszClassName, Caption(w.Log).c_str(),
                               style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                               nullptr, nullptr, instance, nullptr);
    if (!w.Window) {
        g_window = nullptr;
        return kExitIncomplete;
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
