// The Uninstall log, uninstall.dat in the installation folder, that the uninstaller
// works from.
#pragma once

namespace wb {

// Completes InstallDir + "uninstall.dat" from the Setup state, the Language table and
// the uninstall records (Setup.UninstallRecords). Nothing is written when Setup.NoUninstall
// is set or Setup.InstallDir is empty. When Setup.ProgLink is empty it becomes ProgExe up
// to its first ".".
void WriteUninstallLog();

}  // namespace wb
