#include "blocks/decompress/block_method.h"

#include "blocks/common/jc_format.h"
#include "blocks/common/lzma_format.h"
#include "blocks/decompress/unpack_lzma.h"

namespace wb {

BlockMethod BlockMethodOf(const uint8_t* block, size_t length) noexcept {
    if (!block || length < 2) return BlockMethod::Unknown;
    if (block[0] == jc::kMagic0 && block[1] == jc::kMagic1) return BlockMethod::Jc;
    if (block[0] == lz::kMagic0 && block[1] == lz::kMagic1) return BlockMethod::Lzma;
    return BlockMethod::Unknown;
}

uint32_t AnyBlockStatedSize(const uint8_t* block, size_t length) noexcept {
    switch (BlockMethodOf(block, length)) {
        case BlockMethod::Jc: return BlockStatedSize(block, length);
        case BlockMethod::Lzma: return LzmaBlockStatedSize(block, length);
        case BlockMethod::Unknown: break;
    }
    return 0;
}

UnpackResult UnpackAnyBlockEx(const uint8_t* block, size_t length, uint8_t* out,
                              size_t capacity) noexcept {
    switch (BlockMethodOf(block, length)) {
        case BlockMethod::Jc: return UnpackBlockEx(block, length, out, capacity);
        case BlockMethod::Lzma: return UnpackLzmaBlockEx(block, length, out, capacity);
        case BlockMethod::Unknown: break;
    }
    if (!block || !out || length < 2) return {0, UnpackStatus::NoInput};
    return {0, UnpackStatus::BadMagic};
}

}  // namespace wb
