// The Uninstall log, uninstall.dat in the installation folder, that the uninstaller
// works from.
#pragma once

namespace wb {

// Completes InstallDir + "uninstall.dat" from the Setup state, the Language table and
// the uninstall records.
void WriteUninstallLog();

}  // namespace wb
