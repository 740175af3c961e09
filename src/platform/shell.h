// Shell and system folders: the folders that special-folder codes and Path macros name.
#pragma once

#include <string>

namespace wb {

// File-system path of the shell's special folder `csidl`; empty when it has none.
// The result is as the shell gives it (no trailing "\" is added here).
std::string ShellFolderPath(int csidl);
std::string SystemFolderPath();   // the system directory of Windows
std::string WindowsFolderPath();  // the Windows directory
std::string TempFolderPath();     // the user's temporary path, long form where available
std::string CurrentFolderPath();  // the process's current directory

}  // namespace wb
