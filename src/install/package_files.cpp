// Unpacks the program's files from the setup's inner Package into the installation folder.
#include "install/package_files.h"

#include "log/install_log.h"
#include "package/package_check.h"
#include "package/package_reader.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "startup/setup_state.h"

namespace wb {

InstallProgressHooks InstallProgress;

namespace {

// Advances the wizard's bar by the entry just handled.
void InstallProgressStep(const PackageEntry& entry) {
    Setup.ProgressCount += entry.Size;
    if (InstallProgress.SetPosition) InstallProgress.SetPosition(Setup.ProgressCount);
}

// One log line per program file: written, kept because protected, or failed and why.
void LogEntry(const std::string& path, EntryOutcome outcome, uint32_t error, const void*) {
    switch (outcome) {
        case EntryOutcome::Written: LogLine("File written: " + path); break;
        case EntryOutcome::Kept: LogLine("File kept (protected extension): " + path); break;
        case EntryOutcome::Failed:
            LogLine("File FAILED: " + path + ": " + SystemErrorText(error) + " (" +
                    std::to_string(error) + ")");
            break;
        case EntryOutcome::Damaged: LogLine("File DAMAGED in the setup, not written: " + path); break;
        case EntryOutcome::Refused:
            LogLine("File REFUSED (its name leads out of the installation folder): " + path);
            break;
    }
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
        if (!result.Opened) {
            Setup.PackageDamaged = 1;
            LogLine("The program files (setup.pck) are damaged: nothing installed");
        } else {
            createFolder();
        }
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
        LogLine("The program files (setup.pck) are damaged: nothing installed, the "
                "installation folder left as it was");
        return result;
    }
    createFolder();
    if (progress) {
        Setup.ProgressCount = 0;
        if (InstallProgress.SetMaximum) InstallProgress.SetMaximum(Package.TotalSize);
    }
    Setup.InstalledBytes = Package.TotalSize;
    EntryReport report;
    report.Report = LogEntry;
    result = ExtractPackage(Package, Setup.InstallDir, Setup.NoCopyExt, {}, report);
    ClosePackage();
    if (!result.Opened || result.Damaged > 0) Setup.PackageDamaged = 1;
    return result;
}

}  // namespace wb
