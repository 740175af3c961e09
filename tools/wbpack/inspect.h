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

// The index of the entry named exactly "setup.pck", or -1.
long FindInnerPackage(const PackageImage& image);

// Every problem of the Package, one line each ("entry \"NAME\": reason"); empty when whole.
// Checks the directory, each entry's data and, for an entry "setup.pck", the inner Package.
std::vector<std::string> VerifyPackageImage(const uint8_t* data, size_t size, bool inner);

}  // namespace wb
