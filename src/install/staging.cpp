// Stage, then commit: the program files go through a staging folder on the installation
// folder's volume, so that a full disk, a damaged block or a file held open never leaves
// half an installation, and an earlier version stays whole until the last rename.
#include "install/staging.h"

#include "contract/contract.h"
#include "log/install_log.h"
#include "package/extract.h"
#include "package/package_format.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/window.h"
#include "state/setup_state.h"

namespace wb {

namespace {

constexpr uint64_t kCluster = 4096;
// The merged Uninstall log and the records an installation adds after the files.
constexpr uint64_t kInstallSlack = 256 * 1024;

uint64_t OnDisk(int64_t size) {
    return size <= 0 ? kCluster : (uint64_t(size) + kCluster - 1) / kCluster * kCluster;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithoutSeparator(std::string folder) {
    while (folder.size() > 3 && IsSeparator(folder.back())) folder.pop_back();
    return folder;
}

std::string ErrorText(uint32_t error) {
    return SystemErrorText(error) + " (" + std::to_string(error) + ")";
}

StageStatus StatusForError(uint32_t error) {
    switch (ClassifyFileError(error)) {
        case FileErrorKind::DiskFull: return StageStatus::DiskFull;
        default: return StageStatus::WriteFailed;
    }
}

// Creates each missing folder along `folder` ("\" at the end), recording each one made.
bool MakeFolderPath(const std::string& folder, StageRun& run) {
    for (size_t i = 0; i < folder.size(); ++i) {
        if (!IsSeparator(folder[i]) || i == 0 || folder[i - 1] == ':') continue;
        const std::string prefix = folder.substr(0, i);
        if (FolderExists(prefix.c_str())) continue;
        if (!FolderCreate(prefix.c_str())) {
            LogLine("Folder FAILED: " + prefix + ": " + ErrorText(FileLastError()));
            return false;
        }
        run.MadeFolders.push_back(prefix);
    }
    return true;
}

// Deletes the files directly in `folder` and then the folder; false when something stayed.
bool RemoveFlatFolder(const std::string& folder) {
    bool clean = true;
    for (const std::string& name : FolderListFiles(folder.c_str())) {
        if (!FileDelete((folder + name).c_str())) clean = false;
    }
    return FolderRemove(WithoutSeparator(folder).c_str()) && clean;
}

bool MakeStagingFolder(StageRun& run) {
    for (uint32_t n = CurrentProcessId() % 100000; n < CurrentProcessId() % 100000 + 100; ++n) {
        const std::string folder = run.InstallDir + kStagingFolderPrefix + DecimalText(n);
        if (PathExists(folder.c_str())) continue;
        if (!FolderCreate(folder.c_str())) break;
        PathSetHidden(folder.c_str());
        run.Folder = folder + "\\";
        return true;
    }
    LogLine("Staging folder FAILED in " + run.InstallDir + ": " + ErrorText(FileLastError()));
    return false;
}

std::string EntryTarget(const StageRun& run, const std::string& name) {
    std::string target = run.InstallDir + name;
    for (char& c : target) {
        if (c == '/') c = '\\';
    }
    return target;
}

// Writes one file entry into the staging folder, or reads past it when it is protected.
StageStatus StageEntry(ExtractCursor& cursor, const PackageEntry& e,
                       const std::string& protectedExts, StageRun& run) {
    const std::string target = EntryTarget(run, e.Name);
    if (ExtensionIsProtected(e.Name, protectedExts) && PathExists(target.c_str())) {
        if (ExtractEntry(cursor, e, target, false) != EntryOutcome::Kept) {
            LogLine("File DAMAGED in the setup: " + target);
            return StageStatus::Damaged;
        }
        LogLine("File kept (protected extension): " + target);
        return StageStatus::Done;
    }
    StagedFile file;
    file.Target = target;
    file.Staged = run.Folder + DecimalText(uint32_t(run.Files.size() + 1), 4);
    file.Aside = file.Staged + ".old";
    cursor.Error = 0;
    switch (ExtractEntry(cursor, e, file.Staged, true)) {
        case EntryOutcome::Written:
        case EntryOutcome::Kept: break;
        case EntryOutcome::Failed:
            LogLine("File FAILED: " + target + " (staged as " + file.Staged + "): " +
                    ErrorText(cursor.Error));
            return StatusForError(cursor.Error);
        case EntryOutcome::Damaged:
        case EntryOutcome::Refused:
            LogLine("File DAMAGED in the setup, not installed: " + target);
            return StageStatus::Damaged;
    }
    run.Files.push_back(std::move(file));
    return StageStatus::Done;
}

// Moves a file held open nowhere else: a rename within the volume, or a failure status.
StageStatus Move(const std::string& from, const std::string& to) {
    if (FileMove(from.c_str(), to.c_str())) return StageStatus::Done;
    const uint32_t error = FileLastError();
    LogLine("Rename FAILED: " + from + " -> " + to + ": " + ErrorText(error));
    return ClassifyFileError(error) == FileErrorKind::InUse ? StageStatus::InUse
                                                            : StatusForError(error);
}

// Puts one staged file in place, moving the file it replaces aside first.
StageStatus PlaceFile(StagedFile& file, StageRun& run) {
    const int64_t existing = PathLength(file.Target.c_str());
    if (existing == -2) {
        LogLine("File FAILED: " + file.Target + " is a folder");
        return StageStatus::WriteFailed;
    }
    if (existing >= 0) {
        if (!FileMove(file.Target.c_str(), file.Aside.c_str())) {
            const uint32_t error = FileLastError();
            if (ClassifyFileError(error) != FileErrorKind::InUse) {
                LogLine("File FAILED: " + file.Target + " could not be replaced: " +
                        ErrorText(error));
                return StatusForError(error);
            }
            file.AtRestart = true;
            run.Pending.push_back(file.Target);
            return StageStatus::Done;
        }
        file.Replaced = true;
    }
    const StageStatus placed = Move(file.Staged, file.Target);
    if (placed != StageStatus::Done) return placed;
    file.Placed = true;
    LogLine("File written: " + file.Target);
    return StageStatus::Done;
}

}  // namespace

unsigned ExitCodeFor(StageStatus status) noexcept {
    switch (status) {
        case StageStatus::Done: return kExitOk;
        case StageStatus::Damaged: return kExitDamaged;
        case StageStatus::WriteFailed: return kExitWriteFailed;
        case StageStatus::DiskFull: return kExitDiskFull;
        case StageStatus::InUse: return kExitFileInUse;
        case StageStatus::Cancelled: return kExitNotInstalled;
    }
    return kExitWriteFailed;
}

uint64_t RoomNeeded(const PackageReader& reader) noexcept {
    uint64_t bytes = kInstallSlack + kCluster;  // the staging folder itself
    for (const PackageEntry& e : reader.Entries) {
        if (e.Kind == int32_t(pck::kKindFile) || e.Kind == int32_t(pck::kKindFolder)) {
            bytes += OnDisk(e.Kind == int32_t(pck::kKindFile) ? e.Size : 0);
        }
    }
    return bytes;
}

std::string NearestExistingFolder(const std::string& folder) {
    std::string f = WithoutSeparator(folder);
    while (!f.empty()) {
        if (FolderExists(f.c_str())) return f;
        size_t cut = f.find_last_of("\\/");
        if (cut == std::string::npos) break;
        f.resize(cut);
        if (f.size() == 2 && f[1] == ':') f += '\\';
    }
    return std::string();
}

int ClearLeftoverStaging(const std::string& installDir) {
    int cleared = 0;
    const size_t prefix = sizeof(kStagingFolderPrefix) - 1;
    for (const FolderEntry& e : FolderListEntries(installDir.c_str())) {
        if (!e.IsFolder || e.IsLink || e.Name.size() <= prefix ||
            !SameTextNoCase(e.Name.substr(0, prefix), kStagingFolderPrefix)) {
            continue;
        }
        const std::string folder = installDir + e.Name + "\\";
        const bool removed = RemoveFlatFolder(folder);
        LogLine((removed ? "Cleared what an interrupted installation left: "
                         : "Could NOT clear what an interrupted installation left: ") + folder);
        cleared += removed ? 1 : 0;
    }
    return cleared;
}

StageStatus StagePackage(const PackageReader& reader, const std::string& protectedExts,
                         StageRun& run) {
    if (!MakeFolderPath(run.InstallDir, run) || !MakeStagingFolder(run)) {
        return StatusForError(FileLastError());
    }
    UniqueFile file(FileOpen(reader.Path.c_str(), FileAccess::Read));
    ExtractCursor cursor;
    if (!file || !StartCursor(reader, file.get(), cursor)) {
        LogLine("The program files (setup.pck) could not be read");
        return StageStatus::Damaged;
    }
    for (const PackageEntry& e : reader.Entries) {
        StageStatus status = StageStatus::Done;
        if (!IsSafeRelativePath(e.Name)) {
            LogLine("File REFUSED (its name leads out of the installation folder): " + e.Name);
            status = StageStatus::Damaged;
        } else if (e.Kind == int32_t(pck::kKindFolder)) {
            run.Folders.push_back(EntryTarget(run, e.Name));
        } else if (e.Kind == int32_t(pck::kKindFile)) {
            status = StageEntry(cursor, e, protectedExts, run);
        }
        if (status != StageStatus::Done) return status;
        if (reader.Progress) reader.Progress(e);
        DrainEvents();
        if (Setup.Cancelled) {
            LogLine("The user cancelled the installation while its files were unpacked");
            return StageStatus::Cancelled;
        }
    }
    return StageStatus::Done;
}

StageStatus CommitStaged(StageRun& run) {
    for (std::string folder : run.Folders) {
        if (!IsSeparator(folder.back())) folder += '\\';
        if (!MakeFolderPath(folder, run)) return StageStatus::WriteFailed;
    }
    for (StagedFile& file : run.Files) {
        const size_t cut = file.Target.find_last_of('\\');
        if (!MakeFolderPath(file.Target.substr(0, cut + 1), run)) return StageStatus::WriteFailed;
    }
    for (StagedFile& file : run.Files) {
        const StageStatus status = PlaceFile(file, run);
        if (status != StageStatus::Done) return status;
    }
    // Scheduled last, so that a refusal (no administrator rights) leaves nothing to undo but
    // what the rollback removes anyway: a move whose staged file is gone does nothing.
    for (StagedFile& file : run.Files) {
        if (!file.AtRestart) continue;
        if (!FileMoveAtRestart(file.Staged.c_str(), file.Target.c_str())) {
            LogLine("File in use: " + file.Target +
                    ", and its replacement at the next restart could NOT be scheduled: " +
                    ErrorText(FileLastError()));
            return StageStatus::InUse;
        }
        LogLine("File in use, replaced at the next restart: " + file.Target);
    }
    return StageStatus::Done;
}

void RollBackStaged(StageRun& run) {
    int removed = 0, restored = 0, lost = 0;
    for (auto it = run.Files.rbegin(); it != run.Files.rend(); ++it) {
        StagedFile& file = *it;
        if (file.Placed) {
            if (FileDelete(file.Target.c_str())) {
                ++removed;
                LogLine("Rolled back: removed " + file.Target);
            } else {
                ++lost;
                LogLine("Rolled back: could NOT remove " + file.Target + ": " +
                        ErrorText(FileLastError()));
            }
            file.Placed = false;
        }
        if (file.Replaced) {
            if (FileMove(file.Aside.c_str(), file.Target.c_str())) {
                ++restored;
                file.Replaced = false;
                LogLine("Rolled back: restored " + file.Target);
            } else {
                ++lost;
                LogLine("Rolled back: could NOT restore " + file.Target + "; it is kept as " +
                        file.Aside + ": " + ErrorText(FileLastError()));
            }
        }
        // Gone, so that a replacement scheduled for the restart finds nothing to move.
        FileDelete(file.Staged.c_str());
    }
    if (!run.Folder.empty() && lost == 0) {
        if (!RemoveFlatFolder(run.Folder)) {
            LogLine("Rolled back: the staging folder " + run.Folder + " could NOT be removed");
        }
        run.Folder.clear();
    }
    int folders = 0;
    for (auto it = run.MadeFolders.rbegin(); it != run.MadeFolders.rend(); ++it) {
        if (FolderRemove(it->c_str())) ++folders;
    }
    run.MadeFolders.clear();
    run.Pending.clear();
    LogLine("Rolled back: " + std::to_string(removed) + " new files removed, " +
            std::to_string(restored) + " replaced files restored, " + std::to_string(folders) +
            " new folders removed" +
            (lost == 0 ? std::string("; the installation folder is as it was")
                       : "; " + std::to_string(lost) + " files could NOT be put back"));
}

void EndCommit(StageRun& run) {
    bool leftOver = !run.Pending.empty();
    for (StagedFile& file : run.Files) {
        if (!file.Replaced) continue;
        // A program that runs may let its file be renamed yet not deleted.
        if (!FileDelete(file.Aside.c_str())) {
            FileDeleteAtRestart(file.Aside.c_str());
            leftOver = true;
        }
        file.Replaced = false;
    }
    if (run.Folder.empty()) return;
    const std::string folder = WithoutSeparator(run.Folder);
    if (!leftOver) {
        FolderRemove(folder.c_str());
    } else {
        // After the moves registered before it, the restart finds the folder empty.
        FileDeleteAtRestart(folder.c_str());
    }
}

}  // namespace wb
