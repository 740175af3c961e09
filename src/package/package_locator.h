// Finding the Package inside a file: at the file's end, or, in an Authenticode-signed
// setup, just before the certificate table that signing appends.
//
//   unsigned setup or setup.pck:  [ stub ][ data | directory | trailer ]                 end
//   signed setup:                 [ stub ][ data | directory | trailer ][ 0-7 zeros ][ certificate table ]
//                                                                       ^ Package end  ^ security entry's offset
//
// The signature covers the bytes before the table only, so in a signed setup nothing at
// or after the table's offset is ever read, whatever it looks like.
#pragma once

#include <cstdint>

#include "package/package_reader.h"

namespace wb {

// Reads `count` bytes at `position` of the file; false when they are not all there.
struct ByteSource {
    bool (*Read)(const void* context, uint32_t position, void* into, uint32_t count) = nullptr;
    const void* Context = nullptr;
    int64_t Length = 0;
};

struct PackageLocation {
    int64_t End = 0;             // where the Package's trailer ends
    PackageTrailer Trailer;      // checked against End
    bool Signed = false;         // the PE security entry names a certificate table
    uint32_t TableOffset = 0;    // the certificate table, when Signed
    uint32_t TableSize = 0;
    uint64_t ImageEnd = 0;       // end of a PE file's headers and sections; 0 for no PE
};

// What a file's PE headers say of its certificate table (the security directory entry).
enum class PeKind : uint8_t { NotPe, Inconsistent, Unsigned, Signed };

struct PeFacts {
    uint64_t ImageEnd = 0;     // end of the headers and of every section's raw data
    uint32_t TableOffset = 0;  // the certificate table, when Signed
    uint32_t TableSize = 0;
};

// Reads the PE headers of `file` as untrusted input. NotPe without "MZ"; Inconsistent when
// a header or the section table is cut short or lies outside the file, the optional
// header's magic is unknown, or the security entry names a table of offset or size 0, one
// inside the executable image or one running past the end of the file; Signed when it
// names a table after the image and inside the file; Unsigned otherwise.
[[nodiscard]] PeKind ReadPe(const ByteSource& file, PeFacts& facts) noexcept;
// The same over bytes in memory; NotPe for null data.
[[nodiscard]] PeKind ReadPeInMemory(const uint8_t* data, size_t size, PeFacts& facts) noexcept;

// Finds the Package of `file`. False ("not a Package") when there is none where it must
// be, or when a PE header of a Setup is inconsistent: headers or the section table cut
// short or outside the file, an unknown optional-header magic, a certificate table with an
// offset or size of 0, one that starts inside the executable image or runs past the end
// of the file, or more than 7 bytes (or non-zero bytes) between the trailer and the table.
// A Setup that is no PE file at all, or one without a security entry, is read from its end.
[[nodiscard]] bool LocatePackage(const ByteSource& file, PackageHost host,
                                 PackageLocation& out) noexcept;

// The same over bytes in memory.
[[nodiscard]] bool LocatePackageInMemory(const uint8_t* data, size_t size, PackageHost host,
                                         PackageLocation& out) noexcept;

}  // namespace wb
