// The shell and system-folder service over shell32 and kernel32 (ANSI).
#include "platform/shell.h"

#include <shlobj.h>

#include "platform/win32/handles.h"

namespace wb {
namespace {

using GetLongPathNameAFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

// Turns a folder query's answer into text; 0 or a result that did not fit gives empty.
std::string FromBuffer(const char* buffer, UINT n) {
    return (n == 0 || n >= MAX_PATH) ? std::string() : std::string(buffer, n);
}

}  // namespace

std::string ShellFolderPath(int csidl) {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || !item) return {};
    char path[MAX_PATH + 1] = {};
    BOOL ok = SHGetPathFromIDListA(item, path);
    CoTaskMemFree(item);
    return ok ? std::string(path) : std::string();
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
    char path[MAX_PATH + 1];
    std::string temp = FromBuffer(path, GetTempPathA(MAX_PATH, path));
    if (temp.empty()) return temp;
    // Older systems lack the long-name query, so it is looked up rather than imported.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto longName = kernel ? reinterpret_cast<GetLongPathNameAFn>(
                                 GetProcAddress(kernel, "GetLongPathNameA"))
                           : nullptr;
    if (!longName) return temp;
    char full[MAX_PATH + 1];
    DWORD n = longName(temp.c_str(), full, MAX_PATH);
    return (n == 0 || n >= MAX_PATH) ? temp : std::string(full, n);
}

std::string CurrentFolderPath() {
    char path[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, path);
    return (n == 0 || n >= MAX_PATH) ? std::string() : std::string(path, n);
}

}  // namespace wb
