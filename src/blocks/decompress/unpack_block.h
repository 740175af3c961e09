// The JC block decoder, the installer's own decompressor (LZMA blocks: unpack_lzma.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb {

// Why a block did not decode. UnpackBlock folds all of these into a result of 0.
enum class UnpackStatus : uint8_t {
    Ok,
    NoInput,             // missing block or output buffer, or a block shorter than its header
    BadMagic,            // the block does not begin with "JC"
    Truncated,           // the stream ran out before its end code
    OutputFull,          // the stream produces more than the capacity
    DistanceZero,        // a copy with distance 0
    DistanceTooFar,      // a copy reaching before the start of the output
    BadOffsetBits,       // an offset-bits code giving 0 or more than 31 bits
    LiteralBeforeWidth,  // a literal before any literal-width code
    ChecksumMismatch,    // the output's checksum differs from the header's
    SizeMismatch,        // the end code came after more or fewer bytes than the header states
    BadProperties,       // LZMA: an unknown filter, invalid lc/lp/pb or a dictionary too large
    StreamDamaged,       // LZMA: the stream does not decode
};

struct UnpackResult {
    uint32_t size;  // bytes produced (also on failure: what was decoded so far)
    UnpackStatus status;
};

// Decodes `block` (`length` bytes) into `out` (`capacity` bytes). Never reads past the
// block or writes past the capacity. Only whole 32-bit words after the header belong to the
// stream (1 to 3 trailing bytes are ignored). Succeeds only when the stream reaches its end
// code, produces exactly the unpacked size of the header, and (when the header's checksum is
// not 0) the checksum of the output matches. A null block or output returns NoInput.
[[nodiscard]] UnpackResult UnpackBlockEx(const uint8_t* block, size_t length, uint8_t* out,
                                         size_t capacity) noexcept;

// Bytes produced, or 0 on any failure.
[[nodiscard]] uint32_t UnpackBlock(const uint8_t* block, size_t length, uint8_t* out,
                                   size_t capacity) noexcept;

// The block checksum over `length` bytes (0 for fewer than 4 bytes).
[[nodiscard]] uint32_t BlockChecksum(const uint8_t* data, size_t length) noexcept;

// Unpacked size as the block header states it, or 0 for a block too short or not "JC".
[[nodiscard]] uint32_t BlockStatedSize(const uint8_t* block, size_t length) noexcept;

}  // namespace wb
