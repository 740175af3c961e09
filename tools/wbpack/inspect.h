// Reading Packages as the tool sees them: whole images in memory, entry by entry, with the
// installer's own trailer and directory checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_reader.h"

namespace wb {

struct PackageImage {
    PackageTrailer Trailer;
    std::vector<PackageEntry> Entries;
    std::vector<uint32_t> Positions;  // where each file entry's data lies (read in order)
    int32_t TotalSize = 0;
};

// Parses the Package at the end of `data`. False with a reason when it is none or damaged.
bool ReadPackageImage(const uint8_t* data, size_t size, PackageImage& image,
                      std::string& error);

// The unpacked bytes of file entry `index`. False with a reason when they do not decode to
// the entry's size with a matching checksum.
bool EntryContents(const uint8_t* data, size_t size, const PackageImage& image, size_t index,
                   std::vector<uint8_t>& out, std::string& error);

// The machine an installer stub is built for, from its PE header.
enum class StubArch : uint8_t { Unknown, X86, X64 };

// Reads the machine field of the PE image at the start of `data` (at most `size` bytes).
// Unknown for anything that is not a whole enough PE header of an x86 or x64 program.
StubArch ReadStubArch(const uint8_t* data, size_t size) noexcept;
// "x86", "x64" or "unknown".
const char* StubArchName(StubArch arch) noexcept;
// Parses the --arch value "x86" or "x64"; false for anything else.
bool ParseStubArch(const std::string& text, StubArch& arch) noexcept;

// The index of the entry named exactly "setup.pck", or -1.
long FindInnerPackage(const PackageImage& image);

// Every problem of the Package, one line each ("entry \"NAME\": reason"); empty when whole.
// Checks the directory, each entry's data and, for an entry "setup.pck", the inner Package.
std::vector<std::string> VerifyPackageImage(const uint8_t* data, size_t size, bool inner);

}  // namespace wb
