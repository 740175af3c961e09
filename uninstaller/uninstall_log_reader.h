// Reading uninstall.dat, the Uninstall log beside the uninstaller: what one installation
// made and every text the uninstaller shows, in the language chosen at installation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/contract.h"

namespace wb {

// The texts of group Language of the log.
struct UninstallTexts {
    std::string Titel, Msg, Version, UninstInfo, DelAll, Error, Mutex, Status, OK, Cancel,
        Ready;
};

// The built-in English texts, used for every key the log lacks (and without a log).
UninstallTexts DefaultUninstallTexts();

struct UninstallLog {
    // Settings
    std::string ProgName, Version, MutexString;
    bool NoDelAll = false;
    bool PerUser = false;  // Scope "user": the entry and associations are the user's
    std::string ProgDir, ProgExe, GUID, ProgLink, StartMenu, DesktopIcon;
    // Files and Dirs as recorded: paths relative to ProgDir.
    std::vector<std::string> Files, Dirs;
    // The links of group StartMenu: Program, AddExe, Help, Homepage, Uninstall.
    std::vector<std::string> StartMenuLinks;
    // Task1 to Task<Number> of group UserTask, in execution order; a missing one is empty.
    std::vector<std::string> Tasks;
    UninstallTexts Texts;
};

enum class LogStatus : uint8_t {
    Ok,
    Missing,  // no uninstall.dat in the folder
    Damaged,  // unreadable, no Settings, no usable ProgDir, a ProgDir that is not this
              // folder, or a task count the records do not bear out (ReadLogFile)
};

// Reads `folder` + "uninstall.dat" (`folder` ends in "\"). The texts are filled in every
// case (defaults where missing); the rest only counts when the result is Ok.
LogStatus ReadUninstallLog(const std::string& folder, UninstallLog& log);

}  // namespace wb
