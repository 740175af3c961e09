// Byte layout of a Package (trailer, directory, entry record), shared by the installer's
// reader and the authoring tool's writer.
//
//   [ executable part, absent in a standalone setup.pck ]
//   data area        at S: each file entry's bytes (stored, or one JC block), in order
//   directory block  at L - 16 - P: P bytes, one JC block of U bytes, stored when P == U
//   trailer          at L - 16: U, P, S (u32 LE each), then "Pack"
//
//   directory: entry count N (u32 LE), then N records of
//     name bytes, NUL, kind, size, packed size, data offset,
//     creation time low, high, last-write time low, high      (u32 LE each)
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"

namespace wb::pck {

inline constexpr size_t kTrailerSize = 16;
inline constexpr size_t kTrailerDirSize = 0;     // U, from the start of the trailer
inline constexpr size_t kTrailerPackedSize = 4;  // P
inline constexpr size_t kTrailerDataStart = 8;   // S
inline constexpr size_t kTrailerMagic = 12;
inline constexpr uint8_t kMagic[4] = {0x50, 0x61, 0x63, 0x6B};  // "Pack"

inline constexpr size_t kCountSize = 4;
// The eight numbers after the name's NUL.
inline constexpr size_t kRecordNumbersSize = 32;
// Smallest record: an empty name (just its NUL) and the numbers.
inline constexpr size_t kMinRecordSize = 1 + kRecordNumbersSize;

inline constexpr uint32_t kKindFolder = 0;
inline constexpr uint32_t kKindFile = 1;

// Every position and size is a signed 32-bit value, so a Package file stays below 2 GiB.
inline constexpr int64_t kMaxPackageLength = 0x7FFFFFFF;
// Largest unpacked directory the reader accepts; about a million entries with long names.
inline constexpr uint32_t kMaxDirectorySize = 64u * 1024 * 1024;
// A decode buffer has this many spare zero bytes after the expected size.
inline constexpr size_t kDecodeSlack = 8;

using wb::ReadLe32;

inline void WriteLe32(uint8_t* p, uint32_t v) noexcept {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

}  // namespace wb::pck
