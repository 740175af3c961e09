// Processes and mutexes: what the installer asks of its own process and of others.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Full path of the running executable (at most 260 characters), by its short name where
// the ANSI code page cannot carry the long one; empty when neither reaches it.
std::string ModuleFileName();
// The process's whole command line, program name included, in the ANSI code page: a
// character the code page lacks reads "?".
std::string ProcessCommandLine();
// The same command line in UTF-8, every character kept.
std::string ProcessCommandLineUtf8();
// True when a mutex of this name exists. The mutex is created, released and closed at
// once: the installer never holds it.
bool MutexExists(const char* name) noexcept;
// Sets a variable of the process environment (inherited by programs started later).
bool SetProcessEnvironment(const char* name, const char* value) noexcept;
// Starts `program` with `parameters` (passed on as one command-line tail), waits for it
// to end and gives its exit code; false when it could not be started.
bool RunAndWait(const char* program, const char* parameters, uint32_t& exitCode) noexcept;
// The running process's id.
uint32_t CurrentProcessId() noexcept;
// Waits at most `milliseconds` for the process `id` to end; true when it ended (or no
// such process runs).
bool WaitForProcessEnd(uint32_t id, unsigned milliseconds) noexcept;
// Has the system delete `path` at its next start, where the system allows that.
bool FileDeleteAtRestart(const char* path) noexcept;
// Ends the process with `code`.
[[noreturn]] void ExitProcessWith(unsigned code) noexcept;

}  // namespace wb
