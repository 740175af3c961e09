// Unpacks the program's files from the setup's inner Package into the installation folder.
#include "install/package_files.h"

#include "contract/contract.h"
#include "install/staging.h"
#include "log/install_log.h"
#include "package/package_reader.h"
#include "platform/files.h"
#include "state/setup_state.h"

namespace wb {

InstallProgressHooks InstallProgress;

namespace {

// Advances the wizard's bar by the entry just handled.
void InstallProgressStep(const PackageEntry& entry) {
    Setup.ProgressCount += entry.Size;
    if (InstallProgress.SetPosition) InstallProgress.SetPosition(Setup.ProgressCount);
}

// True when the volume of `installDir` has room for the whole staged installation; the
// figures go to Setup for the wizard's message. A volume that cannot tell is let through:
// a disk that fills up anyway is still rolled back.
bool RoomIsEnough(const std::string& installDir) {
    Setup.RoomNeeded = int64_t(RoomNeeded(Package));
    Setup.RoomFree = -1;
    std::string volume = NearestExistingFolder(installDir);
    // A share's name needs its closing "\"; any folder takes one.
    if (!volume.empty() && volume.back() != '\\') volume += '\\';
    uint64_t free = 0;
    if (volume.empty() || !VolumeFreeBytes(volume.c_str(), free)) {
        LogLine("The free space of " + installDir + " is not known; installing");
        return true;
    }
    Setup.RoomFree = int64_t(free);
    if (free >= uint64_t(Setup.RoomNeeded)) return true;
    LogLine("Not enough room for " + installDir + ": " + std::to_string(Setup.RoomNeeded) +
            " bytes needed, " + std::to_string(free) + " free: nothing installed");
    return false;
}

}  // namespace

unsigned InstallPackageFiles(bool progress) {
    std::string installDir = Setup.InstallDir;
    for (char& c : installDir) {
        if (c == '/') c = '\\';
    }
    if (!installDir.empty() && installDir.back() != '\\') installDir += '\\';

    const std::string pck = Setup.TempDir + "setup.pck";
    if (!OpenPackage(pck.c_str(), progress ? InstallProgressStep : nullptr,
                     PackageHost::Standalone)) {
        ClosePackage();
        // A setup without program files is legitimate; an unreadable one is not.
        if (PathExists(pck.c_str())) {
            Setup.PackageDamaged = 1;
            LogLine("The program files (setup.pck) are damaged: nothing installed");
            return kExitDamaged;
        }
        if (!installDir.empty() && !FolderExists(installDir.c_str())) CreateFolderPath(installDir);
        return kExitOk;
    }
    // A killed run's leftovers are the installer's own and take room the check counts on.
    ClearLeftoverStaging(installDir);
    if (!RoomIsEnough(installDir)) {
        ClosePackage();
        return kExitDiskFull;
    }
    if (progress) {
        Setup.ProgressCount = 0;
        if (InstallProgress.SetMaximum) InstallProgress.SetMaximum(Package.TotalSize);
    }
    Setup.InstalledBytes = Package.TotalSize;
    StageRun run;
    run.InstallDir = installDir;
    StageStatus status = StagePackage(Package, Setup.NoCopyExt, run);
    ClosePackage();
    if (status == StageStatus::Done) status = CommitStaged(run);
    if (status != StageStatus::Done) {
        if (status == StageStatus::Damaged) Setup.PackageDamaged = 1;
        RollBackStaged(run);
        return ExitCodeFor(status);
    }
    EndCommit(run);
    if (!run.Pending.empty()) {
        Setup.Reboot = 1;
        LogLine(std::to_string(run.Pending.size()) +
                " files in use are replaced at the next restart");
    }
    return kExitOk;
}

}  // namespace wb
