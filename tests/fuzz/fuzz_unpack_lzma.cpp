// Fuzz target: the LZMA decode path. Input beginning with "LZ" is one LZMA block given to
// the block decoder; anything else is a setup file, opened and extracted as the installer
// does, so that LZMA entries inside (signed) setups reach the decoder through the
// extraction. Neither may crash, touch memory outside a buffer, pass a block whose output
// is not what it states, or write outside the target folder.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/extract_input.h"
#include "blocks/decompress/block_method.h"
#include "blocks/decompress/unpack_lzma.h"

namespace {

void DecodeBlock(const uint8_t* data, size_t size) {
    // Capacity from the header, capped; the last byte varies it around the stated size.
    const uint32_t stated = wb::LzmaBlockStatedSize(data, size);
    size_t capacity = stated < (1u << 20) ? stated : (1u << 20);
    const int tweak = size > 0 ? int(data[size - 1] % 5) - 2 : 0;
    if (tweak < 0 && capacity >= size_t(-tweak)) capacity -= size_t(-tweak);
    if (tweak > 0) capacity += size_t(tweak) * 8;
    std::vector<uint8_t> block(data, data + size);
    std::vector<uint8_t> out(capacity ? capacity : 1);
    const wb::UnpackResult r = wb::UnpackLzmaBlockEx(block.data(), block.size(), out.data(), capacity);
    if (r.size > capacity) std::abort();
    if (r.status == wb::UnpackStatus::Ok) {
        if (r.size != stated) std::abort();
        // The dispatcher takes the same road.
        if (wb::UnpackAnyBlockEx(block.data(), block.size(), out.data(), capacity).status !=
            wb::UnpackStatus::Ok) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 'L' && data[1] == 'Z') {
        DecodeBlock(data, size);
    } else {
        fuzz::OpenAndExtract(data, size, "input.exe", "");
    }
    return 0;
}
