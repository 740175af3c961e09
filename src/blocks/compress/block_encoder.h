// Compresses one Package block with the method the author chose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "blocks/decompress/block_method.h"

namespace wb {

// One complete block of `method` (JC when Unknown) at `level`, never exactly `length`
// bytes long when `length` > 0 (a Package reads such an entry as stored). Where LZMA cannot
// meet that, or its encoder fails, the block is JC. JC blocks use up to `threads` threads
// and come out the same for any count.
std::vector<uint8_t> PackEntryBlock(const uint8_t* data, size_t length, int level,
                                    BlockMethod method, unsigned threads = 1);

}  // namespace wb
