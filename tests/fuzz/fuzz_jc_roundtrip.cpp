// Fuzz target: packing then unpacking any bytes gives them back, at the level the first byte
// picks, and the block is never as long as the data (it would be read as stored).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "blocks/decompress/unpack_block.h"
#include "blocks/compress/jc_encoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int level = 1 + data[0] % 9;
    ++data;
    --size;
    if (size > (1u << 20)) size = 1u << 20;
    const std::vector<uint8_t> block = wb::PackBlock(data, size, level);
    if (size > 0 && block.size() == size) std::abort();
    if (wb::BlockStatedSize(block.data(), block.size()) != size) std::abort();
    std::vector<uint8_t> out(size + 1);
    const wb::UnpackResult r = wb::UnpackBlockEx(block.data(), block.size(), out.data(), size);
    if (r.status != wb::UnpackStatus::Ok || r.size != size) std::abort();
    if (size != 0 && std::memcmp(out.data(), data, size) != 0) std::abort();
    // One byte less room must fail cleanly.
    if (size > 0 && wb::UnpackBlock(block.data(), block.size(), out.data(), size - 1) != 0) std::abort();
    return 0;
}
