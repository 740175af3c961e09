// Processes and mutexes over kernel32 (ANSI).
#include "platform/process.h"

#include "platform/win32/handles.h"
#include "platform/win32/wide_names.h"

namespace wb {

std::string ModuleFileName() {
    // A setup is often started from the user's downloads folder, whose path holds the
    // user's name in whatever characters it has.
    wchar_t path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return ReachableSystemPath(std::wstring(path, n));
}

std::string ProcessCommandLine() {
    const char* line = GetCommandLineA();
    return line ? line : "";
}

std::string ProcessCommandLineUtf8() {
    const wchar_t* line = GetCommandLineW();
    return line ? WideToUtf8(line) : std::string();
}

bool MutexExists(const char* name) noexcept {
    UniqueHandle mutex(CreateMutexA(nullptr, FALSE, name));
    bool exists = GetLastError() == ERROR_ALREADY_EXISTS;
    if (exists && mutex) ReleaseMutex(mutex.get());
    return exists;
}

bool SetProcessEnvironment(const char* name, const char* value) noexcept {
    return SetEnvironmentVariableA(name, value);
}

bool RunAndWait(const char* program, const char* parameters, uint32_t& exitCode) noexcept {
    exitCode = 0;
    std::string line = "\"";
    line += program ? program : "";
    line += "\"";
    if (parameters && *parameters) {
        line += ' ';
        line += parameters;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(program, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return false;
    }
    UniqueHandle process(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return false;
    exitCode = code;
    return true;
}

uint32_t CurrentProcessId() noexcept { return GetCurrentProcessId(); }

bool WaitForProcessEnd(uint32_t id, unsigned milliseconds) noexcept {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return true;
    const bool ended = WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

bool FileDeleteAtRestart(const char* path) noexcept {
    return path && MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

void ExitProcessWith(unsigned code) noexcept { ExitProcess(code); }

}  // namespace wb
