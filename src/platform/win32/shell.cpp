// The shell and system-folder service over shell32 and kernel32. The user's folders are
// asked for by their wide-character names, since a user name may hold characters the ANSI
// code page lacks; what the rest of the installer gets is an ANSI path that reaches them.
#include "platform/shell.h"

#include <shlobj.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide_names.h"

namespace wb {
namespace {

// Turns a folder query's answer into text; 0 or a result that did not fit gives empty.
std::string FromBuffer(const char* buffer, UINT n) {
    return (n == 0 || n >= MAX_PATH) ? std::string() : std::string(buffer, n);
}

}  // namespace

std::string ShellFolderPath(int csidl) {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || !item) return {};
    wchar_t path[MAX_PATH + 1] = {};
    BOOL ok = SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    return ok ? ReachableSystemPath(path) : std::string();
}

std::string SystemFolderPath() {
    char path[MAX_PATH + 1];
    return FromBuffer(path, GetSystemDirectoryA(path, MAX_PATH));
}

std::string WindowsFolderPath() {
    char path[MAX_PATH + 1];
    return FromBuffer(path, GetWindowsDirectoryA(path, MAX_PATH));
}

std::string TempFolderPath() {
    wchar_t path[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH, path);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::wstring temp(path, n);
    // TEMP is often set in the short form: the long one is what the user sees.
    wchar_t full[MAX_PATH + 1];
    DWORD m = GetLongPathNameW(temp.c_str(), full, MAX_PATH);
    if (m != 0 && m < MAX_PATH) temp.assign(full, m);
    return ReachableSystemPath(temp);
}

std::string CurrentFolderPath() {
    char path[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, path);
    return (n == 0 || n >= MAX_PATH) ? std::string() : std::string(path, n);
}

}  // namespace wb
