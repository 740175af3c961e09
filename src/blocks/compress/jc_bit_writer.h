// Writes the JC bit stream: most significant bit first into 32-bit little-endian words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wb {

struct JcBitWriter {
    std::vector<uint8_t>* out = nullptr;
    uint64_t acc = 0;    // the last `pending` bits written are its low bits
    unsigned pending = 0;
    uint64_t bitsWritten = 0;
};

// Appends the low `n` bits of `v` (0 <= n <= 32), first bit the most significant.
inline void JcPutBits(JcBitWriter& w, uint32_t v, unsigned n) {
    if (n == 0) return;
    const uint64_t mask = n == 32 ? 0xFFFFFFFFull : ((1ull << n) - 1);
    w.acc = (w.acc << n) | (uint64_t(v) & mask);
    w.pending += n;
    w.bitsWritten += n;
    if (w.pending >= 32) {
        w.pending -= 32;
        const uint32_t word = uint32_t(w.acc >> w.pending);
        const uint8_t bytes[4] = {uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16),
                                  uint8_t(word >> 24)};
        w.out->insert(w.out->end(), bytes, bytes + 4);
    }
}

// Appends the gamma code of v (v >= 2): each bit below the leading one, then a continuation
// bit that is 1 while more bits follow.
inline void JcPutGamma(JcBitWriter& w, uint64_t v) {
    int top = 63 - __builtin_clzll(v);
    for (int i = top - 1; i >= 0; --i) {
        const uint32_t bit = uint32_t(v >> i) & 1u;
        JcPutBits(w, bit << 1 | (i > 0 ? 1u : 0u), 2);
    }
}

// Pads the last word with zero bits.
inline void JcFlushBits(JcBitWriter& w) {
    if (w.pending > 0) {
        const uint64_t saved = w.bitsWritten;
        JcPutBits(w, 0, 32 - w.pending);
        w.bitsWritten = saved;
    }
}

}  // namespace wb
