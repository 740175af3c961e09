// Unpacks the program's files from the setup's inner Package into the installation folder.
#include "install/package_files.h"

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
    if (!installDir.empty() && !FolderExists(installDir.c_str())) CreateFolderPath(installDir);

    ExtractResult result;
    const std::string pck = Setup.TempDir + "setup.pck";
    if (!OpenPackage(pck.c_str(), progress ? InstallProgressStep : nullptr)) {
        ClosePackage();
        // A setup without program files is legitimate; an unreadable one is not.
        result.Opened = !PathExists(pck.c_str());
        if (!result.Opened) Setup.PackageDamaged = 1;
        return result;
    }
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
