// Processes over kernel32 and shell32 (ANSI); the process list through the snapshot
// functions, which old systems lack, looked up at run time.
#include "platform/launch.h"

#include "platform/win32/handles.h"

#include <shellapi.h>
#include <tlhelp32.h>

namespace wb {

namespace {

HANDLE AsHandle(PlatformProcess* p) noexcept { return reinterpret_cast<HANDLE>(p); }
PlatformProcess* AsProcess(HANDLE h) noexcept { return reinterpret_cast<PlatformProcess*>(h); }

using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

}  // namespace

bool LaunchProcess(const char* commandLine, const char* workDir, LaunchedProcess& out) noexcept {
    // CreateProcessA may write into the command line, so it gets a copy of its own.
    std::string line = commandLine ? commandLine : "";
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESHOWWINDOW;
    start.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info = {};
    const char* folder = workDir && *workDir ? workDir : nullptr;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, folder, &start, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    out.Process = AsProcess(info.hProcess);
    out.Id = static_cast<int32_t>(info.dwProcessId);
    return true;
}

bool LaunchShellOpen(const char* file, const char* parameters, const char* workDir,
                     LaunchedProcess& out) noexcept {
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    // No error dialog of the shell: a program that cannot be started is skipped silently,
    // and a quiet run must not open a window.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "Open";
    info.lpFile = file;
    info.lpParameters = parameters && *parameters ? parameters : nullptr;
    info.lpDirectory = workDir && *workDir ? workDir : nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) return false;
    out.Process = AsProcess(info.hProcess);
    out.Id = -1;
    return true;
}

void ProcessWait(PlatformProcess* process) noexcept {
    if (process) WaitForSingleObject(AsHandle(process), INFINITE);
}

bool ProcessAlive(PlatformProcess* process) noexcept {
    if (!process) return false;
    return WaitForSingleObject(AsHandle(process), 0) != WAIT_OBJECT_0;
}

uint32_t ProcessExitCode(PlatformProcess* process) noexcept {
    DWORD code = 0;
    if (!process || !GetExitCodeProcess(AsHandle(process), &code)) return 0;
    return code;
}

void ProcessTerminate(PlatformProcess* process, uint32_t exitCode) noexcept {
    if (process) TerminateProcess(AsHandle(process), exitCode);
}

void ProcessRelease(PlatformProcess* process) noexcept {
    if (process) CloseHandle(AsHandle(process));
}

void PauseMilliseconds(unsigned milliseconds) noexcept { Sleep(milliseconds); }

bool ListProcessNames(std::vector<std::string>& names) {
    names.clear();
    UniqueModule kernel(LoadSystemLibrary("kernel32.dll"));
    if (!kernel) return false;
    auto snapshot = reinterpret_cast<SnapshotFn>(
        GetProcAddress(kernel.get(), "CreateToolhelp32Snapshot"));
    auto first = reinterpret_cast<WalkFn>(GetProcAddress(kernel.get(), "Process32First"));
    auto next = reinterpret_cast<WalkFn>(GetProcAddress(kernel.get(), "Process32Next"));
    if (!snapshot || !first || !next) return false;
    UniqueFileHandle list(snapshot(TH32CS_SNAPPROCESS, 0));
    if (!list) return false;
    PROCESSENTRY32 entry = {};
    // The entry's own size, not a fixed 296: the 64-bit record is larger, and a wrong
    // size makes the walk fail at once.
    entry.dwSize = sizeof entry;
    for (BOOL more = first(list.get(), &entry); more; more = next(list.get(), &entry)) {
        entry.szExeFile[sizeof entry.szExeFile - 1] = '\0';
        names.emplace_back(entry.szExeFile);
        entry.dwSize = sizeof entry;
    }
    return true;
}

}  // namespace wb
