// Processes and mutexes over kernel32 (ANSI).
#include "platform/process.h"

#include "platform/win32/handles.h"

namespace wb {

std::string ModuleFileName() {
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n > MAX_PATH ? MAX_PATH : n);
}

std::string ProcessCommandLine() {
    const char* line = GetCommandLineA();
    return line ? line : "";
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

void ExitProcessWith(unsigned code) noexcept { ExitProcess(code); }

}  // namespace wb
