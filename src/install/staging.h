// Program files reach the installation folder in two steps: every file is unpacked into a
// staging folder on the same volume and checked as it is written, and only when all are
// there are they moved into place with renames. A file that is replaced waits in the
// staging folder until the last rename is done, so any failure up to then can put the
// installation folder back as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_reader.h"

namespace wb {

// One program file of the Package on its way into place.
struct StagedFile {
    std::string Target;      // where it belongs
    std::string Staged;      // its bytes in the staging folder
    std::string Aside;       // where the file it replaces waits while the commit runs
    bool Replaced = false;   // the earlier file is at Aside
    bool Placed = false;     // Staged has been renamed to Target
    bool AtRestart = false;  // Target is held open: Staged replaces it at the next restart
};

// What an installation has changed so far, so that each change can be taken back.
struct StageRun {
    std::string InstallDir;                // ends in "\"
    std::string Folder;                    // the staging folder ("\" at the end) once made
    std::vector<std::string> MadeFolders;  // folders this run created, outermost first
    std::vector<std::string> Folders;      // folders the Package asks for, in its order
    std::vector<StagedFile> Files;
    std::vector<std::string> Pending;      // targets that are replaced at the next restart
};

enum class StageStatus : uint8_t {
    Done,
    Damaged,      // an entry's data is damaged or its name leads out of the folder
    WriteFailed,  // a file or folder could not be written or moved
    DiskFull,     // the volume ran out of room
    InUse,        // a file is held open and its replacement could not be scheduled
    Cancelled,    // the user cancelled the wizard while the files were staged
};

// The installer's exit code for a status.
unsigned ExitCodeFor(StageStatus status) noexcept;

// The bytes the Package's files take on the disk while staged, with what an installation
// adds (the merged Uninstall log, folder records): the staged copies and the files they
// replace exist side by side until the commit ends, so nothing of the old is counted off.
uint64_t RoomNeeded(const PackageReader& reader) noexcept;

// The nearest existing folder along `folder` (itself when it exists); empty when none.
std::string NearestExistingFolder(const std::string& folder);

// Removes the staging folders a killed run left in `installDir` (with their files, among
// them files a restart was to move into place, which then never happens); returns how
// many folders went.
int ClearLeftoverStaging(const std::string& installDir);

// Creates the installation folder (recording what was made) and a fresh, hidden staging
// folder in it, then writes every file entry of `reader` there, decoding and checking each
// block once. Entries whose extension is in `protectedExts` (NoCopyExt format) and whose
// target exists are read past and left alone. Calls the reader's progress callback and
// drains window events after every entry. Stops at the first failure, or when the user
// cancelled the wizard meanwhile (Setup.Cancelled).
StageStatus StagePackage(const PackageReader& reader, const std::string& protectedExts,
                         StageRun& run);

// Creates the Package's folders and renames every staged file into place, moving each file
// it replaces aside first. A target another program holds open is scheduled to be replaced
// at the next restart (Pending); when that cannot be scheduled the status is InUse. On any
// status but Done the caller rolls back.
StageStatus CommitStaged(StageRun& run);

// Takes back everything `run` did: placed files removed, replaced files restored, staged
// files, the staging folder and the folders made by the run removed. Every step is logged,
// then a line that sums up the rollback.
void RollBackStaged(StageRun& run);

// After a commit: deletes the replaced files and the staging folder. Files that still
// wait for a restart, and replaced files the system will not let go of, stay in it until
// the restart removes them.
void EndCommit(StageRun& run);

}  // namespace wb
