// The portable parts of the uninstaller's run (the entry point in
// platform/uninstall_win32.cpp dispatches):
//   uninstall.exe            the window (platform/uninstall_window_win32.cpp)
//   uninstall.exe /Q         no window and no question; exit code 0, 1 or 2
//   /L, /L:PATH              with either run: a log of what was removed, kept or stayed,
//                            in PATH or a new file in the temporary folder
//   uninstall.exe /R PID "PATH" ["FOLDER"]
//                            the copy's job: wait for process PID to end, delete PATH,
//                            then FOLDER when it is empty
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wb {

// The words of `commandLine` after the program's name; quotes group, and are dropped.
std::vector<std::string> CommandWords(const std::string& commandLine);
// True for "/X" or "-X", `letter` in either case.
bool IsSwitch(const std::string& word, char letter);
// True for "/L" or "/L:PATH" (the third character is skipped whatever it is, as with the
// installer's switches); `path` gets PATH, empty for "/L".
bool IsLogSwitch(const std::string& word, std::string& path);
// Opens the log that a /L switch among `words` asks for and writes its first lines. False
// when none was asked for or it could not be created: a missing log never stops a removal.
bool StartUninstallLog(const std::vector<std::string>& words, const std::string& self, bool quiet);
// The part of `path` up to and including its last separator; empty without one.
std::string FolderOf(const std::string& path);

// The name every folder made for an elevated uninstaller's copy starts with.
constexpr char kCopyFolderPrefix[] = "wbuninst-";

// The folder (ending in "\") the temporary copy of uninstaller `pid` is made in: the
// user's temporary folder, or for an elevated uninstaller a new folder in the system's
// temporary folder (%SystemRoot%\Temp\wbuninst-PID-N) that only administrators and the
// system can write; never one that existed before. Empty when none could be made.
std::string TemporaryCopyFolder(bool elevated, uint32_t pid);

// The copy's job of "/R PID PATH [FOLDER]" (`words` as CommandWords gives them): waits for
// the process to end, deletes PATH (an absolute .exe path) and then FOLDER when it is PATH's
// folder and empty; the copy's own file goes at the next start of the system. The exit code.
unsigned FinishRemoval(const std::vector<std::string>& words);

}  // namespace wb
