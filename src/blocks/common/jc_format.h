// Constants of the JC block format that the encoder and the decoder must agree on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb::jc {

// Header: "JC", unpacked size (u32 LE), checksum (u32 LE); then the stream as u32 LE words.
inline constexpr uint8_t kMagic0 = 0x4A;  // 'J'
inline constexpr uint8_t kMagic1 = 0x43;  // 'C'
inline constexpr size_t kHeaderSize = 10;
inline constexpr size_t kSizeOffset = 2;
inline constexpr size_t kChecksumOffset = 6;
inline constexpr size_t kWordSize = 4;

// Decoder state at the start of a stream.
inline constexpr uint32_t kInitialLastOffset = 1;
inline constexpr unsigned kInitialOffsetBits = 8;
inline constexpr unsigned kMaxOffsetBits = 31;

// Code prefixes, in reading order: 1 literal, 01 normal match, 000 short match, 001 single.
inline constexpr uint32_t kPrefixLiteral = 0x1;      // 1 bit
inline constexpr uint32_t kPrefixMatch = 0x1;        // 2 bits: 0,1
inline constexpr uint32_t kPrefixShort = 0x0;        // 3 bits: 0,0,0
inline constexpr uint32_t kPrefixSingle = 0x1;       // 3 bits: 0,0,1
inline constexpr unsigned kPrefixLiteralBits = 1;
inline constexpr unsigned kPrefixMatchBits = 2;
inline constexpr unsigned kPrefixShortBits = 3;
inline constexpr unsigned kPrefixSingleBits = 3;

// Normal match: gamma 2 repeats the last offset; gamma g >= 3 carries (g - 3) as the high
// part of the distance above the offset low bits.
inline constexpr uint32_t kGammaRepeat = 2;
inline constexpr uint32_t kGammaDistanceBase = 3;

// Short match: 7-bit distance, 2-bit length - 2. Distance 0 is the end code (n = 0) or the
// offset-bits code (n = 1..3, followed by n + 3 bits).
inline constexpr unsigned kShortDistanceBits = 7;
inline constexpr unsigned kShortLengthBits = 2;
inline constexpr uint32_t kShortMaxDistance = 127;
inline constexpr uint32_t kShortMinLength = 2;
inline constexpr uint32_t kShortMaxLength = 5;

// Single-byte code: 4-bit v; v >= 2 copies from distance v - 1, v = 1 is a zero byte,
// v = 0 is followed by one bit: 1 raw run, 0 literal-width code.
inline constexpr unsigned kSingleBits = 4;
inline constexpr uint32_t kSingleMaxDistance = 14;
inline constexpr uint32_t kSingleZero = 1;
inline constexpr uint32_t kSingleEscape = 0;
inline constexpr uint32_t kRawRunBytes = 256;
inline constexpr unsigned kLiteralBaseBits = 8;

// Distance thresholds of the length adjustment of normal matches with an explicit distance.
inline constexpr uint32_t kAdjustLimit4 = 127;    // 1..127 add 4
inline constexpr uint32_t kAdjustLimit0 = 638;    // 128..638 add 0
inline constexpr uint32_t kAdjustLimit1 = 14334;  // 639..14334 add 1
inline constexpr uint32_t kAdjustLimit2 = 65535;  // 14335..65535 add 2, above add 3

// What a normal match at `distance` adds to its coded length.
constexpr uint32_t LengthAdjust(uint64_t distance) noexcept {
    return distance <= kAdjustLimit4   ? 4
           : distance <= kAdjustLimit0 ? 0
           : distance <= kAdjustLimit1 ? 1
           : distance <= kAdjustLimit2 ? 2
                                       : 3;
}

// Bits of the gamma code of v (v >= 2): one value bit and one continuation bit per bit
// below the leading one.
constexpr unsigned GammaBits(uint64_t v) noexcept {
    unsigned n = 0;
    while (v > 1) {
        v >>= 1;
        n += 2;
    }
    return n;
}

}  // namespace wb::jc
