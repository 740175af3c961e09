// The Package reader: the one process-wide record of the Package in use, and the
// operations that load its directory from a file or from bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wb {

struct PlatformFile;

// One row of the Package directory, the numbers unchanged from the record.
struct PackageEntry {
    std::string Name;  // relative path, "\" separators; a folder's name ends in "\"
    int32_t Kind = 0;  // 0 folder, 1 file, anything else is passed over
    int32_t Size = 0;
    int32_t PackedSize = 0;
    int32_t DataOffset = 0;
    uint64_t CreationTime = 0;
    uint64_t LastWriteTime = 0;
};

// Called by ExtractPackage after each entry, whatever its kind or outcome.
using PackageProgress = void (*)(const PackageEntry& entry);

// What a file is expected to be. The installer's own executable is a Setup (a signed one
// keeps its Package in front of the certificate table); the inner setup.pck is Standalone
// and always read from its end, since its first entry may be a signed program stored as it is.
enum class PackageHost : uint8_t { Setup, Standalone };

struct PackageReader {
    std::string Path;
    int64_t End = 0;            // where the Package ends in the file (before any certificate table)
    int32_t DirectorySize = 0;  // U
    int32_t DataStart = 0;      // S
    int32_t TotalSize = 0;      // sum of every entry's size: the progress maximum
    PackageProgress Progress = nullptr;
    std::vector<PackageEntry> Entries;
};

// The one Package reader of the process.
extern PackageReader Package;

// The trailer's numbers.
struct PackageTrailer {
    uint32_t DirectorySize = 0;  // U
    uint32_t PackedSize = 0;     // P
    uint32_t DataStart = 0;      // S
};

// Reads the 16 trailer bytes of a file of `fileLength` bytes. False unless the magic is
// "Pack", the file is below 2 GiB, and the directory block and data start lie inside the
// file in front of the trailer.
[[nodiscard]] bool ParsePackageTrailer(const uint8_t* trailer, size_t length, int64_t fileLength,
                                       PackageTrailer& out) noexcept;

// Expands the directory block (P bytes; stored when P == U) and parses its records into
// `entries` and their size sum into `totalSize`. False, with `entries` empty, when the block
// does not unpack to exactly U bytes, the records do not fit U, a file entry's size or
// packed size is negative, the sizes overflow 32 bits, or the file entries' data does not
// fit between the data start and the directory block.
[[nodiscard]] bool ParsePackageDirectory(const uint8_t* block, size_t length,
                                         const PackageTrailer& trailer, int64_t fileLength,
                                         std::vector<PackageEntry>& entries,
                                         int32_t& totalSize);

// Loads the directory of the Package file at `path` into the reader and remembers the
// callback, which ExtractPackage calls after each entry. Returns 1 when the directory was
// loaded, 0 otherwise (the entry list then stays empty). The file is not kept open.
// `host` says where the Package lies (see LocatePackage).
int OpenPackage(const char* path, PackageProgress progress,
                PackageHost host = PackageHost::Setup) noexcept;

// Ends the use of the Package; the entry list stays readable until the next OpenPackage.
void ClosePackage() noexcept;

}  // namespace wb
