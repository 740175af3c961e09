// Test program: runs the installation step that unpacks a temporary setup folder's inner
// setup.pck into an installation folder, as the installer does, and prints the result.
//   package_probe TEMPDIR INSTALLDIR NOCOPYEXT
#include <cstdio>

#include "install/package_files.h"
#include "state/setup_state.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    wb::Setup.TempDir = argv[1];
    wb::Setup.InstallDir = argv[2];
    wb::Setup.NoCopyExt = argv[3];
    const unsigned code = wb::InstallPackageFiles(false);
    std::printf("code=%u flag=%d\n", code, wb::Setup.PackageDamaged);
    return code == 0 ? 0 : 1;
}
