// The folder browser over the shell library, loaded from the system folder for each call.
#include "platform/win32/handles.h"

#include <shlobj.h>

#include <vector>

#include "platform/folder_dialog.h"
#include "platform/win32/wide_names.h"

namespace wb {
namespace {

using BrowseFn = LPITEMIDLIST(WINAPI*)(LPBROWSEINFOA);
using PathFn = BOOL(WINAPI*)(LPCITEMIDLIST, LPWSTR);

int CALLBACK OnBrowseEvent(HWND dialog, UINT message, LPARAM, LPARAM data) {
    const char* start = reinterpret_cast<const char*>(data);
    if (message == BFFM_INITIALIZED && start && *start) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
    }
    return 0;
}

struct Disabled {
    std::vector<HWND> Windows;
    HWND Foreground;
};

BOOL CALLBACK DisableOne(HWND wnd, LPARAM param) {
    auto* d = reinterpret_cast<Disabled*>(param);
    if (wnd != d->Foreground && IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
        EnableWindow(wnd, FALSE);
        d->Windows.push_back(wnd);
    }
    return TRUE;
}

}  // namespace

std::string BrowseForFolder(const char* instruction, const char* start) noexcept {
    static bool comStarted = false;  // constant-initialised: no guarded static
    if (!comStarted) {
        CoInitialize(nullptr);
        comStarted = true;
    }
    UniqueModule shell(LoadSystemLibrary("shell32.dll"));
    if (!shell) return {};
    auto browse = reinterpret_cast<BrowseFn>(GetProcAddress(shell.get(), "SHBrowseForFolderA"));
    // The chosen folder by its wide name: one the code page cannot carry is given by its
    // short name rather than with "?" in it.
    auto toPath = reinterpret_cast<PathFn>(GetProcAddress(shell.get(), "SHGetPathFromIDListW"));
    if (!browse || !toPath) return {};
    HWND foreground = GetForegroundWindow();
    DWORD pid = 0;
    if (foreground) GetWindowThreadProcessId(foreground, &pid);
    if (pid != GetCurrentProcessId()) foreground = nullptr;
    BROWSEINFOA info = {};
    info.hwndOwner = foreground;
    info.lpszTitle = instruction;
    info.ulFlags = 0x40;  // the new dialog style
    info.lpfn = OnBrowseEvent;
    info.lParam = reinterpret_cast<LPARAM>(start);
    // Modal to every window of this thread, not only its owner.
    Disabled disabled{{}, foreground};
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
    LPITEMIDLIST item = browse(&info);
    for (HWND wnd : disabled.Windows) EnableWindow(wnd, TRUE);
    if (!item) return {};
    wchar_t path[MAX_PATH + 1] = {};
    BOOL ok = toPath(item, path);
    CoTaskMemFree(item);
    return ok ? ReachableSystemPath(path) : std::string();
}

}  // namespace wb
