// The LZMA block decoder: the LZMA SDK's decoder behind the checks the installer needs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "blocks/decompress/unpack_block.h"

namespace wb {

// Unpacked size as an LZMA block header states it, or 0 when the block is too short, not
// "LZ", or names an unknown filter, invalid properties or a dictionary above the limit.
// Checked before anything is allocated for the block.
[[nodiscard]] uint32_t LzmaBlockStatedSize(const uint8_t* block, size_t length) noexcept;

// The CRC-32 a block with `header` (its first kHeaderSize bytes, filter and properties
// filled in) carries for the unpacked `data`.
[[nodiscard]] uint32_t LzmaBlockCrc(const uint8_t* data, size_t size,
                                    const uint8_t* header) noexcept;

// Decodes `block` (`length` bytes) into `out` (`capacity` bytes), never reading past the
// block or writing past the capacity. Succeeds only when the stream gives exactly the
// stated size and the CRC-32 of the result (after the filter is undone) matches.
[[nodiscard]] UnpackResult UnpackLzmaBlockEx(const uint8_t* block, size_t length, uint8_t* out,
                                             size_t capacity) noexcept;

}  // namespace wb
