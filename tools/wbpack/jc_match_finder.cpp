// Hash-chain match finder over the whole block: the format has no window, so neither has this.
#include "wbpack/jc_match_finder.h"

#include <cstring>

namespace wb {
namespace {

constexpr unsigned kHash3Bits = 16;
constexpr unsigned kMaxHash4Bits = 22;

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint32_t Hash3(const uint8_t* p) {
    return ((Load32(p) & 0xFFFFFFu) * 2654435761u) >> (32 - kHash3Bits);
}
inline uint32_t Hash4(const uint8_t* p, unsigned bits) { return (Load32(p) * 2654435761u) >> (32 - bits); }

}  // namespace

size_t JcMatchLength(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t n = 0;
    while (limit - n >= 8) {
        uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y) return n + size_t(__builtin_ctzll(x ^ y) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

void JcInitMatchFinder(JcMatchFinder& mf, const uint8_t* data, size_t size, unsigned depth,
                       uint32_t nice) {
    mf.data = data;
    mf.size = size;
    mf.depth = depth;
    mf.nice = nice;
    mf.head2.assign(size_t(1) << 16, 0);
    mf.head3.assign(size_t(1) << kHash3Bits, 0);
    // Small blocks get a small table: clearing it must not cost more than the search.
    mf.hash4Bits = 10;
    while (mf.hash4Bits < kMaxHash4Bits && (size_t(1) << mf.hash4Bits) < size) ++mf.hash4Bits;
    mf.head4.assign(size_t(1) << mf.hash4Bits, 0);
    mf.chain.assign(size, 0);
}

void JcSkipPosition(JcMatchFinder& mf, size_t pos) {
    const uint8_t* p = mf.data + pos;
    const size_t avail = mf.size - pos;
    if (avail >= 2) mf.head2[size_t(p[0]) | size_t(p[1]) << 8] = uint32_t(pos + 1);
    if (avail >= 4) {
        mf.head3[Hash3(p)] = uint32_t(pos + 1);
        uint32_t& h = mf.head4[Hash4(p, mf.hash4Bits)];
        mf.chain[pos] = h;
        h = uint32_t(pos + 1);
    }
}

size_t JcFindMatches(JcMatchFinder& mf, size_t pos, size_t limit, JcMatch* out) {
    const uint8_t* p = mf.data + pos;
    const size_t avail = mf.size - pos;
    if (limit > avail) limit = avail;
    size_t count = 0;
    size_t best = 1;
    const size_t cap = limit < mf.nice ? limit : mf.nice;

    // Record a candidate; a match reaching the nice length is extended to the limit and ends
    // the search (returns true).
    auto consider = [&](size_t cand) -> bool {
        const size_t dist = pos - cand;
        if (best >= cap || p[best] != mf.data[cand + best]) return false;
        size_t len = JcMatchLength(p, mf.data + cand, cap);
        if (len <= best) return false;
        if (len >= cap && cap < limit) len += JcMatchLength(p + len, mf.data + cand + len, limit - len);
        out[count++] = JcMatch{uint32_t(len), uint32_t(dist)};
        best = len;
        return len >= cap || count == kJcMaxMatches;
    };

    bool done = limit < 2;
    if (avail >= 2) {
        uint32_t& h = mf.head2[size_t(p[0]) | size_t(p[1]) << 8];
        const uint32_t c = h;
        h = uint32_t(pos + 1);
        if (!done && c != 0) done = consider(c - 1);
    }
    if (avail >= 4) {
        uint32_t& h3 = mf.head3[Hash3(p)];
        const uint32_t c3 = h3;
        h3 = uint32_t(pos + 1);
        if (!done && c3 != 0) done = consider(c3 - 1);

        uint32_t& h = mf.head4[Hash4(p, mf.hash4Bits)];
        uint32_t c = h;
        mf.chain[pos] = c;
        h = uint32_t(pos + 1);
        for (unsigned d = mf.depth; !done && c != 0 && d != 0; --d) {
            done = consider(c - 1);
            c = mf.chain[c - 1];
        }
    }
    return count;
}

}  // namespace wb
