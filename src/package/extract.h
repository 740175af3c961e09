// Writing the entries of an open Package below a target folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "package/package_reader.h"

namespace wb {

// What became of one entry.
enum class EntryOutcome : uint8_t {
    Written,   // created or replaced with the entry's bytes and times
    Kept,      // protected: its data was consumed, the file at the target left alone
    Failed,    // the target could not be created, written or closed; no partial file is left
    Damaged,   // data missing or not decoding to the stated size and checksum: not written
    Refused,   // a name that would land outside the target folder: not written
};

// The sum of an extraction.
struct ExtractResult {
    bool Opened = false;  // the Package file could be read; false means nothing was tried
    int Damaged = 0;      // entries damaged or refused
    int Failed = 0;       // entries whose target could not be created, written or closed
};

// Turns an entry's stored name into the name it gets below the target (for instance the
// host's spelling of a name in the setup's code page). Unset, names are used as stored.
struct EntryNameMap {
    std::string (*Map)(const std::string& stored, const void* context) = nullptr;
    const void* Context = nullptr;
};

// Told what became of each file entry (not folders): the path it was written to (or would
// have been; the stored name when it was refused) and, for Failed, the system's error code.
struct EntryReport {
    void (*Report)(const std::string& path, EntryOutcome outcome, uint32_t error,
                   const void* context) = nullptr;
    const void* Context = nullptr;
};

// Where an extraction stands in the Package file; it lives only while ExtractPackage runs.
struct ExtractCursor {
    PlatformFile* File = nullptr;
    int64_t FileLength = 0;
    int64_t Position = 0;  // read position in File; the data area is read strictly in sequence
    uint32_t Error = 0;    // the system's code for the last Failed outcome
};

// Sets `cursor` at the data start of `reader`'s Package in the open `file`, bounded by the
// Package's end. False when the data start lies beyond it or cannot be reached.
[[nodiscard]] bool StartCursor(const PackageReader& reader, PlatformFile* file,
                               ExtractCursor& cursor);

// Reads a compressed entry's block at the cursor (the cursor moves past it whatever
// happens) and decodes it into `out` (Size bytes and kDecodeSlack zeros). False when the
// data is missing or does not decode to exactly the entry's size with a matching checksum.
[[nodiscard]] bool DecodeEntryBlock(ExtractCursor& cursor, const PackageEntry& entry,
                                    std::unique_ptr<uint8_t[]>& out);

// Writes the entries of `reader` (loaded by OpenPackage) below `target` ("\" appended when
// missing), leaving existing files whose extension is in `protectedExts` (NoCopyExt format)
// alone. Calls the reader's progress callback after every entry (a window's caller drains
// its events there).
// The reader is not changed, so it may be extracted again.
[[nodiscard]] ExtractResult ExtractPackage(const PackageReader& reader, const std::string& target,
                                           const std::string& protectedExts,
                                           const EntryNameMap& names = {},
                                           const EntryReport& report = {});

// Handles one entry during ExtractPackage: consumes its data at the cursor and, when
// `write` is set, writes it as `path`. The whole entry is decoded and checked before the
// target is opened, so a damaged entry never replaces a good file; a write or close that
// fails removes what was written and leaves the system's error code in cursor.Error.
EntryOutcome ExtractEntry(ExtractCursor& cursor, const PackageEntry& entry,
                          const std::string& path, bool write);

// Creates each missing folder along `path`; the last component only when `path` ends in a
// separator. "\" and "/" both separate.
void CreateFolderPath(const std::string& path);

// True when the extension of `name` is one of the protected extensions (case-sensitive).
[[nodiscard]] bool ExtensionIsProtected(const std::string& name, const std::string& protectedExts);

}  // namespace wb
