// Files and folders: every file-system call of the installer goes through here, so
// that native builds (tests, the authoring tool) run the same logic on the host's files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wb {

struct PlatformFile;  // opaque; a HANDLE on Windows, a descriptor elsewhere

enum class FileAccess : uint8_t {
    Read,              // existing file, others may read too
    ReadWrite,         // existing file, others may read too
    CreateAlways,      // write; replaces an existing file, others may read
    TruncateExisting,  // write; existing file cut to 0 bytes
    CreateNew,         // write; a new file only: fails when the name exists (nothing opened)
};

// Opens a file; nullptr on failure. Paths use "\" separators (the native build maps them).
[[nodiscard]] PlatformFile* FileOpen(const char* path, FileAccess access) noexcept;
// Closes and releases the file. False when the system reports an error on closing (data
// written before may then be lost) or `file` is null; the file is released either way.
bool FileClose(PlatformFile* file) noexcept;

// Reads exactly `count` bytes; false on error or a short read.
[[nodiscard]] bool FileRead(PlatformFile* file, void* buffer, uint32_t count) noexcept;
// Writes all `count` bytes; false on error.
[[nodiscard]] bool FileWrite(PlatformFile* file, const void* data, uint32_t count) noexcept;
// Moves to an absolute position; false on error.
[[nodiscard]] bool FileSeek(PlatformFile* file, uint32_t position) noexcept;
// Cuts the file at the current position.
bool FileTruncateHere(PlatformFile* file) noexcept;
// Length of an open file, -1 on error.
int64_t FileLength(PlatformFile* file) noexcept;
// Sets creation and last-write time (Windows file times); the native build sets only
// the modification time, as the host has no settable creation time.
bool FileSetTimes(PlatformFile* file, uint64_t creation, uint64_t lastWrite) noexcept;
// Reads creation and last-write time of an open file.
bool FileGetTimes(PlatformFile* file, uint64_t& creation, uint64_t& lastWrite) noexcept;

// The system's code for why the last file call of this thread failed (GetLastError, errno
// natively); read it before anything else can overwrite it. 0 when none is known.
uint32_t FileLastError() noexcept;

// Length of the file at `path`: -1 when it does not exist, -2 when it is a folder.
int64_t PathLength(const char* path) noexcept;
// True when a file or folder of exactly this name exists.
bool PathExists(const char* path) noexcept;
bool FolderExists(const char* path) noexcept;
// Creates one folder (its parent must exist); false on failure or when it exists.
bool FolderCreate(const char* path) noexcept;
bool FolderRemove(const char* path) noexcept;
// Makes the folder `utf8Path` (UTF-8, a full path with "\" separators; missing parents too)
// under its real name, which the ANSI code page need not carry, and gives the ANSI path
// that reaches it: the path itself, or its short form where the code page lacks a
// character. The folders it made are added to `made` as such paths, outermost first, so
// that a run which ends without installing can remove them. Empty when a folder cannot be
// made or no ANSI path reaches it (short names switched off on its volume); what it made
// is then removed again and `made` stays as it was.
std::string FolderCreateReachable(const std::string& utf8Path, std::vector<std::string>& made);
bool FileDelete(const char* path) noexcept;
// Copies a whole file, replacing `destination` when it exists; false on failure.
bool FileCopy(const char* source, const char* destination) noexcept;
// Renames a file within one volume; `to` must not exist. The way an installation puts
// files in place and takes them back, so nothing is half written at any moment.
bool FileMove(const char* from, const char* to) noexcept;
// Has the system move `from` onto `to` (replacing it) at the next restart. On Windows
// only administrators may; false where the system refuses or has no such thing.
bool FileMoveAtRestart(const char* from, const char* to) noexcept;
// Marks a file or folder hidden, where the system knows the attribute.
bool PathSetHidden(const char* path) noexcept;
// The bytes this user may still write on the volume holding `folder` (which must exist);
// false when the system cannot tell.
bool VolumeFreeBytes(const char* folder, uint64_t& bytes) noexcept;

// Why a file call failed, from a FileLastError code.
enum class FileErrorKind : uint8_t {
    Other,
    DiskFull,  // the volume has no room left
    InUse,     // another program holds the file open without sharing it
};
FileErrorKind ClassifyFileError(uint32_t error) noexcept;

// Names of the plain files directly in `folder` (no sub-folders, no "." or "..").
std::vector<std::string> FolderListFiles(const char* folder);

// One entry of a folder listing. A link (symbolic link, junction, mount point) is marked
// as such, so that removing a tree deletes the link and never what it points to.
struct FolderEntry {
    std::string Name;
    bool IsFolder = false;
    bool IsLink = false;
};
// Everything directly in `folder` but "." and ".."; empty when it cannot be read.
std::vector<FolderEntry> FolderListEntries(const char* folder);

// Move-only owner of an open file.
class UniqueFile {
public:
    UniqueFile() noexcept = default;
    explicit UniqueFile(PlatformFile* f) noexcept : file_(f) {}
    UniqueFile(UniqueFile&& o) noexcept : file_(o.release()) {}
    UniqueFile& operator=(UniqueFile&& o) noexcept { reset(o.release()); return *this; }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;
    ~UniqueFile() { reset(); }
    PlatformFile* get() const noexcept { return file_; }
    explicit operator bool() const noexcept { return file_ != nullptr; }
    PlatformFile* release() noexcept { PlatformFile* f = file_; file_ = nullptr; return f; }
    void reset(PlatformFile* f = nullptr) noexcept { if (file_) FileClose(file_); file_ = f; }
    // Closes the file now; false when closing failed or nothing was held.
    bool close() noexcept { return FileClose(release()); }
private:
    PlatformFile* file_ = nullptr;
};

}  // namespace wb
