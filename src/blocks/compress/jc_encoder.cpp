// Builds JC blocks: a price-driven forward parse per chunk, with literal width, literal base
// and offset low bits chosen per region, then the bit stream.
#include "blocks/compress/jc_encoder.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <limits>

#include "blocks/common/jc_format.h"
#include "blocks/decompress/unpack_block.h"
#include "blocks/compress/jc_bit_writer.h"
#include "blocks/compress/jc_match_finder.h"
#include "blocks/compress/ordered_jobs.h"

namespace wb {
namespace {

// Positions parsed together: longer chunks lose fewer matches at their ends, shorter ones
// keep the parse's nodes in cache.
constexpr size_t kChunkFast = size_t(1) << 16;
constexpr size_t kChunkSlow = size_t(1) << 18;  // from the two-pass levels on
constexpr size_t kGranule = 512;             // literal-width decisions are made per granule
constexpr uint32_t kInf = std::numeric_limits<uint32_t>::max() / 2;
constexpr uint32_t kNoBase = 0xFFFFFFFFu;  // literal mode "8-bit" in a LiteralMode

struct LevelParams {
    unsigned depth;
    uint32_t nice;
    uint32_t allLengths;  // every length up to this is priced; longer matches only whole
    bool twoPasses;  // parse each chunk twice: once to measure, once with the tuned regions
    bool tree;       // binary-tree match finder (depth counts tree nodes)
    unsigned bridgeGap;  // price "match, up to this many single bytes, repeated distance"
};

constexpr std::array<LevelParams, 10> kLevels = {{
    {0, 0, 0, false, false, 0},
    {1, 12, 6, false, false, 0},
    {1, 16, 8, false, false, 0},
    {2, 24, 8, false, false, 0},
    {3, 24, 10, false, false, 1},
    {3, 32, 10, false, false, 1},
    {3, 32, 12, false, false, 1},
    {16, 96, 32, true, false, 2},
    {32, 160, 64, true, true, 3},
    {64, 273, 273, true, true, 4},
}};

enum class OpKind : uint8_t { Literal, Zero, Single, Short, Match, Rep, Raw };

struct Op {
    OpKind kind;
    uint32_t len;
    uint32_t dist;
    uint8_t offsetBits = 0;  // explicit-distance matches: the offset low bits to code it with
};
// kNoBase: 8-bit literals; otherwise 7-bit literals over [base, base + 127] (mod 256).
struct LiteralMode {
    uint32_t base = kNoBase;
};

inline bool LiteralFits(LiteralMode m, uint8_t b) {
    return m.base == kNoBase || uint8_t(b - m.base) < 128;
}

inline unsigned Gamma(uint64_t v) { return unsigned(2 * (63 - __builtin_clzll(v))); }

inline uint32_t DistanceCost(uint32_t dist, unsigned lb) {
    return Gamma((uint64_t(dist) >> lb) + jc::kGammaDistanceBase) + lb;
}
inline uint32_t RepCost(uint32_t len) { return 4 + Gamma(len); }
constexpr uint32_t kShortCost = 12;
constexpr uint32_t kSingleCost = 7;
constexpr uint32_t kRawCost = 2049;       // 256 bytes and a continuation bit
constexpr uint32_t kRawStartCost = 8;     // prefix, escape and raw bit of the first run
constexpr uint32_t kWidthSwitchCost = 17;  // worst case, with a base

// Everything that carries over from one chunk to the next, in the parser and the emitter.
struct StreamState {
    uint32_t lastOffset = jc::kInitialLastOffset;
    unsigned offsetBits = jc::kInitialOffsetBits;
    bool widthSet = false;
    LiteralMode lit;
};

// A node is reached by one op, or by a bridge: an op of `first` bytes, `gap` single bytes,
// then the repeated distance for the rest of `len`.
struct Node {
    uint32_t cost;
    uint32_t len;    // length of the step that reaches this node (0: unreached)
    uint32_t dist;
    uint32_t last;   // last offset after that step
    uint32_t first;  // bridges: length of the leading op; 0 for a single op
    OpKind kind;     // the (leading) op
    uint8_t gap;     // bridges: bytes between the leading op and the repeat (1 or 2)
};

// The cheapest code for the single byte at a position: zero byte, single-byte copy or literal.
struct OneByte {
    uint8_t cost;  // 255: only a raw run can code it
    OpKind kind;
    uint8_t dist;
};

struct ChunkCandidates {
    std::vector<uint32_t> start;  // per position: index of its first match in `matches`
    std::vector<JcMatch> matches;
    std::vector<uint8_t> skip;
    JcPriorHeads prior;  // chain finders: the chunk's record, searched after it is made
};

struct Encoder {
    const uint8_t* data;
    size_t size;
    LevelParams lp;
    JcMatchFinder mf;
    const ChunkCandidates* cc = nullptr;  // the current chunk's
    std::vector<Node> nodes;
    std::vector<OneByte> oneByte;         // per chunk position
    std::vector<uint8_t> offsetBitsAt;    // per chunk position: offset low bits for pricing
    std::vector<LiteralMode> regionMode;  // per granule of the chunk
    std::vector<Op> ops;
    StreamState parseState;  // state at the start of the current chunk
};

// Collects the match candidates of chunk `k`, [s, e), once, so the parse can run twice over
// them. A match reaching the nice length is taken whole: the positions it covers are only
// recorded. Nothing here depends on how earlier chunks were parsed, so chunks are gathered
// ahead of the parse as jobs of `jobs`: in turn for the tree, whose searches change it; the
// chains are only recorded in turn and then searched side by side with other chunks.
void GatherCandidates(JcMatchFinder& mf, uint32_t nice, ChunkCandidates& cc, size_t s, size_t e,
                      OrderedJobs& jobs, size_t k) {
    const size_t n = e - s;
    cc.start.assign(n + 1, 0);
    cc.skip.assign(n, 0);
    cc.matches.clear();
    BeginJobTurn(jobs, k);
    if (!mf.tree) {
        JcRecordPositions(mf, s, e, cc.prior);
        EndJobTurn(jobs, k);
    }
    JcMatch buf[kJcMaxMatches];
    size_t skipUntil = 0;
    for (size_t i = 0; i < n; ++i) {
        cc.start[i] = uint32_t(cc.matches.size());
        if (i < skipUntil) {
            cc.skip[i] = 1;
            if (mf.tree) JcSkipPosition(mf, s + i);
            continue;
        }
        const size_t count = mf.tree ? JcFindMatches(mf, s + i, n - i, buf)
                                     : JcFindRecordedMatches(mf, cc.prior, s, s + i, n - i, buf);
        for (size_t m = 0; m < count; ++m) cc.matches.push_back(buf[m]);
        if (count > 0 && buf[count - 1].len >= nice) skipUntil = i + buf[count - 1].len;
    }
    cc.start[n] = uint32_t(cc.matches.size());
    if (mf.tree) EndJobTurn(jobs, k);
}

// Valid 7-bit bases for a set of byte values: base b works when no value lies in
// [b + 128, b + 255] (mod 256).
std::bitset<256> ValidBases(const std::bitset<256>& present) {
    std::bitset<256> ok;
    int prefix[513];
    prefix[0] = 0;
    for (int i = 0; i < 512; ++i) prefix[i + 1] = prefix[i] + (present[i & 255] ? 1 : 0);
    for (int b = 0; b < 256; ++b) {
        if (prefix[b + 256] - prefix[b + 128] == 0) ok.set(size_t(b));
    }
    return ok;
}

// Chooses the literal mode of each granule of [s, e). `literals` estimates, per granule, how
// many literals the parse emits there; a 7-bit stretch must save more than its switches cost.
// Only a granule whose every non-zero byte fits a 7-bit window may use one, so every byte
// stays codable as a literal (zero bytes have a code of their own).
void ChooseLiteralModes(Encoder& en, size_t s, size_t e, const std::vector<uint32_t>& literals) {
    const size_t granules = (e - s + kGranule - 1) / kGranule;
    en.regionMode.assign(granules, LiteralMode{});
    size_t g = 0;
    while (g < granules) {
        std::bitset<256> bases;
        bases.set();
        size_t h = g;
        uint32_t saved = 0;
        while (h < granules) {
            std::bitset<256> present;
            const size_t a = s + h * kGranule;
            const size_t b = std::min(e, a + kGranule);
            for (size_t i = a; i < b; ++i) present.set(en.data[i]);
            present.reset(0);
            const std::bitset<256> next = bases & ValidBases(present);
            if (next.none()) break;
            bases = next;
            saved += literals[h];
            ++h;
        }
        if (h > g && saved > 2 * kWidthSwitchCost) {
            uint32_t base = 0;
            // Prefer the bases that also cover the bytes most literals are (text: 0x20..0x7E).
            if (bases.test(0x20)) base = 0x20;
            else if (bases.test(0)) base = 0;
            else while (!bases.test(base)) ++base;
            for (size_t k = g; k < h; ++k) en.regionMode[k].base = base;
        }
        g = h > g ? h : g + 1;
    }
}

// One run of the forward dynamic program over [s, e): the nodes and the limits every edge
// obeys.
struct ChunkParse {
    Encoder& en;
    const size_t s;
    const size_t n;
    std::vector<Node>& nodes;
    const uint8_t* const d;
    const uint32_t nice;
    const uint32_t allLengths;
    const unsigned bridgeGap;
    const bool bridges;
};

inline void Relax(ChunkParse& cp, size_t to, uint32_t cost, OpKind kind, uint32_t len,
                  uint32_t dist, uint32_t last) {
    Node& t = cp.nodes[to];
    if (cost < t.cost) t = Node{cost, len, dist, last, 0, kind, 0};
}

// After an op of `len` bytes ending at chunk position j that leaves last offset `dist`:
// one or two single bytes, then the repeated distance. Executables often differ from an
// earlier copy by a byte or two (an address, a register), and the parse keeps only the
// cheapest path's last offset at each position, which is often another one.
inline void Bridge(ChunkParse& cp, size_t j, uint32_t cost, OpKind kind, uint32_t len,
                   uint32_t dist) {
    const size_t n = cp.n;
    uint32_t gapCost = 0;
    for (unsigned gap = 1; gap <= cp.bridgeGap; ++gap) {
        const size_t r = j + gap;  // where the repeat starts
        if (r + 2 > n || cp.en.oneByte[r - 1].cost == 255 || dist > cp.s + r) return;
        gapCost += cp.en.oneByte[r - 1].cost;
        const uint8_t* q = cp.d + cp.s + r;
        if (q[0] != *(q - dist) || q[1] != *(q + 1 - dist)) continue;
        const size_t rl = 2 + JcMatchLength(q + 2, q + 2 - dist, n - r - 2);
        const size_t to = r + rl;
        const uint32_t total = cost + gapCost + RepCost(uint32_t(rl));
        Node& t = cp.nodes[to];
        if (total < t.cost)
            t = Node{total, uint32_t(to - (j - len)), dist, dist, len, kind, uint8_t(gap)};
    }
}

// Repeated distance from node i. True when a repeat of the nice length or more was found:
// the positions it covers then get no edges but single bytes, up to `skipUntil`.
inline bool RepeatEdges(ChunkParse& cp, size_t i, const Node& cur, size_t& skipUntil) {
    const size_t p = cp.s + i;
    const uint32_t c = cur.cost;
    const size_t room = cp.n - i;
    const uint8_t* d = cp.d;
    if (room < 2 || cur.last > p) return false;
    const uint8_t* src = d + p - cur.last;
    if (src[0] != d[p] || src[1] != d[p + 1]) return false;
    size_t len = JcMatchLength(d + p, src, std::min<size_t>(room, cp.nice));
    if (len >= cp.nice) {
        len += JcMatchLength(d + p + len, src + len, room - len);
        Relax(cp, i + len, c + RepCost(uint32_t(len)), OpKind::Rep, uint32_t(len), 0, cur.last);
        if (cp.bridges)
            Bridge(cp, i + len, c + RepCost(uint32_t(len)), OpKind::Rep, uint32_t(len), cur.last);
        skipUntil = i + len;
        return true;
    }
    const size_t top = std::min<size_t>(len, cp.allLengths);
    for (size_t l = 2; l <= top; ++l)
        Relax(cp, i + l, c + RepCost(uint32_t(l)), OpKind::Rep, uint32_t(l), 0, cur.last);
    if (len > top)
        Relax(cp, i + len, c + RepCost(uint32_t(len)), OpKind::Rep, uint32_t(len), 0, cur.last);
    if (cp.bridges)
        Bridge(cp, i + len, c + RepCost(uint32_t(len)), OpKind::Rep, uint32_t(len), cur.last);
    return false;
}

// Short and normal matches from the candidates of node i.
inline void MatchEdges(ChunkParse& cp, size_t i, const Node& cur) {
    const ChunkCandidates& cc = *cp.en.cc;
    const uint32_t c = cur.cost;
    const unsigned lb = cp.en.offsetBitsAt[i];
    uint32_t prevLen = 1;
    bool shortDone = false;
    for (uint32_t m = cc.start[i]; m < cc.start[i + 1]; ++m) {
        const JcMatch mt = cc.matches[m];
        const uint32_t dist = mt.dist;
        if (dist == cur.last) {
            prevLen = mt.len;
            continue;  // the repeated-distance code covers it for less
        }
        if (!shortDone && dist <= jc::kShortMaxDistance) {
            const uint32_t top = std::min<uint32_t>(mt.len, jc::kShortMaxLength);
            for (uint32_t l = std::max<uint32_t>(prevLen + 1, jc::kShortMinLength); l <= top; ++l)
                Relax(cp, i + l, c + kShortCost, OpKind::Short, l, dist, dist);
            if (top == jc::kShortMaxLength) {
                shortDone = true;
            } else if (cp.bridges && mt.len >= jc::kShortMinLength) {
                Bridge(cp, i + mt.len, c + kShortCost, OpKind::Short, mt.len, dist);
            }
        }
        const uint32_t adj = jc::LengthAdjust(dist);
        const uint32_t base = c + 2 + DistanceCost(dist, lb);
        if (mt.len >= cp.nice) {
            Relax(cp, i + mt.len, base + Gamma(mt.len - adj), OpKind::Match, mt.len, dist, dist);
            if (cp.bridges)
                Bridge(cp, i + mt.len, base + Gamma(mt.len - adj), OpKind::Match, mt.len, dist);
            break;
        }
        const uint32_t top = std::min(mt.len, cp.allLengths);
        for (uint32_t l = std::max(prevLen + 1, adj + 2); l <= top; ++l)
            Relax(cp, i + l, base + Gamma(l - adj), OpKind::Match, l, dist, dist);
        if (mt.len > top && mt.len >= adj + 2)
            Relax(cp, i + mt.len, base + Gamma(mt.len - adj), OpKind::Match, mt.len, dist, dist);
        if (cp.bridges && mt.len >= adj + 2)
            Bridge(cp, i + mt.len, base + Gamma(mt.len - adj), OpKind::Match, mt.len, dist);
        prevLen = mt.len;
    }
}

// Walk back from the end to list the chosen ops in order.
void ListChosenOps(Encoder& en, const std::vector<Node>& nodes, size_t n) {
    en.ops.clear();
    size_t at = n;
    while (at > 0) {
        const Node& t = nodes[at];
        if (t.first == 0) {
            en.ops.push_back(Op{t.kind, t.len, t.dist});
        } else {
            const size_t j = at - t.len + t.first;  // the first bridging byte
            en.ops.push_back(Op{OpKind::Rep, t.len - t.first - t.gap, 0});
            for (size_t k = j + t.gap; k-- > j;) {
                const OneByte ob = en.oneByte[k];
                en.ops.push_back(Op{ob.kind, 1, ob.dist});
            }
            en.ops.push_back(Op{t.kind, t.first, t.kind == OpKind::Rep ? 0 : t.dist});
        }
        at -= t.len;
    }
    std::reverse(en.ops.begin(), en.ops.end());
}

// The forward dynamic program over [s, e): cheapest bits to reach each position.
void ParseChunk(Encoder& en, size_t s, size_t e) {
    const size_t n = e - s;
    std::vector<Node>& nodes = en.nodes;
    nodes.assign(n + 1, Node{kInf, 0, 0, 0, 0, OpKind::Literal, 0});
    nodes[0].cost = 0;
    nodes[0].last = en.parseState.lastOffset;
    ChunkParse cp{en, s, n, nodes, en.data, en.lp.nice, en.lp.allLengths, en.lp.bridgeGap,
                  en.lp.bridgeGap != 0};

    size_t skipUntil = 0;
    for (size_t i = 0; i < n; ++i) {
        const Node cur = nodes[i];
        if (cur.cost >= kInf) continue;
        const uint32_t c = cur.cost;

        // One byte. Every reached node gets this edge, also inside a long match, so the end
        // of the chunk is always reached.
        const OneByte ob = en.oneByte[i];
        if (ob.cost != 255) Relax(cp, i + 1, c + ob.cost, ob.kind, 1, ob.dist, cur.last);

        if (en.cc->skip[i] || i < skipUntil) continue;
        if (RepeatEdges(cp, i, cur, skipUntil)) continue;
        MatchEdges(cp, i, cur);

        // Raw run for bytes nothing else codes cheaply.
        if (n - i >= jc::kRawRunBytes) {
            const uint32_t extra = cur.kind == OpKind::Raw && cur.first == 0 && i > 0 ? 0 : kRawStartCost;
            Relax(cp, i + jc::kRawRunBytes, c + kRawCost + extra, OpKind::Raw, jc::kRawRunBytes, 0,
                  cur.last);
        }
    }
    ListChosenOps(en, nodes, n);
}

void FillByteCosts(Encoder& en, size_t s, size_t e) {
    en.oneByte.resize(e - s);
    const uint8_t* d = en.data;
    // Latest position (plus one) of each byte value, for the single-byte copy.
    uint32_t seen[256] = {};
    const size_t from = s > jc::kSingleMaxDistance ? s - jc::kSingleMaxDistance : 0;
    for (size_t p = from; p < s; ++p) seen[d[p]] = uint32_t(p - from + 1);
    for (size_t p = s; p < e; ++p) {
        const uint8_t b = d[p];
        OneByte& o = en.oneByte[p - s];
        const size_t at = seen[b] == 0 ? 0 : from + seen[b];  // one past the latest
        seen[b] = uint32_t(p - from + 1);
        if (b == 0) {
            o = OneByte{uint8_t(kSingleCost), OpKind::Zero, 0};
        } else if (at != 0 && p - (at - 1) <= jc::kSingleMaxDistance) {
            o = OneByte{uint8_t(kSingleCost), OpKind::Single, uint8_t(p - (at - 1))};
        } else {
            const LiteralMode m = en.regionMode[(p - s) / kGranule];
            o = OneByte{uint8_t(m.base == kNoBase ? 9 : (LiteralFits(m, b) ? 8 : 255)),
                        OpKind::Literal, 0};
        }
    }
}

inline uint32_t OffsetBitsCodeCost(unsigned lb) { return lb <= 15 ? 16 : 17; }

// Chooses the offset low bits of every explicit-distance match of `ops`, which start with last
// offset `last` and offset low bits `current`: the cheapest sequence of values, counting an
// offset-bits code at each change. Values above the bit length of the block's size cost more
// than that one for every distance, so they are not tried. Returns the value in force after
// the ops.
unsigned AssignOffsetBits(std::vector<Op>& ops, uint32_t last, unsigned current, size_t size) {
    constexpr unsigned kMaxStates = jc::kMaxOffsetBits + 1;
    unsigned kStates = 2;
    while (kStates < kMaxStates && (uint64_t(1) << (kStates - 1)) <= size) ++kStates;
    if (current >= kStates) kStates = current + 1;
    std::vector<uint32_t> explicitOps;
    for (size_t k = 0; k < ops.size(); ++k) {
        Op& op = ops[k];
        op.offsetBits = 0;
        if (op.kind == OpKind::Short) {
            last = op.dist;
        } else if (op.kind == OpKind::Match) {
            if (op.dist != last) explicitOps.push_back(uint32_t(k));
            last = op.dist;
        }
    }
    if (explicitOps.empty()) return current;
    // from[m][lb]: the value before explicit match m when m is coded with lb.
    std::vector<std::array<uint8_t, kMaxStates>> from(explicitOps.size());
    std::array<uint64_t, kMaxStates> cost;
    cost.fill(uint64_t(1) << 40);
    cost[current] = 0;
    for (size_t m = 0; m < explicitOps.size(); ++m) {
        const uint32_t dist = ops[explicitOps[m]].dist;
        unsigned cheapest = 1;
        for (unsigned lb = 2; lb < kStates; ++lb)
            if (cost[lb] < cost[cheapest]) cheapest = lb;
        const uint64_t floor = cost[cheapest];
        for (unsigned lb = 1; lb < kStates; ++lb) {
            const uint64_t viaSwitch = floor + OffsetBitsCodeCost(lb);
            if (viaSwitch < cost[lb]) {
                cost[lb] = viaSwitch;
                from[m][lb] = uint8_t(cheapest);
            } else {
                from[m][lb] = uint8_t(lb);
            }
            cost[lb] += DistanceCost(dist, lb);
        }
    }
    unsigned lb = 1;
    for (unsigned k = 2; k < kStates; ++k)
        if (cost[k] < cost[lb]) lb = k;
    const unsigned tail = lb;
    for (size_t m = explicitOps.size(); m-- > 0;) {
        ops[explicitOps[m]].offsetBits = uint8_t(lb);
        lb = from[m][lb];
    }
    return tail;
}

// Spreads the offset low bits chosen for the ops over the positions they cover, for pricing
// the next parse of the same chunk: each position takes the value of the next explicit match.
void OffsetBitsByPosition(Encoder& en, size_t n, unsigned tail) {
    en.offsetBitsAt.resize(n);
    size_t end = n;
    unsigned lb = tail;
    for (size_t k = en.ops.size(); k-- > 0;) {
        const Op& op = en.ops[k];
        const size_t start = end - op.len;
        if (op.offsetBits != 0) lb = op.offsetBits;
        std::fill(en.offsetBitsAt.begin() + ptrdiff_t(start), en.offsetBitsAt.begin() + ptrdiff_t(end),
                  uint8_t(lb));
        end = start;
    }
}

struct Emitter {
    JcBitWriter w;
    StreamState st;
    bool rawOpen = false;  // a raw run was written and its continuation bit is still due
};

void EmitLiteralWidth(Emitter& em, LiteralMode m) {
    JcPutBits(em.w, jc::kPrefixSingle, jc::kPrefixSingleBits);
    JcPutBits(em.w, jc::kSingleEscape, jc::kSingleBits);
    JcPutBits(em.w, 0, 1);
    if (m.base == kNoBase) {
        JcPutBits(em.w, 1, 1);
    } else {
        JcPutBits(em.w, 0, 1);
        JcPutBits(em.w, m.base, jc::kLiteralBaseBits);
    }
    em.st.widthSet = true;
    em.st.lit = m;
}

void EmitOffsetBits(Emitter& em, unsigned lb) {
    const unsigned n = lb <= 15 ? 1 : 2;  // n + 3 bits carry the value
    JcPutBits(em.w, jc::kPrefixShort, jc::kPrefixShortBits);
    JcPutBits(em.w, 0, jc::kShortDistanceBits);
    JcPutBits(em.w, n, jc::kShortLengthBits);
    JcPutBits(em.w, lb, n + 3);
    em.st.offsetBits = lb;
}

void CloseRaw(Emitter& em) {
    if (em.rawOpen) {
        JcPutBits(em.w, 0, 1);
        em.rawOpen = false;
    }
}

// Writes the chunk's ops. Region settings are switched lazily: a literal-width code only
// before a literal the current mode cannot code, an offset-bits code only before a match
// with an explicit distance.
void EmitChunk(Emitter& em, const Encoder& en, size_t s) {
    size_t p = s;
    for (const Op& op : en.ops) {
        if (op.kind != OpKind::Raw) CloseRaw(em);
        switch (op.kind) {
        case OpKind::Literal: {
            const uint8_t b = en.data[p];
            const LiteralMode region = en.regionMode[(p - s) / kGranule];
            if (!LiteralFits(em.st.lit, b) ||
                (em.st.lit.base == kNoBase && region.base != kNoBase)) {
                LiteralMode want = region;
                if (!LiteralFits(want, b)) want = LiteralMode{};
                EmitLiteralWidth(em, want);
            }
            const unsigned width = em.st.lit.base == kNoBase ? 8 : 7;
            const uint32_t v = em.st.lit.base == kNoBase ? b : uint8_t(b - em.st.lit.base);
            JcPutBits(em.w, (1u << width) | v, width + 1);
            break;
        }
        case OpKind::Zero:
            JcPutBits(em.w, jc::kPrefixSingle << jc::kSingleBits | jc::kSingleZero,
                      jc::kPrefixSingleBits + jc::kSingleBits);
            break;
        case OpKind::Single:
            JcPutBits(em.w, jc::kPrefixSingle << jc::kSingleBits | (op.dist + 1),
                      jc::kPrefixSingleBits + jc::kSingleBits);
            break;
        case OpKind::Short:
            JcPutBits(em.w, jc::kPrefixShort, jc::kPrefixShortBits);
            JcPutBits(em.w, op.dist, jc::kShortDistanceBits);
            JcPutBits(em.w, op.len - jc::kShortMinLength, jc::kShortLengthBits);
            em.st.lastOffset = op.dist;
            break;
        case OpKind::Rep:
        case OpKind::Match:
            if (op.kind == OpKind::Rep || op.dist == em.st.lastOffset) {
                JcPutBits(em.w, jc::kPrefixMatch, jc::kPrefixMatchBits);
                JcPutGamma(em.w, jc::kGammaRepeat);
                JcPutGamma(em.w, op.len);
            } else {
                if (op.offsetBits != 0 && em.st.offsetBits != op.offsetBits)
                    EmitOffsetBits(em, op.offsetBits);
                const unsigned ob = em.st.offsetBits;
                JcPutBits(em.w, jc::kPrefixMatch, jc::kPrefixMatchBits);
                JcPutGamma(em.w, (uint64_t(op.dist) >> ob) + jc::kGammaDistanceBase);
                JcPutBits(em.w, op.dist & ((1u << ob) - 1), ob);
                JcPutGamma(em.w, op.len - jc::LengthAdjust(op.dist));
                em.st.lastOffset = op.dist;
            }
            break;
        case OpKind::Raw:
            if (em.rawOpen) {
                JcPutBits(em.w, 1, 1);
            } else {
                JcPutBits(em.w, jc::kPrefixSingle << jc::kSingleBits | jc::kSingleEscape,
                          jc::kPrefixSingleBits + jc::kSingleBits);
                JcPutBits(em.w, 1, 1);
            }
            for (size_t k = 0; k < jc::kRawRunBytes; k += 4) {
                const uint8_t* q = en.data + p + k;
                JcPutBits(em.w, uint32_t(q[0]) << 24 | uint32_t(q[1]) << 16 |
                                    uint32_t(q[2]) << 8 | q[3], 32);
            }
            em.rawOpen = true;
            break;
        }
        p += op.len;
    }
}

}  // namespace

std::vector<uint8_t> PackBlock(const uint8_t* data, size_t length, int level, unsigned threads) {
    if (length > 0xFFFFFFFFu) return {};
    if (data == nullptr) length = 0;
    level = std::clamp(level, 1, 9);

    std::vector<uint8_t> block(jc::kHeaderSize, 0);
    block[0] = jc::kMagic0;
    block[1] = jc::kMagic1;
    const uint32_t size32 = uint32_t(length);
    const uint32_t sum = BlockChecksum(data, length);
    for (unsigned k = 0; k < 4; ++k) {
        block[jc::kSizeOffset + k] = uint8_t(size32 >> (8 * k));
        block[jc::kChecksumOffset + k] = uint8_t(sum >> (8 * k));
    }
    Emitter em;
    em.w.out = &block;

    Encoder en;
    en.data = data;
    en.size = length;
    en.lp = kLevels[size_t(level)];
    if (length > 0) JcInitMatchFinder(en.mf, data, length, en.lp.depth, en.lp.nice, en.lp.tree);

    const size_t chunk = en.lp.twoPasses ? kChunkSlow : kChunkFast;
    const size_t chunks = (length + chunk - 1) / chunk;
    // Chunk k's candidates go to slot k mod slots: a job starts at most `ahead` chunks past
    // the one being parsed, so it never writes the slot in use. The tree is searched one
    // chunk at a time, so more chunks ahead would only hold memory. One thread gathers each
    // chunk just before its parse, into the one slot.
    const size_t ahead = en.lp.tree ? 2 : 2 * size_t(std::max(threads, 1u));
    std::vector<ChunkCandidates> slots(threads < 2 ? 1 : std::min(chunks, ahead + 1));
    OrderedJobs jobs;
    StartOrderedJobs(jobs, chunks, threads, ahead, [&en, &slots, &jobs, chunk, length](size_t k) {
        const size_t s = k * chunk;
        GatherCandidates(en.mf, en.lp.nice, slots[k % slots.size()], s,
                         std::min(length, s + chunk), jobs, k);
    });

    std::vector<uint32_t> literals;
    unsigned lb = jc::kInitialOffsetBits;  // in force at the start of the chunk
    for (size_t s = 0; s < length; s += chunk) {
        const size_t e = std::min(length, s + chunk);
        const size_t n = e - s;
        WaitForJob(jobs, s / chunk);
        en.cc = &slots[(s / chunk) % slots.size()];
        const size_t granules = (n + kGranule - 1) / kGranule;
        // First estimate: a third of the bytes end up as literals.
        literals.assign(granules, uint32_t(kGranule / 3));
        ChooseLiteralModes(en, s, e, literals);
        FillByteCosts(en, s, e);
        en.offsetBitsAt.assign(n, uint8_t(lb));
        ParseChunk(en, s, e);
        if (en.lp.twoPasses) {
            literals.assign(granules, 0);
            size_t p = s;
            for (const Op& op : en.ops) {
                if (op.kind == OpKind::Literal) ++literals[(p - s) / kGranule];
                p += op.len;
            }
            const unsigned tail = AssignOffsetBits(en.ops, en.parseState.lastOffset, lb, length);
            OffsetBitsByPosition(en, n, tail);
            ChooseLiteralModes(en, s, e, literals);
            FillByteCosts(en, s, e);
            ParseChunk(en, s, e);
        }
        lb = AssignOffsetBits(en.ops, en.parseState.lastOffset, lb, length);
        for (const Op& op : en.ops) {
            if (op.kind == OpKind::Match || op.kind == OpKind::Short)
                en.parseState.lastOffset = op.dist;
        }
        if (!em.st.widthSet) EmitLiteralWidth(em, en.regionMode[0]);
        EmitChunk(em, en, s);
    }
    StopOrderedJobs(jobs);
    en.mf = JcMatchFinder{};

    if (!em.st.widthSet) EmitLiteralWidth(em, LiteralMode{});
    CloseRaw(em);
    // A block exactly as long as its data would be read as stored: redundant literal-width
    // codes (36 bits or more) move the end into another word.
    constexpr unsigned kEndBits = jc::kPrefixShortBits + jc::kShortDistanceBits + jc::kShortLengthBits;
    const uint64_t words = (em.w.bitsWritten + kEndBits + 31) / 32;
    if (length > 0 && jc::kHeaderSize + words * 4 == length) {
        for (int k = 0; k < 4; ++k) EmitLiteralWidth(em, em.st.lit);
    }
    JcPutBits(em.w, jc::kPrefixShort, jc::kPrefixShortBits);
    JcPutBits(em.w, 0, jc::kShortDistanceBits + jc::kShortLengthBits);
    JcFlushBits(em.w);
    return block;
}

}  // namespace wb
