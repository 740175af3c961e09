#include "blocks/compress/block_encoder.h"

#include "blocks/compress/jc_encoder.h"
#include "blocks/compress/lzma_encoder.h"

namespace wb {

std::vector<uint8_t> PackEntryBlock(const uint8_t* data, size_t length, int level,
                                    BlockMethod method, unsigned threads) {
    if (method == BlockMethod::Lzma) {
        std::vector<uint8_t> block = PackLzmaBlock(data, length, level);
        if (!block.empty() && block.size() != length) return block;
    }
    return PackBlock(data, length, level, threads);
}

}  // namespace wb
