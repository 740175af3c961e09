// The quiet installation sequence.
#include "install/install_sequence.h"

#include "config/setup_description.h"
#include "install/package_files.h"
#include "platform/process.h"
#include "startup/setup_state.h"
#include "startup/startup.h"

namespace wb {

unsigned InstallQuietly() {
    LoadSetupDescription();
    Setup.InstallDir = Setup.ProgDirDefault;
    if (!Setup.InstallDir.empty() && Setup.InstallDir.back() != '\\') Setup.InstallDir += '\\';
    SetProcessEnvironment("InstallDir", Setup.InstallDir.c_str());
    Setup.StartProg = 0;

    unsigned exitCode = kExitOk;
    ExtractResult files = InstallPackageFiles(false);
    if (!files.Opened || files.Damaged > 0) return kExitDamaged;
    if (files.Failed > 0) exitCode = kExitWriteFailed;
    return exitCode;
}

}  // namespace wb
