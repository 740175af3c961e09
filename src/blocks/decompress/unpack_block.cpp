// Decodes JC blocks: a bounds-checked, word-at-a-time bit reader driving the copy loop.
#include "blocks/decompress/unpack_block.h"

#include <array>
#include <cstring>

#include "blocks/common/jc_format.h"
#include "platform/text.h"

namespace wb {
namespace {

// Bits are kept left-aligned in a 64-bit buffer. Past the last whole word the reader feeds
// zero words and counts them in `phantom`; the stream has overrun exactly when fewer bits
// remain in the buffer than were made up, which the caller checks once per code. Zero bits
// end every variable-length field (gamma, raw-run continuation), so no loop can run away
// on made-up input.
struct BitReader {
    const uint8_t* next;
    const uint8_t* end;
    uint64_t buf = 0;
    unsigned avail = 0;
    size_t phantom = 0;

    // Afterwards at least 32 bits are available.
    inline void Refill() noexcept {
        if (avail < 32) {
            uint32_t w = 0;
            if (next != end) {
                w = ReadLe32(next);
                next += jc::kWordSize;
            } else {
                phantom += 32;
            }
            buf |= uint64_t(w) << (32 - avail);
            avail += 32;
        }
    }
    // Requires 1 <= n <= avail.
    inline uint32_t Take(unsigned n) noexcept {
        uint32_t v = uint32_t(buf >> (64 - n));
        buf <<= n;
        avail -= n;
        return v;
    }
    inline uint32_t Peek(unsigned n) const noexcept { return uint32_t(buf >> (64 - n)); }
    inline void Skip(unsigned n) noexcept {
        buf <<= n;
        avail -= n;
    }
    [[nodiscard]] inline bool Overrun() const noexcept { return phantom > avail; }
};

// One step of gamma decoding over the next 8 bits, i.e. up to four (value, continuation)
// pairs: the value bits taken, how many pairs, and whether a continuation bit 0 was seen.
struct GammaStep {
    uint8_t value;
    uint8_t pairs;
    uint8_t done;
};

constexpr std::array<GammaStep, 256> MakeGammaTable() {
    std::array<GammaStep, 256> t{};
    for (unsigned x = 0; x < 256; ++x) {
        GammaStep s{0, 0, 0};
        for (unsigned j = 0; j < 4; ++j) {
            unsigned b = (x >> (7 - 2 * j)) & 1;
            unsigned c = (x >> (6 - 2 * j)) & 1;
            s.value = uint8_t(s.value << 1 | b);
            s.pairs = uint8_t(j + 1);
            if (c == 0) {
                s.done = 1;
                break;
            }
        }
        t[x] = s;
    }
    return t;
}
constexpr std::array<GammaStep, 256> kGammaTable = MakeGammaTable();

// A gamma number, or 0 when it has more than 32 significant bits (no valid code needs that
// many; a damaged stream must not make a distance or length wrap).
inline uint64_t ReadGamma(BitReader& br) noexcept {
    uint64_t v = 1;
    for (;;) {
        br.Refill();
        const GammaStep s = kGammaTable[br.Peek(8)];
        br.Skip(2u * s.pairs);
        v = (v << s.pairs) | s.value;
        if (v >> 32) return 0;
        if (s.done) return v;
    }
}

}  // namespace

uint32_t BlockChecksum(const uint8_t* data, size_t length) noexcept {
    if (data == nullptr || length < 4) return 0;
    uint32_t acc = 0;
    auto mix = [&acc](uint32_t w) {
        acc = (acc + w) ^ (((w << 1) | (w >> 31)) + 1u);
    };
    size_t i = 0;
    for (; length - i >= 4; i += 4) mix(ReadLe32(data + i));
    if (i != length) mix(ReadLe32(data + length - 4));
    return acc;
}

uint32_t BlockStatedSize(const uint8_t* block, size_t length) noexcept {
    if (block == nullptr || length < jc::kHeaderSize) return 0;
    if (block[0] != jc::kMagic0 || block[1] != jc::kMagic1) return 0;
    return ReadLe32(block + jc::kSizeOffset);
}

UnpackResult UnpackBlockEx(const uint8_t* block, size_t length, uint8_t* out,
                           size_t capacity) noexcept {
    if (block == nullptr || out == nullptr || length < 2) return {0, UnpackStatus::NoInput};
    if (block[0] != jc::kMagic0 || block[1] != jc::kMagic1) return {0, UnpackStatus::BadMagic};
    if (length < jc::kHeaderSize) return {0, UnpackStatus::NoInput};

    const uint32_t stated = ReadLe32(block + jc::kSizeOffset);
    const uint32_t checksum = ReadLe32(block + jc::kChecksumOffset);
    // The result is a 32-bit count, so no block may produce more than that.
    if (capacity > 0xFFFFFFFFu) capacity = 0xFFFFFFFFu;

    BitReader br;
    br.next = block + jc::kHeaderSize;
    br.end = br.next + (length - jc::kHeaderSize) / jc::kWordSize * jc::kWordSize;

    uint8_t* const base = out;
    uint8_t* const oend = out + capacity;
    uint8_t* op = out;
    uint64_t lastOffset = jc::kInitialLastOffset;
    unsigned offsetBits = jc::kInitialOffsetBits;
    unsigned litWidth = 0;  // 0: no literal-width code seen yet
    uint32_t litBase = 0;

    auto fail = [&](UnpackStatus s) { return UnpackResult{uint32_t(op - base), s}; };

    // Copies `len` bytes from `dist` back; the bounds are checked here, once per copy.
    // Returns Ok or the reason the copy is refused.
    auto copy = [&](uint64_t dist, uint64_t len) -> UnpackStatus {
        if (dist == 0) return UnpackStatus::DistanceZero;
        const size_t produced = size_t(op - base);
        if (dist > produced) return UnpackStatus::DistanceTooFar;
        const size_t room = size_t(oend - op);
        if (len > room) return UnpackStatus::OutputFull;
        const uint8_t* src = op - dist;
        size_t n = size_t(len);
        if (dist >= 16 && room - n >= 16) {
            // Each 16-byte step reads only bytes written before it; the overshoot lands in
            // the slack checked above and is overwritten by what follows.
            uint8_t* d = op;
            do {
                std::memcpy(d, src, 16);
                d += 16;
                src += 16;
            } while (d < op + n);
        } else if (dist >= 8 && room - n >= 8) {
            uint8_t* d = op;
            do {
                std::memcpy(d, src, 8);
                d += 8;
                src += 8;
            } while (d < op + n);
        } else if (dist == 1) {
            std::memset(op, op[-1], n);
        } else {
            for (size_t i = 0; i < n; ++i) op[i] = src[i];
        }
        op += n;
        return UnpackStatus::Ok;
    };

    for (;;) {
        if (br.Overrun()) return fail(UnpackStatus::Truncated);
        br.Refill();
        if (br.Peek(1)) {  // literal
            if (litWidth == 0) return fail(UnpackStatus::LiteralBeforeWidth);
            const uint32_t v = br.Peek(1 + litWidth) & ((1u << litWidth) - 1);
            br.Skip(1 + litWidth);
            if (op == oend) return fail(UnpackStatus::OutputFull);
            *op++ = uint8_t(v + litBase);
            continue;
        }
        if (br.Peek(2) == 1) {  // normal match
            br.Skip(2);
            const uint64_t g = ReadGamma(br);
            if (g == 0) return fail(UnpackStatus::DistanceTooFar);
            uint64_t dist;
            uint64_t len;
            if (g == jc::kGammaRepeat) {
                dist = lastOffset;
                len = ReadGamma(br);
                if (len == 0) return fail(UnpackStatus::OutputFull);
            } else {
                br.Refill();
                dist = ((g - jc::kGammaDistanceBase) << offsetBits) + br.Take(offsetBits);
                lastOffset = dist;
                len = ReadGamma(br);
                if (len == 0) return fail(UnpackStatus::OutputFull);
                len += jc::LengthAdjust(dist);
            }
            if (br.Overrun()) return fail(UnpackStatus::Truncated);
            if (UnpackStatus s = copy(dist, len); s != UnpackStatus::Ok) return fail(s);
            continue;
        }
        const uint32_t prefix = br.Take(3);
        if (prefix == 0) {  // short match, end code or offset-bits code
            const uint32_t d = br.Take(jc::kShortDistanceBits);
            const uint32_t n = br.Take(jc::kShortLengthBits);
            if (d != 0) {
                lastOffset = d;
                if (br.Overrun()) return fail(UnpackStatus::Truncated);
                if (UnpackStatus s = copy(d, n + jc::kShortMinLength); s != UnpackStatus::Ok)
                    return fail(s);
                continue;
            }
            if (n == 0) break;  // end code
            br.Refill();
            const uint32_t bits = br.Take(n + 3);
            if (br.Overrun()) return fail(UnpackStatus::Truncated);
            if (bits == 0 || bits > jc::kMaxOffsetBits) return fail(UnpackStatus::BadOffsetBits);
            offsetBits = bits;
            continue;
        }
        // single-byte code
        const uint32_t v = br.Take(jc::kSingleBits);
        if (v >= 2) {
            if (br.Overrun()) return fail(UnpackStatus::Truncated);
            const size_t dist = v - 1;
            if (dist > size_t(op - base)) return fail(UnpackStatus::DistanceTooFar);
            if (op == oend) return fail(UnpackStatus::OutputFull);
            *op = op[-ptrdiff_t(dist)];
            ++op;
            continue;
        }
        if (v == jc::kSingleZero) {
            if (br.Overrun()) return fail(UnpackStatus::Truncated);
            if (op == oend) return fail(UnpackStatus::OutputFull);
            *op++ = 0;
            continue;
        }
        br.Refill();
        if (br.Take(1)) {  // raw runs of 256 bytes, each followed by a continuation bit
            do {
                if (br.Overrun()) return fail(UnpackStatus::Truncated);
                if (size_t(oend - op) < jc::kRawRunBytes) return fail(UnpackStatus::OutputFull);
                for (unsigned i = 0; i < jc::kRawRunBytes; i += 4) {
                    br.Refill();
                    const uint32_t w = br.Take(32);
                    op[i] = uint8_t(w >> 24);
                    op[i + 1] = uint8_t(w >> 16);
                    op[i + 2] = uint8_t(w >> 8);
                    op[i + 3] = uint8_t(w);
                }
                op += jc::kRawRunBytes;
                br.Refill();
            } while (br.Take(1));
            continue;
        }
        // literal-width code
        br.Refill();
        litWidth = 7 + br.Take(1);
        litBase = litWidth == 7 ? br.Take(jc::kLiteralBaseBits) : 0;
    }

    if (br.Overrun()) return fail(UnpackStatus::Truncated);
    const uint32_t produced = uint32_t(op - base);
    if (produced != stated) return fail(UnpackStatus::SizeMismatch);
    if (checksum != 0 && BlockChecksum(base, stated) != checksum)
        return fail(UnpackStatus::ChecksumMismatch);
    return {produced, UnpackStatus::Ok};
}

uint32_t UnpackBlock(const uint8_t* block, size_t length, uint8_t* out, size_t capacity) noexcept {
    const UnpackResult r = UnpackBlockEx(block, length, out, capacity);
    return r.status == UnpackStatus::Ok ? r.size : 0;
}

}  // namespace wb
