// Shell and system folders: the folders that special-folder codes and Path macros name.
#pragma once

#include <string>

namespace wb {

// File-system path of the shell's special folder `csidl`; empty when it has none.
// The result is as the shell gives it (no trailing "\" is added here). A folder whose name
// the ANSI code page cannot carry (a user name in other characters) is given by its short
// name; one that no ANSI path reaches is given as empty, never with "?" in it.
std::string ShellFolderPath(int csidl);
std::string SystemFolderPath();   // the system directory of Windows
std::string WindowsFolderPath();  // the Windows directory
// The user's temporary path, long form where the ANSI code page carries it, else short
// form; empty when no ANSI path reaches it.
std::string TempFolderPath();
std::string CurrentFolderPath();  // the process's current directory

}  // namespace wb
