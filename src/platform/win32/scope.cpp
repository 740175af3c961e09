// The installation-scope service over the shell, kernel32 and advapi32 (ANSI where there
// is a choice).
#include "platform/scope.h"

#include <windows.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/win32/handles.h"

namespace wb {
namespace {

// FOLDERID_UserProgramFiles, spelled out: older headers lack it.
const GUID kUserProgramFiles = {0x5cd7aee2, 0x2219, 0x4a67,
                                {0xb8, 0x5d, 0x6c, 0x9c, 0xe1, 0x56, 0x60, 0xcb}};
constexpr DWORD kKnownFolderCreate = 0x00008000;  // KF_FLAG_CREATE
using KnownFolderPathFn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
using FolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// A wide path in the ANSI code page; empty when a character has no ANSI form, since a
// path with a substitute character names another folder.
std::string Narrow(const wchar_t* wide) {
    char buffer[MAX_PATH + 1];
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, buffer, MAX_PATH,
                                nullptr, &lossy);
    return n <= 1 || lossy ? std::string() : std::string(buffer, size_t(n - 1));
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

// A shell folder by number, through SHGetFolderPathA looked up at run time.
std::string ShellFolderByNumber(int csidl) {
    HMODULE shell = GetModuleHandleA("shell32.dll");
    auto folderPath =
        shell ? reinterpret_cast<FolderPathFn>(
                    reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathA")))
              : nullptr;
    char path[MAX_PATH + 1] = {};
    if (!folderPath || FAILED(folderPath(nullptr, csidl, nullptr, 0, path))) return {};
    return WithoutTrailingSlash(path);
}

}  // namespace

ElevatedRun RunElevatedAndWait(const char* program, const char* parameters,
                               uint32_t& exitCode) noexcept {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.lpVerb = "runas";
    info.lpFile = program;
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) {
        return GetLastError() == ERROR_CANCELLED ? ElevatedRun::Declined : ElevatedRun::Failed;
    }
    if (!info.hProcess) return ElevatedRun::Failed;
    UniqueHandle process(info.hProcess);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return ElevatedRun::Failed;
    exitCode = code;
    return ElevatedRun::Ended;
}

std::string UserProgramFilesPath() {
    // Windows 7 and later; looked up so that the stub still starts on Vista.
    HMODULE shell = GetModuleHandleA("shell32.dll");
    auto knownFolder =
        shell ? reinterpret_cast<KnownFolderPathFn>(
                    reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")))
              : nullptr;
    if (!knownFolder) return {};
    PWSTR wide = nullptr;
    if (FAILED(knownFolder(kUserProgramFiles, kKnownFolderCreate, nullptr, &wide)) || !wide) {
        return {};
    }
    std::string path = Narrow(wide);
    CoTaskMemFree(wide);
    return WithoutTrailingSlash(path);
}

std::vector<std::string> AdminOnlyFolders() {
    std::vector<std::string> folders;
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        std::string folder = ShellFolderByNumber(csidl);
        if (!folder.empty()) folders.push_back(folder);
    }
    // The native folder as a 32-bit process on 64-bit Windows sees it.
    char native[MAX_PATH + 1];
    DWORD n = GetEnvironmentVariableA("ProgramW6432", native, MAX_PATH);
    if (n > 0 && n < MAX_PATH) folders.push_back(WithoutTrailingSlash(std::string(native, n)));
    return folders;
}

bool CreateAdminOnlyFolder(const char* path) noexcept {
    // Protected (no inheritance): full access for the system and the administrators only.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(
            "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    const BOOL made = CreateDirectoryA(path, &attributes);
    LocalFree(descriptor);
    return made != FALSE;
}

}  // namespace wb
