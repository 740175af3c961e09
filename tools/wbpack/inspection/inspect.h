// Reading Packages as the tool sees them: whole images in memory, entry by entry, with the
// installer's own trailer and directory checks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/package_locator.h"
#include "package/package_reader.h"

namespace wb {

struct PackageImage {
    PackageLocation Location;  // where the Package lies, and the certificate table if signed
    PackageTrailer Trailer;
    std::vector<PackageEntry> Entries;
    std::vector<uint32_t> Positions;  // where each file entry's data lies (read in order)
    int32_t TotalSize = 0;
};

// Parses the Package of `data` as the installer finds it (LocatePackage): in front of the
// certificate table of a signed setup, else at the end. A Setup read that fails falls back
// to a standalone Package whose data start is 0, since such a Package may begin with a
// signed program stored as it is. False with a reason when it is none or damaged.
bool ReadPackageImage(const uint8_t* data, size_t size, PackageImage& image,
                      std::string& error, PackageHost host = PackageHost::Setup);

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

// The installer stub's size for list and verify, closing the parenthesis that StubText
// opens: the PE image's own length, then the zero bytes that wbpack put between it and the
// data start so that a signature can follow.
std::string StubSizeText(const PackageLocation& where);
// ", not signed", or where the certificate table lies; judging the certificate is left to
// osslsigncode verify or Windows.
std::string SignatureText(const PackageLocation& where);

// OpenPackage for the tool: as a Setup, falling back (as ReadPackageImage does) to a
// standalone Package with data start 0.
bool OpenPackageAsTool(const std::string& path, PackageHost host);

// The index of the entry named exactly "setup.pck", or -1.
long FindInnerPackage(const PackageImage& image);

// Every problem of the Package, one line each ("entry \"NAME\": reason"); empty when whole.
// Checks the directory, each entry's data and, for an entry "setup.pck", the inner Package.
std::vector<std::string> VerifyPackageImage(const uint8_t* data, size_t size, bool inner);

}  // namespace wb
