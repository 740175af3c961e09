// The portable parts of the uninstaller's run (the entry point in
// platform/uninstall_win32.cpp dispatches):
//   uninstall.exe            the window (platform/uninstall_window_win32.cpp)
//   uninstall.exe /Q         no window and no question; exit code 0, 1 or 2
//   uninstall.exe /R PID "PATH" ["FOLDER"]
//                            the copy's job: wait for process PID to end, delete PATH,
//                            then FOLDER when it is empty
#pragma once

#include <string>
#include <vector>

namespace wb {

// The words of `commandLine` after the program's name; quotes group, and are dropped.
std::vector<std::string> CommandWords(const std::string& commandLine);
// True for "/X" or "-X", `letter` in either case.
bool IsSwitch(const std::string& word, char letter);
// The part of `path` up to and including its last separator; empty without one.
std::string FolderOf(const std::string& path);

// The copy's job of "/R PID PATH [FOLDER]" (`words` as CommandWords gives them): waits for
// the process to end, deletes PATH (an absolute .exe path) and then FOLDER when it is PATH's
// folder and empty; the copy's own file goes at the next start of the system. The exit code.
unsigned FinishRemoval(const std::vector<std::string>& words);

}  // namespace wb
