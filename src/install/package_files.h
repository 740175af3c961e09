// The installation step that unpacks the inner setup.pck into the installation folder.
#pragma once

#include <cstdint>

#include "package/extract.h"

namespace wb {

// The wizard's progress bar, set by the user interface; either may be null.
struct InstallProgressHooks {
    void (*SetMaximum)(int32_t maximum) = nullptr;
    void (*SetPosition)(int32_t position) = nullptr;
};
extern InstallProgressHooks InstallProgress;

// Opens TempDir + "setup.pck" (counting unpacked bytes on the wizard's bar when `progress`
// is set), checks the room on the installation folder's volume, then stages every program
// file, checking each block as it is written, and commits them into InstallDir, protecting
// NoCopyExt. Any failure rolls everything back and gives the exit code of its class: a
// damaged or unreadable setup.pck (Setup.PackageDamaged set), too little room, a write
// failure, a file in use that cannot be scheduled. A missing setup.pck installs nothing
// and succeeds. Files in use that are replaced at the next restart set Setup.Reboot.
unsigned InstallPackageFiles(bool progress);

}  // namespace wb
