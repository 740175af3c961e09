// Finds earlier occurrences of the bytes at a position anywhere in the block (hash chains or a
// binary tree).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wb {

struct JcMatch {
    uint32_t len;
    uint32_t dist;
};

// Positions are stored plus one so that 0 means "none"; blocks stay below 4 GiB.
struct JcMatchFinder {
    const uint8_t* data = nullptr;
    size_t size = 0;
    unsigned depth = 16;   // chain links or tree nodes visited per position
    uint32_t nice = 64;    // a match this long ends the search
    bool tree = false;     // binary tree instead of hash chains
    unsigned hash4Bits = 10;
    std::vector<uint32_t> head2;  // exact two-byte prefix -> latest position
    std::vector<uint32_t> head3;  // hashed three-byte prefix -> latest position
    std::vector<uint32_t> head4;  // hashed four-byte prefix -> latest position (tree root)
    std::vector<uint32_t> chain;  // chains: position -> previous one with the same hash;
                                  // tree: two children per position (smaller, larger)
};

inline constexpr size_t kJcMaxMatches = 48;

// `tree` selects the binary-tree finder: twice the memory of chains (8 bytes per input byte),
// but it sees the longest match among every earlier position sharing the four-byte hash,
// which chains of a bounded depth miss in large blocks.
void JcInitMatchFinder(JcMatchFinder& mf, const uint8_t* data, size_t size, unsigned depth,
                       uint32_t nice, bool tree = false);

// Lists matches at `pos` no longer than `limit`, by strictly increasing length (each with the
// nearest distance found for it), into `out` (room for kJcMaxMatches); returns the count.
// Records `pos` for later searches. Positions must be visited in increasing order, each once
// (by this or by JcSkipPosition).
size_t JcFindMatches(JcMatchFinder& mf, size_t pos, size_t limit, JcMatch* out);

// Records `pos` without searching.
void JcSkipPosition(JcMatchFinder& mf, size_t pos);

// The chain finders (not the tree) can split recording from searching: what a search finds
// depends only on the positions recorded before it, never on other searches. So one thread
// records stretches of positions in order while others search stretches already recorded.
// For each position of a recorded stretch, the two- and three-byte heads it replaced.
struct JcPriorHeads {
    std::vector<uint32_t> head2;
    std::vector<uint32_t> head3;
};

// Records positions [s, e) of a chain finder, in order after every earlier position.
void JcRecordPositions(JcMatchFinder& mf, size_t s, size_t e, JcPriorHeads& prior);

// What JcFindMatches would have listed at `pos`, a position of the stretch [s, ...) whose
// record is `prior`. Reads the finder only, so searches may run side by side, and beside
// the recording of later positions.
size_t JcFindRecordedMatches(const JcMatchFinder& mf, const JcPriorHeads& prior, size_t s,
                             size_t pos, size_t limit, JcMatch* out);

// Length of the common prefix of a and b, at most `limit`.
size_t JcMatchLength(const uint8_t* a, const uint8_t* b, size_t limit);

}  // namespace wb
