// Decodes in one call straight into the entry's buffer: the output is the dictionary, so
// the decoder itself allocates only its probability tables (a few KiB for the lc/lp the
// header allows).
#include "blocks/decompress/unpack_lzma.h"

#include <new>

#include "LzmaDec.h"
#include "blocks/common/crc32.h"
#include "blocks/common/lzma_format.h"
#include "platform/text.h"
#include "blocks/common/x86_filter.h"

namespace wb {

namespace {

void* Allocate(void*, size_t size) { return ::operator new(size, std::nothrow); }
void Release(void*, void* address) { ::operator delete(address); }

ISzAlloc gAlloc = {Allocate, Release};

bool HeaderAcceptable(const uint8_t* block, size_t length) noexcept {
    if (!block || length < lz::kHeaderSize) return false;
    if (block[0] != lz::kMagic0 || block[1] != lz::kMagic1) return false;
    const uint8_t filter = block[lz::kFilterOffset];
    if (filter != lz::kFilterNone && filter != lz::kFilterX86) return false;
    const uint8_t* props = block + lz::kPropertiesOffset;
    return props[0] < lz::kPropertiesLimit && ReadLe32(props + 1) <= lz::kMaxDictionary;
}

UnpackResult Fail(UnpackStatus status, uint32_t size = 0) noexcept { return {size, status}; }

}  // namespace

uint32_t LzmaBlockCrc(const uint8_t* data, size_t size, const uint8_t* header) noexcept {
    return Crc32(header + lz::kFilterOffset, 1 + lz::kPropertiesSize, Crc32(data, size));
}

uint32_t LzmaBlockStatedSize(const uint8_t* block, size_t length) noexcept {
    return HeaderAcceptable(block, length) ? ReadLe32(block + lz::kSizeOffset) : 0;
}

UnpackResult UnpackLzmaBlockEx(const uint8_t* block, size_t length, uint8_t* out,
                               size_t capacity) noexcept {
    if (!block || !out || length < 2) return Fail(UnpackStatus::NoInput);
    if (block[0] != lz::kMagic0 || block[1] != lz::kMagic1) return Fail(UnpackStatus::BadMagic);
    if (length < lz::kHeaderSize) return Fail(UnpackStatus::NoInput);
    if (!HeaderAcceptable(block, length)) return Fail(UnpackStatus::BadProperties);
    const uint32_t size = ReadLe32(block + lz::kSizeOffset);
    if (size > capacity) return Fail(UnpackStatus::OutputFull);

    SizeT produced = size;
    SizeT consumed = length - lz::kHeaderSize;
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    const SRes res = LzmaDecode(out, &produced, block + lz::kHeaderSize, &consumed,
                                block + lz::kPropertiesOffset, unsigned(lz::kPropertiesSize),
                                LZMA_FINISH_END, &status, &gAlloc);
    const uint32_t got = uint32_t(produced);
    if (res == SZ_ERROR_MEM) return Fail(UnpackStatus::OutputFull, got);
    if (status == LZMA_STATUS_NEEDS_MORE_INPUT || res == SZ_ERROR_INPUT_EOF) {
        return Fail(UnpackStatus::Truncated, got);
    }
    if (res != SZ_OK) return Fail(UnpackStatus::StreamDamaged, got);
    if (got != size) return Fail(UnpackStatus::SizeMismatch, got);
    if (block[lz::kFilterOffset] == lz::kFilterX86) X86FilterDecode(out, size);
    if (LzmaBlockCrc(out, size, block) != ReadLe32(block + lz::kCrcOffset)) {
        return Fail(UnpackStatus::ChecksumMismatch, got);
    }
    return {got, UnpackStatus::Ok};
}

}  // namespace wb
