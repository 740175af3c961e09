// The installation steps that the wizard's and the quiet installation share.
#pragma once

#include <string>

namespace wb {

// Sets InstallDir to `folder` with a trailing "\" and publishes it as the environment
// variable "InstallDir", which every program started later inherits.
void PublishInstallDir(const std::string& folder);
// Stages and commits the inner setup.pck into InstallDir, then removes an earlier copy in
// another folder: kExitOk, or the failure's exit code (kExitDamaged, kExitWriteFailed,
// kExitDiskFull, kExitFileInUse) with everything rolled back; the caller then registers
// nothing.
unsigned InstallProgramFiles(bool progress);
// False, with a log line, when the installation folder lost characters to the ANSI code
// page ("?" where a character was): such a path names another folder or none, so nothing
// may be installed into it.
bool InstallDirUsable();
// The uninstall entry, when there is a shortcut name and uninstall support is on.
void RegisterProgram(const std::string& publisher, const std::string& contact);
// The desktop folder + shortcut name + ".lnk".
std::string DesktopLinkPath();
// The program's shortcut at `linkPath`.
void CreateDesktopShortcut(const std::string& linkPath);
// The Uninstall log (when uninstall support is on), then the setup script.
void CompleteInstallation();
// Install log lines: the installation folder; the script's outcome from Setup.ScriptError.
void LogInstallFolders();
// `ran`: RunScript handed the script to the engine; when not, Setup.ScriptError says why.
void LogScriptOutcome(const std::string& name, bool ran);

}  // namespace wb
