// Unpacks the program's files from the setup's inner Package into the installation folder.
#include "install/package_files.h"

#include "package/package_check.h"
#include "package/package_reader.h"
#include "platform/files.h"
#include "startup/setup_state.h"

namespace wb {

InstallProgressHooks InstallProgress;

namespace {

// Advances the wizard's bar by the entry just handled.
void InstallProgressStep(const PackageEntry& entry) {
    Setup.ProgressCount += entry.Size;
    if (InstallProgress.SetPosition) InstallProgress.SetPosition(Setup.ProgressCount);
}

}  // namespace

ExtractResult InstallPackageFiles(bool progress) {
    std::string installDir = Setup.InstallDir;
    if (!installDir.empty() && installDir.back() != '\\' && installDir.back() != '/') {
        installDir += '\\';
    }
    const auto createFolder = [&installDir] {
        if (!installDir.empty() && !FolderExists(installDir.c_str())) CreateFolderPath(installDir);
    };

    ExtractResult result;
    const std::string pck = Setup.TempDir + "setup.pck";
    if (!OpenPackage(pck.c_str(), progress ? InstallProgressStep : nullptr,
                     PackageHost::Standalone)) {
        ClosePackage();
        // A setup without program files is legitimate; an unreadable one is not.
        result.Opened = !PathExists(pck.c_str());
        if (!result.Opened) Setup.PackageDamaged = 1;
        if (result.Opened) createFolder();
        return result;
    }
    // Damage anywhere in the program's files stops the run before the first of them is
    // written: half a program that nothing registered could not be removed.
    const int damaged = CheckPackage(Package);
    if (damaged != 0) {
        ClosePackage();
        result.Opened = damaged > 0;
        result.Damaged = damaged > 0 ? damaged : 0;
        Setup.PackageDamaged = 1;
        return result;
    }
    createFolder();
    if (progress) {
        Setup.ProgressCount = 0;
        if (InstallProgress.SetMaximum) InstallProgress.SetMaximum(Package.TotalSize);
    }
    result = ExtractPackage(Package, Setup.InstallDir, Setup.NoCopyExt);
    ClosePackage();
    if (!result.Opened || result.Damaged > 0) Setup.PackageDamaged = 1;
    return result;
}

}  // namespace wb
