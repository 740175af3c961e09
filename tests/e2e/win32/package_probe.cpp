// Test program: runs the installation step that unpacks a temporary setup folder's inner
// setup.pck into an installation folder, as the installer does, and prints the result.
//   package_probe TEMPDIR INSTALLDIR NOCOPYEXT
#include <cstdio>

#include "install/package_files.h"
#include "startup/setup_state.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    wb::Setup.TempDir = argv[1];
    wb::Setup.InstallDir = argv[2];
    wb::Setup.NoCopyExt = argv[3];
    wb::ExtractResult result = wb::InstallPackageFiles(false);
    std::printf("opened=%d damaged=%d failed=%d flag=%d\n", result.Opened ? 1 : 0,
                result.Damaged, result.Failed, wb::Setup.PackageDamaged);
    return result.Opened && result.Damaged == 0 && result.Failed == 0 ? 0 : 1;
}
