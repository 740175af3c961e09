// The one reader of uninstall.dat: the uninstaller, the merge of an earlier installation's
// log and the upgrade's look at an earlier copy all parse the log through it, so they agree
// on what a log says and on what makes one damaged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/pref_file.h"
#include "contract/contract.h"

namespace wb {

// What an Uninstall log holds, key by key as written; nothing is completed or checked
// against the folder it lies in.
struct LogContents {
    bool HasGuid = false;  // Settings holds a GUID key (an empty value counts)
    // Settings
    std::string ProgName, Version, MutexString, ProgDir, ProgExe, GUID, ProgLink, StartMenu,
        DesktopIcon;
    bool NoDelAll = false;  // NoDelAll reads 1
    bool PerUser = false;   // Scope "user"
    // Files and Dirs: F001, F002, ... up to the first key that is missing.
    std::vector<std::string> Files, Dirs;
    // Group StartMenu in the order of kLogLinkKeys (a missing key empty); no entries when
    // the log has no such group.
    std::vector<std::string> Links;
    // Task1 to Task<Number> of group UserTask, in execution order.
    std::vector<std::string> Tasks;
    // Group Language by LogText; HasText tells a missing key from an empty one.
    std::array<std::string, size_t(LogText::Count)> Texts;
    std::array<bool, size_t(LogText::Count)> HasText{};
};

enum class LogRead : uint8_t {
    Ok,
    Missing,       // no such file
    Unreadable,    // it cannot be read, or it is larger than any log an installation writes
    NoSettings,    // no group Settings: not an Uninstall log (an empty file too)
    BadTaskCount,  // UserTask's Number is not a decimal number, exceeds kMostTasks or
                   // the Task records present, or is missing while records are present
};

// Reads `doc`. Every part is filled as far as the log has it, whatever the result; only Ok
// promises that the task records are the ones the installation wrote.
LogRead ReadLogContents(const PrefDocument& doc, LogContents& out);
// The same over a whole file's bytes.
LogRead ReadLogContents(const char* data, size_t length, LogContents& out);
// The same over `folder` + "uninstall.dat" (`folder` ends in "\"), read without disturbing
// the open Preference document.
LogRead ReadLogFile(const std::string& folder, LogContents& out);

}  // namespace wb
