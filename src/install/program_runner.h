// Starting external programs: Hook programs, task programs, the installed program and
// the homepage handler; and finding out whether a program runs.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

struct ProgramRecord;  // a started program the installer still watches

// RunProgram flags.
constexpr unsigned kRunWait = 1;        // block until the program has ended
constexpr unsigned kRunKeepRecord = 4;  // return a record for later tests

// RunProgram's result for a program that was started but left without a record.
inline ProgramRecord* const kProgramStarted = reinterpret_cast<ProgramRecord*>(1);

// Starts `program` with `parameters` in `workDir` (empty: the installer's own folder).
// Null when it could not be started; a record with kRunKeepRecord, else kProgramStarted.
ProgramRecord* RunProgram(const std::string& program, const std::string& parameters,
                          const std::string& workDir, unsigned flags);
// The exit code; 259 while the program still runs.
uint32_t ProgramExitCode(ProgramRecord* record);
// 1 while the process has not ended.
int IsProgramRunning(ProgramRecord* record);
// Terminates the process (exit code -1).
void KillProgram(ProgramRecord* record);
// Closes the handles and forgets the record.
void CloseProgram(ProgramRecord* record);
// `value` when it is a live record, else null.
ProgramRecord* IsKnownProgram(const void* value);
// 1 when a running process has the executable file name of `exeName` (a folder part of
// `exeName` is ignored); letters compare as the installer upper-cases them: a-z and the
// bytes 0xE0-0xFF. 0 when the system offers no process list.
int IsProcessRunning(const std::string& exeName);

// The command line RunProgram starts: the program in double quotes (unless it starts with
// one already), then a space and the parameters when there are any.
std::string ProgramCommandLine(const std::string& program, const std::string& parameters);
// The folder the shell opens a document in: `workDir`, or when that is empty the path up to
// and including its last backslash (none when that is its first character).
std::string ShellOpenFolder(const std::string& program, const std::string& workDir);

}  // namespace wb
