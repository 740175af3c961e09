// Match finders over the whole block: the format has no window, so neither have these.
#include "blocks/compress/jc_match_finder.h"

#include <cstring>

namespace wb {
namespace {

constexpr unsigned kHash3Bits = 16;
constexpr unsigned kMaxHash4BitsChain = 22;
constexpr unsigned kMaxHash4BitsTree = 24;
// Positions ahead whose memory is asked for early: the heads and chains of a large block
// miss the caches at almost every step, and these addresses are known in advance.
constexpr size_t kPrefetchAhead = 16;

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint32_t Hash3(const uint8_t* p) {
    return ((Load32(p) & 0xFFFFFFu) * 2654435761u) >> (32 - kHash3Bits);
}
inline uint32_t Hash4(const uint8_t* p, unsigned bits) { return (Load32(p) * 2654435761u) >> (32 - bits); }

// Collects the candidates of one position: lengths strictly increase, and a match reaching
// the search cap is extended to the caller's limit and ends the search.
struct Collector {
    const uint8_t* p;
    const uint8_t* data;
    size_t pos;
    size_t limit;  // the caller's limit (end of its chunk)
    size_t cap;    // min(limit, nice)
    JcMatch* out;
    size_t count = 0;
    size_t best = 1;

    // Records a candidate whose common length with `p` is `len`; true ends the search.
    bool Add(size_t cand, size_t len) {
        if (len > limit) len = limit;
        if (len <= best) return false;
        if (len >= cap && cap < limit) {
            len = cap + JcMatchLength(p + cap, data + cand + cap, limit - cap);
        }
        out[count++] = JcMatch{uint32_t(len), uint32_t(pos - cand)};
        best = len;
        return len >= cap || count == kJcMaxMatches;
    }
    bool Consider(size_t cand) {
        if (best >= cap || p[best] != data[cand + best]) return false;
        return Add(cand, JcMatchLength(p, data + cand, cap));
    }
};

// Inserts `pos` as the root of its hash's binary tree (ordered by the bytes that follow each
// position, newer nodes nearer the root) and, when `col` is given, reports the matches met on
// the way down. The tree compares up to `nice` bytes whatever the caller's limit, so chunk
// ends do not degrade it.
void TreeStep(JcMatchFinder& mf, size_t pos, Collector* col) {
    const uint8_t* p = mf.data + pos;
    const size_t avail = mf.size - pos;
    const size_t lenLimit = avail < mf.nice ? avail : mf.nice;
    uint32_t& h = mf.head4[Hash4(p, mf.hash4Bits)];
    uint32_t cur = h;
    h = uint32_t(pos + 1);
    uint32_t* son = mf.chain.data();
    uint32_t* ptrLarger = &son[2 * pos + 1];
    uint32_t* ptrSmaller = &son[2 * pos];
    size_t lenSmaller = 0, lenLarger = 0;
    for (unsigned d = mf.depth;; --d) {
        if (cur == 0 || d == 0) {
            *ptrLarger = *ptrSmaller = 0;
            return;
        }
        const size_t cp = cur - 1;
        const uint8_t* pb = mf.data + cp;
        uint32_t* pair = &son[2 * cp];
        size_t len = lenSmaller < lenLarger ? lenSmaller : lenLarger;
        if (pb[len] == p[len]) {
            len += 1 + JcMatchLength(p + len + 1, pb + len + 1, lenLimit - len - 1);
            if (col != nullptr && col->Add(cp, len)) col = nullptr;
            if (len >= lenLimit) {
                // Equal as far as the tree looks: the new node takes the old one's place.
                *ptrSmaller = pair[0];
                *ptrLarger = pair[1];
                return;
            }
        }
        if (pb[len] < p[len]) {
            *ptrSmaller = cur;
            ptrSmaller = &pair[1];
            cur = *ptrSmaller;
            lenSmaller = len;
        } else {
            *ptrLarger = cur;
            ptrLarger = &pair[0];
            cur = *ptrLarger;
            lenLarger = len;
        }
    }
}

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
                       uint32_t nice, bool tree) {
    mf.data = data;
    mf.size = size;
    mf.depth = depth;
    mf.nice = nice < 4 ? 4 : nice;
    mf.tree = tree;
    mf.head2.assign(size_t(1) << 16, 0);
    mf.head3.assign(size_t(1) << kHash3Bits, 0);
    // Small blocks get a small table: clearing it must not cost more than the search.
    const unsigned maxBits = tree ? kMaxHash4BitsTree : kMaxHash4BitsChain;
    mf.hash4Bits = 10;
    while (mf.hash4Bits < maxBits && (size_t(1) << mf.hash4Bits) < size) ++mf.hash4Bits;
    mf.head4.assign(size_t(1) << mf.hash4Bits, 0);
    mf.chain.assign(tree ? 2 * size : size, 0);
}

void JcSkipPosition(JcMatchFinder& mf, size_t pos) {
    const uint8_t* p = mf.data + pos;
    const size_t avail = mf.size - pos;
    if (avail >= 2) mf.head2[size_t(p[0]) | size_t(p[1]) << 8] = uint32_t(pos + 1);
    if (avail >= 4) {
        mf.head3[Hash3(p)] = uint32_t(pos + 1);
        if (mf.tree) {
            TreeStep(mf, pos, nullptr);
        } else {
            uint32_t& h = mf.head4[Hash4(p, mf.hash4Bits)];
            mf.chain[pos] = h;
            h = uint32_t(pos + 1);
        }
    }
}

namespace {

// The search of a chain finder at `pos`, given the latest earlier positions (plus one; 0:
// none) with the same two bytes and three-byte hash. Reads only what earlier positions
// recorded, so it may run on any thread once `pos` is recorded.
size_t SearchChains(const JcMatchFinder& mf, size_t pos, uint32_t c2, uint32_t c3, size_t limit,
                    JcMatch* out) {
    const uint8_t* p = mf.data + pos;
    const size_t avail = mf.size - pos;
    if (limit > avail) limit = avail;
    Collector col{p, mf.data, pos, limit, limit < mf.nice ? limit : mf.nice, out};
    bool done = limit < 2;
    if (!done && c2 != 0) done = col.Consider(c2 - 1);
    if (!done && c3 != 0) done = col.Consider(c3 - 1);
    if (avail >= 4) {
        uint32_t c = mf.chain[pos];
        for (unsigned d = mf.depth; !done && c != 0 && d != 0; --d) {
            done = col.Consider(c - 1);
            c = mf.chain[c - 1];
        }
    }
    return col.count;
}

// Records `pos` in a chain finder; returns the heads it replaced in c2 and c3.
inline void RecordChains(JcMatchFinder& mf, size_t pos, uint32_t& c2, uint32_t& c3) {
    const uint8_t* p = mf.data + pos;
    const size_t avail = mf.size - pos;
    c2 = c3 = 0;
    if (avail >= 2) {
        uint32_t& h = mf.head2[size_t(p[0]) | size_t(p[1]) << 8];
        c2 = h;
        h = uint32_t(pos + 1);
    }
    if (avail >= 4) {
        uint32_t& h3 = mf.head3[Hash3(p)];
        c3 = h3;
        h3 = uint32_t(pos + 1);
        uint32_t& h = mf.head4[Hash4(p, mf.hash4Bits)];
        mf.chain[pos] = h;
        h = uint32_t(pos + 1);
    }
}

}  // namespace

size_t JcFindMatches(JcMatchFinder& mf, size_t pos, size_t limit, JcMatch* out) {
    if (!mf.tree) {
        uint32_t c2, c3;
        RecordChains(mf, pos, c2, c3);
        return SearchChains(mf, pos, c2, c3, limit, out);
    }
    const uint8_t* p = mf.data + pos;
    const size_t avail = mf.size - pos;
    if (limit > avail) limit = avail;
    Collector col{p, mf.data, pos, limit, limit < mf.nice ? limit : mf.nice, out};

    bool done = limit < 2;
    if (avail >= 2) {
        uint32_t& h = mf.head2[size_t(p[0]) | size_t(p[1]) << 8];
        const uint32_t c = h;
        h = uint32_t(pos + 1);
        if (!done && c != 0) done = col.Consider(c - 1);
    }
    if (avail >= 4) {
        uint32_t& h3 = mf.head3[Hash3(p)];
        const uint32_t c3 = h3;
        h3 = uint32_t(pos + 1);
        if (!done && c3 != 0) done = col.Consider(c3 - 1);
        // The tree takes the position even when the search is already over.
        TreeStep(mf, pos, done ? nullptr : &col);
    }
    return col.count;
}

void JcRecordPositions(JcMatchFinder& mf, size_t s, size_t e, JcPriorHeads& prior) {
    prior.head2.resize(e - s);
    prior.head3.resize(e - s);
    const size_t early = mf.size >= 4 + kPrefetchAhead ? mf.size - 4 - kPrefetchAhead : 0;
    for (size_t pos = s; pos < e; ++pos) {
        if (pos < early) {
            __builtin_prefetch(&mf.head4[Hash4(mf.data + pos + kPrefetchAhead, mf.hash4Bits)], 1);
        }
        RecordChains(mf, pos, prior.head2[pos - s], prior.head3[pos - s]);
    }
}

size_t JcFindRecordedMatches(const JcMatchFinder& mf, const JcPriorHeads& prior, size_t s,
                             size_t pos, size_t limit, JcMatch* out) {
    const size_t ahead = pos - s + kPrefetchAhead;
    if (ahead < prior.head2.size()) {
        const uint32_t c2 = prior.head2[ahead], c3 = prior.head3[ahead];
        const uint32_t c4 = mf.chain[s + ahead];
        if (c2 != 0) __builtin_prefetch(mf.data + c2 - 1);
        if (c3 != 0) __builtin_prefetch(mf.data + c3 - 1);
        if (c4 != 0) {
            __builtin_prefetch(mf.data + c4 - 1);
            __builtin_prefetch(&mf.chain[c4 - 1]);
        }
    }
    // Halfway there, the chain's first link has arrived: ask for the second.
    const size_t half = pos - s + kPrefetchAhead / 2;
    if (half < prior.head2.size()) {
        const uint32_t c4 = mf.chain[s + half];
        const uint32_t next = c4 != 0 ? mf.chain[c4 - 1] : 0;
        if (next != 0) {
            __builtin_prefetch(mf.data + next - 1);
            __builtin_prefetch(&mf.chain[next - 1]);
        }
    }
    return SearchChains(mf, pos, prior.head2[pos - s], prior.head3[pos - s], limit, out);
}

}  // namespace wb
