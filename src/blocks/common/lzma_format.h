// Layout of the LZMA block, the second block method beside JC. Shared by the installer's
// decoder and the authoring tool's encoder.
//
//   "LZ", unpacked size (u32 LE), CRC-32 (u32 LE), filter (1 byte), LZMA properties
//   (1 byte lc/lp/pb, dictionary size u32 LE), then the LZMA stream without an end mark:
//   it runs to the end of the block. The CRC-32 covers the unpacked bytes and then the six
//   filter and property bytes, so a damaged header cannot pass either.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb::lz {

inline constexpr uint8_t kMagic0 = 0x4C;  // 'L'
inline constexpr uint8_t kMagic1 = 0x5A;  // 'Z'
inline constexpr size_t kSizeOffset = 2;
inline constexpr size_t kCrcOffset = 6;
inline constexpr size_t kFilterOffset = 10;
inline constexpr size_t kPropertiesOffset = 11;
inline constexpr size_t kPropertiesSize = 5;
inline constexpr size_t kHeaderSize = 16;

// What was done to the bytes before LZMA saw them.
inline constexpr uint8_t kFilterNone = 0;
inline constexpr uint8_t kFilterX86 = 1;

// lc, lp and pb packed as (pb * 5 + lp) * 9 + lc; anything from this value on is invalid.
inline constexpr uint8_t kPropertiesLimit = 9 * 5 * 5;
// The largest dictionary a block may ask for. The decoder works in the entry's own output
// buffer, so the dictionary costs it nothing more, but a block that claims more than any
// encoder of ours writes is refused before anything is allocated.
inline constexpr uint32_t kMaxDictionary = 256u << 20;

}  // namespace wb::lz
