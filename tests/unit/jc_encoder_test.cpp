// Round trips of the JC encoder through the block decoder, over many shapes of data and all levels.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "blocks/common/jc_format.h"
#include "blocks/decompress/unpack_block.h"
#include "blocks/compress/jc_encoder.h"
#include "blocks/compress/jc_match_finder.h"

namespace wb {
namespace {

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

std::vector<uint8_t> TextBytes(size_t n, uint32_t seed) {
    static const char* words[] = {"setup ", "install ", "folder ", "the ", "program ",
                                  "Wendlebox ", "file\r\n", "language ", "uninstall ", "of "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) s += words[rng() % 10];
    s.resize(n);
    return {s.begin(), s.end()};
}

// Code-like bytes with every value present, some repeats near and far, zero padding, a
// stretch of UTF-16 text, and a stretch of noise.
std::vector<uint8_t> MixedBytes(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v;
    v.reserve(n);
    while (v.size() < n) {
        switch (rng() % 6) {
        case 0:
            for (int i = 0; i < 200; ++i) v.push_back(uint8_t(rng()));
            break;
        case 1:
            v.insert(v.end(), 50 + rng() % 300, 0);
            break;
        case 2:
            if (v.size() > 16) {
                const size_t from = rng() % (v.size() - 8);
                const size_t len = 3 + rng() % 60;
                for (size_t i = 0; i < len; ++i) v.push_back(v[from + i]);
            }
            break;
        case 3:
            for (char c : std::string("Wendlebox Setup Program Files ")) {
                v.push_back(uint8_t(c));
                v.push_back(0);
            }
            break;
        case 4:
            for (int i = 0; i < 64; ++i) v.push_back(uint8_t(0x40 + rng() % 8));
            break;
        default: {
            const uint32_t stride = 4 + rng() % 12;
            for (uint32_t i = 0; i < 20 * stride; ++i) v.push_back(uint8_t(i % stride == 0 ? rng() : i));
            break;
        }
        }
    }
    v.resize(n);
    return v;
}

// Packs and unpacks `data`, checking every property a Package writer relies on.
void ExpectRoundTrip(const std::vector<uint8_t>& data, int level) {
    SCOPED_TRACE("level " + std::to_string(level) + ", " + std::to_string(data.size()) + " bytes");
    const std::vector<uint8_t> block = PackBlock(data.data(), data.size(), level);
    ASSERT_GE(block.size(), jc::kHeaderSize + 4);
    EXPECT_EQ((block.size() - jc::kHeaderSize) % 4, 0u);
    if (!data.empty()) {
        EXPECT_NE(block.size(), data.size());
    }
    EXPECT_EQ(BlockStatedSize(block.data(), block.size()), data.size());
    uint32_t stored;
    std::memcpy(&stored, block.data() + jc::kChecksumOffset, 4);
    EXPECT_EQ(stored, BlockChecksum(data.data(), data.size()));

    std::vector<uint8_t> out(data.size() + 8, 0xEE);
    const UnpackResult r = UnpackBlockEx(block.data(), block.size(), out.data(), data.size());
    ASSERT_EQ(r.status, UnpackStatus::Ok);
    ASSERT_EQ(r.size, data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
    for (size_t i = data.size(); i < out.size(); ++i) {
        ASSERT_EQ(out[i], 0xEE) << "wrote past capacity";
    }
}

TEST(JcEncoder, RoundTripsSmallInputsAtEveryLevel) {
    for (int level = 1; level <= 9; ++level) {
        ExpectRoundTrip({}, level);
        ExpectRoundTrip({0x61}, level);
        ExpectRoundTrip({0x00, 0xFF}, level);
        ExpectRoundTrip({0x61, 0x62, 0x63}, level);
        ExpectRoundTrip({0x61, 0x62, 0x63, 0x64}, level);
        for (size_t n = 1; n < 40; ++n) ExpectRoundTrip(RandomBytes(n, uint32_t(n)), level);
    }
}

TEST(JcEncoder, RoundTripsStructuredDataAtEveryLevel) {
    for (int level = 1; level <= 9; ++level) {
        ExpectRoundTrip(TextBytes(20000, 1), level);
        ExpectRoundTrip(std::vector<uint8_t>(100000, 0), level);
        ExpectRoundTrip(std::vector<uint8_t>(70000, 0xAB), level);
        ExpectRoundTrip(RandomBytes(100000, 7), level);
        ExpectRoundTrip(MixedBytes(150000, uint32_t(level)), level);
    }
}

TEST(JcEncoder, RoundTripsSeveralMegabytesAcrossChunks) {
    std::vector<uint8_t> data = MixedBytes(3 << 20, 99);
    // A far repeat: the second half of the block reuses its first megabyte.
    std::copy(data.begin(), data.begin() + (1 << 20), data.begin() + (2 << 20));
    ExpectRoundTrip(data, 6);
    ExpectRoundTrip(data, 9);
}

// Several chunks at every chunk size (64 KiB up to level 6, 256 KiB above), with repeats
// reaching back across chunks and a long run that carries a nice-length match over a
// chunk's end.
std::vector<uint8_t> ManyChunks() {
    std::vector<uint8_t> data = MixedBytes(600 << 10, 41);
    std::copy(data.begin(), data.begin() + (150 << 10), data.begin() + (400 << 10));
    std::fill(data.begin() + (256 << 10) - 5000, data.begin() + (256 << 10) + 7000, uint8_t(0x5A));
    return data;
}

TEST(JcEncoder, ThreadsGiveTheSameBlockAsOne) {
    const std::vector<uint8_t> data = ManyChunks();
    const std::vector<uint8_t> twoChunks = TextBytes(100000, 12);
    for (int level : {1, 6, 7, 9}) {  // chains, chains parsed twice, the tree
        SCOPED_TRACE("level " + std::to_string(level));
        const std::vector<uint8_t> one = PackBlock(data.data(), data.size(), level, 1);
        for (unsigned threads : {2u, 5u}) {
            EXPECT_EQ(PackBlock(data.data(), data.size(), level, threads), one) << threads;
        }
        // More threads than chunks.
        EXPECT_EQ(PackBlock(twoChunks.data(), twoChunks.size(), level, 8),
                  PackBlock(twoChunks.data(), twoChunks.size(), level, 1));
    }
    std::vector<uint8_t> out(data.size());
    const std::vector<uint8_t> block = PackBlock(data.data(), data.size(), 6, 2);
    ASSERT_EQ(UnpackBlock(block.data(), block.size(), out.data(), out.size()), data.size());
    EXPECT_EQ(out, data);
}

TEST(JcEncoder, CompressesWhatIsCompressible) {
    const std::vector<uint8_t> text = TextBytes(50000, 3);
    const std::vector<uint8_t> zeros(50000, 0);
    const std::vector<uint8_t> noise = RandomBytes(50000, 3);
    EXPECT_LT(PackBlock(text.data(), text.size(), 9).size(), text.size() / 3);
    EXPECT_LT(PackBlock(zeros.data(), zeros.size(), 6).size(), 64u);
    // Noise goes out as raw runs: 8 bits a byte and a little.
    EXPECT_LT(PackBlock(noise.data(), noise.size(), 6).size(), noise.size() + noise.size() / 100);
    EXPECT_LE(PackBlock(text.data(), text.size(), 9).size(),
              PackBlock(text.data(), text.size(), 1).size());
}

TEST(JcEncoder, NeverProducesABlockAsLongAsItsData) {
    // Noise packs to about its own length; walk the lengths around each word boundary.
    for (size_t n = 240; n < 1400; n += 1) {
        const std::vector<uint8_t> data = RandomBytes(n, uint32_t(n * 31));
        const std::vector<uint8_t> block = PackBlock(data.data(), data.size(), 6);
        ASSERT_NE(block.size(), n);
        std::vector<uint8_t> out(n);
        ASSERT_EQ(UnpackBlock(block.data(), block.size(), out.data(), n), n);
        ASSERT_EQ(out, data);
    }
}

TEST(JcEncoder, SevenBitLiteralsPayForText) {
    // Text over a vocabulary of random words, and the same text with its byte values spread
    // by a bijection (b * 37 mod 256): the matches are identical, only the literals can no
    // longer share a 7-bit window, so the spread copy must cost about a bit per literal more.
    std::mt19937 rng(5);
    std::vector<std::string> vocabulary(3000);
    for (auto& w : vocabulary) {
        for (size_t k = 0, n = 3 + rng() % 8; k < n; ++k) w += char(0x21 + rng() % 94);
        w += ' ';
    }
    std::vector<uint8_t> text;
    while (text.size() < 60000) {
        const std::string& w = vocabulary[rng() % vocabulary.size()];
        text.insert(text.end(), w.begin(), w.end());
    }
    std::vector<uint8_t> spread(text.size());
    for (size_t i = 0; i < text.size(); ++i) spread[i] = uint8_t(text[i] * 37);
    for (int level : {6, 9}) {
        const size_t plain = PackBlock(text.data(), text.size(), level).size();
        const size_t wide = PackBlock(spread.data(), spread.size(), level).size();
        EXPECT_LT(plain + plain / 50, wide) << "level " << level;
        ExpectRoundTrip(text, level);
        ExpectRoundTrip(spread, level);
    }
}

// Longest common prefix of positions a < b, at most `limit`, the slow way.
size_t SlowMatch(const std::vector<uint8_t>& v, size_t a, size_t b, size_t limit) {
    size_t n = 0;
    while (n < limit && v[a + n] == v[b + n]) ++n;
    return n;
}

// Every reported match must be real, lengths must strictly increase, and (for the tree, with
// depth to spare) the last one must be the longest match of four bytes or more anywhere before.
void ExpectFinderAgreesWithBruteForce(bool tree) {
    SCOPED_TRACE(tree ? "tree" : "chains");
    std::vector<uint8_t> data = MixedBytes(6000, 11);
    JcMatchFinder mf;
    constexpr uint32_t kNice = 40;
    JcInitMatchFinder(mf, data.data(), data.size(), 1u << 20, kNice, tree);
    JcMatch found[kJcMaxMatches];
    for (size_t pos = 0; pos < data.size(); ++pos) {
        const size_t limit = std::min<size_t>(data.size() - pos, 100);
        const size_t count = JcFindMatches(mf, pos, limit, found);
        size_t prev = 0;
        for (size_t k = 0; k < count; ++k) {
            ASSERT_GT(found[k].len, prev) << "at " << pos;
            ASSERT_GE(found[k].len, 2u);
            ASSERT_LE(found[k].len, limit);
            ASSERT_GE(found[k].dist, 1u);
            ASSERT_LE(found[k].dist, pos);
            ASSERT_EQ(SlowMatch(data, pos - found[k].dist, pos, found[k].len), found[k].len)
                << "at " << pos;
            prev = found[k].len;
        }
        if (!tree) continue;
        size_t longest = 0;
        for (size_t a = 0; a < pos; ++a) longest = std::max(longest, SlowMatch(data, a, pos, limit));
        if (longest >= 4) {
            ASSERT_GT(count, 0u) << "at " << pos;
            // Beyond the nice length the search stops at the first candidate that reaches it.
            ASSERT_GE(found[count - 1].len, std::min<size_t>(longest, kNice)) << "at " << pos;
        }
    }
}

TEST(JcMatchFinder, ReportsOnlyRealMatchesAndTheTreeFindsTheLongest) {
    ExpectFinderAgreesWithBruteForce(false);
    ExpectFinderAgreesWithBruteForce(true);
}

TEST(JcMatchFinder, RecordedStretchesFindWhatOneSearchAtATimeFinds) {
    // Recorded in stretches first, then searched from the last stretch back to the first:
    // no search may depend on another.
    std::vector<uint8_t> data = MixedBytes(40000, 17);
    std::copy(data.begin(), data.begin() + 10000, data.begin() + 25000);
    constexpr size_t kStretch = 7000;
    JcMatchFinder inTurn, recorded;
    JcInitMatchFinder(inTurn, data.data(), data.size(), 3, 32);
    JcInitMatchFinder(recorded, data.data(), data.size(), 3, 32);
    std::vector<JcPriorHeads> prior((data.size() + kStretch - 1) / kStretch);
    for (size_t k = 0; k < prior.size(); ++k) {
        const size_t end = std::min(data.size(), (k + 1) * kStretch);
        JcRecordPositions(recorded, k * kStretch, end, prior[k]);
    }
    std::vector<std::vector<JcMatch>> expected(data.size());
    JcMatch found[kJcMaxMatches];
    size_t total = 0;
    for (size_t pos = 0; pos < data.size(); ++pos) {
        const size_t count = JcFindMatches(inTurn, pos, 100, found);
        expected[pos].assign(found, found + count);
        total += count;
    }
    ASSERT_GT(total, data.size() / 2) << "the data must offer matches to compare";
    for (size_t k = prior.size(); k-- > 0;) {
        const size_t s = k * kStretch;
        for (size_t pos = s; pos < std::min(data.size(), s + kStretch); ++pos) {
            const size_t count = JcFindRecordedMatches(recorded, prior[k], s, pos, 100, found);
            ASSERT_EQ(count, expected[pos].size()) << "at " << pos;
            for (size_t m = 0; m < count; ++m) {
                ASSERT_EQ(found[m].len, expected[pos][m].len) << "at " << pos;
                ASSERT_EQ(found[m].dist, expected[pos][m].dist) << "at " << pos;
            }
        }
    }
}

TEST(JcMatchFinder, TreeReachesAcrossSeveralMegabytes) {
    // Noise with a 300-byte piece of its first kilobyte copied near the end, where thousands
    // of nearer positions share short prefixes with it.
    std::vector<uint8_t> data = RandomBytes(5 << 20, 21);
    const size_t from = 700, to = (5 << 20) - 4000;
    std::copy(data.begin() + from, data.begin() + from + 300, data.begin() + to);
    JcMatchFinder mf;
    JcInitMatchFinder(mf, data.data(), data.size(), 64, 273, true);
    JcMatch found[kJcMaxMatches];
    for (size_t pos = 0; pos < to; ++pos) JcSkipPosition(mf, pos);
    const size_t count = JcFindMatches(mf, to, 1000, found);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(found[count - 1].dist, to - from);
    EXPECT_GE(found[count - 1].len, 300u);
    EXPECT_LT(found[count - 1].len, 310u);
    // The caller's limit caps a long match.
    const size_t capped = JcFindMatches(mf, to + 1, 50, found);
    ASSERT_GT(capped, 0u);
    EXPECT_EQ(found[capped - 1].len, 50u);
    EXPECT_EQ(found[capped - 1].dist, to - from);
}

TEST(JcEncoder, PatchedCopiesCostLittleMoreThanTheirPatches) {
    // A 4 KiB record repeated with a byte or two changed every 60 to 120 bytes, as in code
    // relinked at another address. Each patch should cost a byte or two and a repeated-distance
    // code, not a fresh distance.
    std::mt19937 rng(8);
    const std::vector<uint8_t> record = RandomBytes(4096, 8);
    std::vector<uint8_t> data = record;
    size_t patches = 0;
    for (int copy = 0; copy < 40; ++copy) {
        std::vector<uint8_t> next = record;
        for (size_t at = 30 + rng() % 60; at + 2 < next.size(); at += 60 + rng() % 60) {
            next[at] = uint8_t(next[at] + 1 + rng() % 200);
            if (rng() % 2) next[at + 1] ^= 0x80;
            ++patches;
        }
        data.insert(data.end(), next.begin(), next.end());
    }
    // About 40 bits a patch at most at level 9, plus the first record; the default level may
    // pay a fresh distance after some two-byte patches.
    const size_t packed9 = PackBlock(data.data(), data.size(), 9).size();
    EXPECT_LT(packed9, record.size() + record.size() / 20 + patches * 5);
    const size_t packed6 = PackBlock(data.data(), data.size(), 6).size();
    EXPECT_LT(packed6, record.size() + record.size() / 20 + patches * 11);
    EXPECT_LE(packed9, packed6);
    ExpectRoundTrip(data, 6);
    ExpectRoundTrip(data, 9);
}

}  // namespace
}  // namespace wb
