// The folders of /P and /S when their names hold characters the ANSI code page lacks: the
// command line as the ANSI interfaces give it has "?" in their place.
#pragma once

#include <string>

namespace wb {

// Leaves Setup.CmdProgDir as it is when the code page carries it. Otherwise the folder is
// made under its real name (read from the UTF-8 command line) and Setup.CmdProgDir becomes
// the path that reaches it (its short name). False, with a log line, when that is not
// possible (short names switched off on its volume, a relative name, a folder that cannot
// be made): nothing of it is left then. A /S folder the code page cannot carry is refused
// the same way, since its parent is not known yet.
bool ReachFolderSwitches();

// Removes the folders ReachFolderSwitches made, innermost first, where they stayed empty:
// a run that installed nothing there leaves nothing there.
void RemoveEmptySwitchFolders();

// Why ReachFolderSwitches refused, for the wizard's message; empty when it did not.
const std::string& FolderSwitchProblem();

}  // namespace wb
