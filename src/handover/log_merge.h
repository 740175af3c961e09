// Upgrades and reinstalls: the records of the Uninstall log an earlier installation of the
// same program left in the installation folder are kept in the new log, so that one
// removal takes away what every version installed. The Package's own uninstall.dat
// replaces the earlier file when the program files are unpacked, so the earlier log is read
// before that and merged when the new log is written.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "handover/log_reader.h"

namespace wb {

// What the new log must add so that nothing of `earlier` is forgotten: files and folders it
// does not list, and earlier links and task records it does not repeat (an earlier link
// that is not among the new links becomes a shortcut record of its kind). Names compare
// without regard to letter case, as the file system does.
struct LogAdditions {
    std::vector<std::string> Files, Dirs, Tasks;
};
LogAdditions EarlierOnly(const LogContents& earlier, const LogContents& current);

// Keeps a merged log within what the uninstaller reads (kMostLogNumbered files and folders,
// kMostTasks records; one record more and it calls the log damaged and removes nothing).
// `files` and `dirs` are the counts the new log lists itself; `tasks` are its own records,
// of which repeats are dropped. This installation's records come first: the earlier ones
// of `add` fill the room that is left. Returns what does not fit, for the install log.
LogAdditions FitWithinReadLimits(size_t files, size_t dirs, std::vector<std::string>& tasks,
                                 LogAdditions& add);

// `records` without what could lead out of `folder` (ending in "\"): Start-menu links,
// the desktop shortcut, registry, association and registration records, and path records
// outside the folder. Files and Dirs stay (the uninstaller takes only safe relative names
// from them). Gives the number of records dropped.
size_t KeepInsideFolder(LogContents& records, const std::string& folder);

// Installer side. RememberEarlierLog reads `folder` + "uninstall.dat" (`folder` ends in
// "\") before the program files are unpacked over it; MergeEarlierLog, called with the new
// log as the open Preference document after the installer's keys are written, adds what
// the earlier log of the same GUID recorded. A log without a GUID, of another GUID, or
// one that ReadLogFile finds damaged (no Settings, a task count its records do not bear
// out) is left out, and what it lists stays on removal; the install log names the other
// GUID or the damage.
// With `trusted` false (an elevated run over a log that ordinary users could have written)
// only the records that stay inside `folder` are taken: its files and folders, and the
// shortcut and file records whose path lies inside it; the install log names what was
// refused.
void RememberEarlierLog(const std::string& folder, bool trusted = true);
void MergeEarlierLog(const std::string& guid);

}  // namespace wb
