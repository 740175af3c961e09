// /P and /S folders named in characters the ANSI code page lacks.
#include "startup/folder_switch.h"

#include <vector>

#include "log/install_log.h"
#include "platform/ansi_path.h"
#include "platform/files.h"
#include "platform/process.h"
#include "startup/command_line.h"
#include "state/setup_state.h"

namespace wb {
namespace {

std::vector<std::string> g_made;  // ANSI paths, outermost first
std::string g_problem;

// `why` for the wizard's message; the log names the folder too (in UTF-8, every
// character kept, which the code page of a message box would not show).
bool Refuse(const std::string& why, const std::string& name) {
    g_problem = why;
    LogLine(why + " (" + name + ", UTF-8): nothing is installed");
    return false;
}

}  // namespace

bool ReachFolderSwitches() {
    g_problem.clear();
    const bool folderLost = PathLostCharacters(Setup.CmdProgDir);
    const bool menuLost = PathLostCharacters(Setup.CmdStartMenu);
    if (!folderLost && !menuLost) return true;
    // The same switches read with every character kept.
    SetupState real;
    ParseCommandLine(ProcessCommandLineUtf8(), real);
    if (menuLost) {
        return Refuse("The Start-menu folder of /S cannot be written in this system's code page",
                      real.CmdStartMenu);
    }
    const std::string reached = FolderCreateReachable(real.CmdProgDir, g_made);
    if (reached.empty()) {
        return Refuse("The installation folder of /P cannot be used: it cannot be made, or no "
                      "path in this system's code page reaches it (no short name on its drive)",
                      real.CmdProgDir);
    }
    const bool slash = !Setup.CmdProgDir.empty() && Setup.CmdProgDir.back() == '\\';
    Setup.CmdProgDir = reached + (slash && reached.back() != '\\' ? "\\" : "");
    LogLine("The installation folder of /P (" + real.CmdProgDir +
            ", UTF-8) holds characters this system's code page lacks: it is used by its "
            "short name " + Setup.CmdProgDir);
    return true;
}

void RemoveEmptySwitchFolders() {
    for (auto it = g_made.rbegin(); it != g_made.rend(); ++it) {
        if (FolderListEntries(it->c_str()).empty()) FolderRemove(it->c_str());
    }
    g_made.clear();
}

const std::string& FolderSwitchProblem() { return g_problem; }

}  // namespace wb
