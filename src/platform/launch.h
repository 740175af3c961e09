// Starting and watching other processes, and listing the running ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wb {

struct PlatformProcess;  // opaque; a process handle on Windows

// What a start gives back: the process (null when the shell started the program but could
// not hand one out) and its identifier (-1 when unknown).
struct LaunchedProcess {
    PlatformProcess* Process = nullptr;
    int32_t Id = -1;
};

// Starts `commandLine` as written (CreateProcessA, normal window, normal priority, the
// installer's environment, no inherited handles) in `workDir` (empty: the installer's
// own current folder). False when the system refuses, for example for a document.
bool LaunchProcess(const char* commandLine, const char* workDir, LaunchedProcess& out) noexcept;
// Opens `file` through the shell with the verb "Open" and `parameters`, in `workDir`
// (empty: none). False when the shell cannot open it.
bool LaunchShellOpen(const char* file, const char* parameters, const char* workDir,
                     LaunchedProcess& out) noexcept;

// Blocks until the process has ended, without a time limit. Returns at once for null.
void ProcessWait(PlatformProcess* process) noexcept;
// True while the process has not ended. Null counts as ended.
bool ProcessAlive(PlatformProcess* process) noexcept;
// The process's exit code, 259 while it runs; 0 when the system cannot tell.
uint32_t ProcessExitCode(PlatformProcess* process) noexcept;
// Ends the process with `exitCode`.
void ProcessTerminate(PlatformProcess* process, uint32_t exitCode) noexcept;
// Releases the handle.
void ProcessRelease(PlatformProcess* process) noexcept;
// Lets `milliseconds` pass, for a process that was just ended to leave its files.
void PauseMilliseconds(unsigned milliseconds) noexcept;

// The executable names of all running processes, as the system reports them (a plain file
// name on current systems, a full path on old ones). False when the system offers no
// process list (the snapshot functions are missing or refuse).
bool ListProcessNames(std::vector<std::string>& names);

}  // namespace wb
