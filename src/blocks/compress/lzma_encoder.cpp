// Settings: the SDK's own level presets, except at level 9, where the dictionary covers the
// whole block (so a solid setup finds every earlier copy of a file) and the binary-tree
// match finder looks further for longer matches.
#include "blocks/compress/lzma_encoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "LzmaEnc.h"
#include "blocks/decompress/unpack_lzma.h"
#include "blocks/common/lzma_format.h"
#include "package/package_format.h"
#include "blocks/common/x86_filter.h"

namespace wb {

namespace {

constexpr uint32_t kLevel9Dictionary = 64u << 20;
constexpr int kLevel9FastBytes = 64;

void* Allocate(void*, size_t size) { return std::malloc(size); }
void Release(void*, void* address) { std::free(address); }

ISzAlloc gAlloc = {Allocate, Release};

// One Windows program: the x86 filter pays. A Package of many files (the solid shape's
// setup.pck) does not get it, even when it starts with a program: programs built with the
// same compiler share code, which matches across files as long as its calls stay relative,
// and the filter would make each copy differ by where it lies.
bool WantsX86Filter(const uint8_t* data, size_t length) {
    if (length < 2 || data[0] != 'M' || data[1] != 'Z') return false;
    return length < pck::kTrailerSize ||
           std::memcmp(data + length - 4, pck::kMagic, sizeof pck::kMagic) != 0;
}

CLzmaEncProps Settings(size_t length, int level) {
    CLzmaEncProps p;
    LzmaEncProps_Init(&p);
    p.level = std::clamp(level, 1, 9);
    p.reduceSize = length > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(length);
    if (p.level == 9) {
        // The encoder shrinks this to the smallest 2^n or 3 x 2^n that holds reduceSize.
        p.dictSize = kLevel9Dictionary;
        p.algo = 1;
        p.btMode = 1;
        p.numHashBytes = 4;
        p.fb = kLevel9FastBytes;
    }
    p.numThreads = 1;
    return p;
}

}  // namespace

std::vector<uint8_t> PackLzmaBlock(const uint8_t* data, size_t length, int level) {
    // The filter works on a copy; unfiltered data is compressed where it lies.
    std::vector<uint8_t> filtered;
    const uint8_t* input = data;
    const uint8_t filter = WantsX86Filter(data, length) ? lz::kFilterX86 : lz::kFilterNone;
    if (filter == lz::kFilterX86) {
        filtered.assign(data, data + length);
        X86FilterEncode(filtered.data(), filtered.size());
        input = filtered.data();
    }

    // LZMA expands incompressible data by about 1/64 at worst, plus the coder's flush.
    size_t capacity = length + length / 32 + 1024;
    std::vector<uint8_t> block(lz::kHeaderSize + capacity);
    const CLzmaEncProps props = Settings(length, level);
    SizeT streamLength = capacity;
    SizeT propsSize = lz::kPropertiesSize;
    const SRes res = LzmaEncode(block.data() + lz::kHeaderSize, &streamLength, input, length,
                                &props, block.data() + lz::kPropertiesOffset,
                                &propsSize, 0, nullptr, &gAlloc, &gAlloc);
    if (res != SZ_OK || propsSize != lz::kPropertiesSize) return {};
    block.resize(lz::kHeaderSize + streamLength);
    block.shrink_to_fit();  // the room for incompressible data is given back
    block[0] = lz::kMagic0;
    block[1] = lz::kMagic1;
    pck::WriteLe32(block.data() + lz::kSizeOffset, uint32_t(length));
    block[lz::kFilterOffset] = filter;
    pck::WriteLe32(block.data() + lz::kCrcOffset, LzmaBlockCrc(data, length, block.data()));
    return block;
}

}  // namespace wb
