// Fuzz target: any bytes given to the block decoder decode or fail cleanly, never touching
// memory outside the block or the output capacity.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "blocks/decompress/unpack_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The header's size decides the capacity, capped so no input can ask for much memory.
    // Bytes after the last whole word are not part of the stream; the last one of them
    // varies the capacity around the stated size (short, exact, roomy).
    const uint32_t stated = wb::BlockStatedSize(data, size);
    size_t capacity = stated < (1u << 20) ? stated : (1u << 20);
    if (size > 10 && (size - 10) % 4 != 0) {
        const int tweak = int(data[size - 1] % 5) - 2;  // -2 .. +2
        if (tweak < 0 && capacity >= size_t(-tweak)) capacity -= size_t(-tweak);
        if (tweak > 0) capacity += size_t(tweak) * 8;
    }
    // Exact-size heap copies let the sanitizers catch any stray access.
    std::vector<uint8_t> block(data, data + size);
    std::vector<uint8_t> out(capacity ? capacity : 1);
    const wb::UnpackResult r = wb::UnpackBlockEx(block.data(), block.size(), out.data(), capacity);
    if (r.size > capacity) std::abort();
    if (r.status == wb::UnpackStatus::Ok) {
        if (r.size != stated) std::abort();
        if (wb::UnpackBlock(block.data(), block.size(), out.data(), capacity) != r.size) std::abort();
    } else if (wb::UnpackBlock(block.data(), block.size(), out.data(), capacity) != 0) {
        std::abort();
    }
    return 0;
}
