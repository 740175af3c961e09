// The two block methods of a Package and the one entry point that decodes either. A block
// tells its method by its first two bytes; readers that know only JC refuse the others.
#pragma once

#include <cstddef>
#include <cstdint>

#include "blocks/decompress/unpack_block.h"

namespace wb {

enum class BlockMethod : uint8_t { Unknown, Jc, Lzma };

[[nodiscard]] BlockMethod BlockMethodOf(const uint8_t* block, size_t length) noexcept;

// The unpacked size the block's header states, 0 for an unknown method or an LZMA header
// the decoder would refuse (so callers allocate nothing for it).
[[nodiscard]] uint32_t AnyBlockStatedSize(const uint8_t* block, size_t length) noexcept;

// Decodes a block of either method; BadMagic for any other.
[[nodiscard]] UnpackResult UnpackAnyBlockEx(const uint8_t* block, size_t length, uint8_t* out,
                                            size_t capacity) noexcept;

}  // namespace wb
