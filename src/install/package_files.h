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
// is set), checks every entry's data (CheckPackage), and only when all is whole creates
// the installation folder and unpacks into InstallDir, protecting NoCopyExt. Opened is false only when a setup.pck is there but is not a readable Package;
// a missing setup.pck installs nothing and is Opened with zero counts. Damage or a file not
// opened sets Setup.PackageDamaged.
ExtractResult InstallPackageFiles(bool progress);

}  // namespace wb
