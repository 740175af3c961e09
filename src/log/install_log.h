// The install log that /L asks for: a plain text file, one line per event with the local
// time, written by the installer and by the uninstaller. It never stops a run: while no log
// is open every call does nothing.
#pragma once

#include <string>

namespace wb {

// Opens `path` as the log, replacing an older file and creating missing folders on the
// way. False when it cannot be created; the run then goes on without a log.
bool OpenInstallLog(const std::string& path);
// Appends "YYYY-MM-DD HH:MM:SS  text" and CR LF. A line break inside `text` would start a
// line without a time, so it is written as a blank.
void LogLine(const std::string& text);
// Closes the log; later lines are dropped.
void CloseInstallLog();
bool InstallLogIsOpen();

// Opens the log a log switch asks for and gives its path ("" when none could be opened).
// `value` (the text after "/L:"), when not empty, is opened as OpenInstallLog does: the
// administrator named that file. Otherwise a new file in `tempFolder` (ending in "\")
// named `prefix` + " YYYY-MM-DD #nnn.txt", created only if that name is free, with the
// lowest number from 001 on (past 999 the number grows a digit): an earlier log is never
// overwritten, and a file or link another process places under a name between the test
// and the opening is never written through, which matters in an elevated process.
std::string OpenRequestedLog(const std::string& value, const std::string& tempFolder,
                             const std::string& prefix);

}  // namespace wb
