// The JC block decoder against hand-made blocks: every code kind, the documented edge cases,
// damaged streams, and output capacities around the exact size.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "blocks/common/jc_format.h"
#include "blocks/decompress/unpack_block.h"
#include "blocks/compress/jc_encoder.h"

namespace wb {
namespace {

// Builds streams code by code, independent of the encoder, so the decoder is checked against
// the format rather than against its own counterpart.
struct StreamBuilder {
    std::vector<bool> bits;

    StreamBuilder& Bits(uint64_t v, unsigned n) {
        for (unsigned i = n; i-- > 0;) bits.push_back(((v >> i) & 1) != 0);
        return *this;
    }
    StreamBuilder& Gamma(uint64_t v) {
        int top = 63 - __builtin_clzll(v);
        for (int i = top - 1; i >= 0; --i) Bits((v >> i) & 1, 1).Bits(i > 0 ? 1 : 0, 1);
        return *this;
    }
    StreamBuilder& Width8() { return Bits(0b001, 3).Bits(0, 4).Bits(0, 1).Bits(1, 1); }
    StreamBuilder& Width7(uint8_t base) {
        return Bits(0b001, 3).Bits(0, 4).Bits(0, 1).Bits(0, 1).Bits(base, 8);
    }
    StreamBuilder& Literal(uint32_t v, unsigned width) { return Bits(1, 1).Bits(v, width); }
    // Normal match with explicit gamma g, low bits and coded length (before the adjustment).
    StreamBuilder& Match(uint64_t g, uint32_t low, unsigned lowBits, uint64_t codedLen) {
        return Bits(0b01, 2).Gamma(g).Bits(low, lowBits).Gamma(codedLen);
    }
    StreamBuilder& Repeat(uint64_t len) { return Bits(0b01, 2).Gamma(2).Gamma(len); }
    StreamBuilder& Short(uint32_t d, uint32_t n) { return Bits(0, 3).Bits(d, 7).Bits(n, 2); }
    StreamBuilder& OffsetBits(uint32_t n, uint32_t value) { return Short(0, n).Bits(value, n + 3); }
    StreamBuilder& Single(uint32_t v) { return Bits(0b001, 3).Bits(v, 4); }
    StreamBuilder& RawRuns(const std::vector<uint8_t>& bytes) {  // bytes.size() % 256 == 0
        Single(0).Bits(1, 1);
        for (size_t i = 0; i < bytes.size(); ++i) {
            Bits(bytes[i], 8);
            if (i % 256 == 255) Bits(i + 1 < bytes.size() ? 1 : 0, 1);
        }
        return *this;
    }
    StreamBuilder& End() { return Short(0, 0); }

    // The block: header with `size` and `checksum`, then the bits padded to whole words.
    std::vector<uint8_t> Block(uint32_t size, uint32_t checksum) const {
        std::vector<uint8_t> b = {0x4A, 0x43};
        for (int k = 0; k < 4; ++k) b.push_back(uint8_t(size >> (8 * k)));
        for (int k = 0; k < 4; ++k) b.push_back(uint8_t(checksum >> (8 * k)));
        for (size_t i = 0; i < bits.size(); i += 32) {
            uint32_t w = 0;
            for (size_t j = 0; j < 32; ++j) w = w << 1 | (i + j < bits.size() && bits[i + j] ? 1 : 0);
            for (int k = 0; k < 4; ++k) b.push_back(uint8_t(w >> (8 * k)));
        }
        return b;
    }
};

struct Decoded {
    UnpackStatus status;
    std::vector<uint8_t> bytes;  // what was produced (also on failure)
};

Decoded Decode(const std::vector<uint8_t>& block, size_t capacity = 4096) {
    std::vector<uint8_t> out(capacity + 1);
    const UnpackResult r = UnpackBlockEx(block.data(), block.size(), out.data(), capacity);
    out.resize(r.size);
    return {r.status, out};
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(UnpackBlockChecksum, MatchesTheDocumentedValues) {
    EXPECT_EQ(BlockChecksum(Bytes("abcd").data(), 4), 0xACA5A6A2u);
    EXPECT_EQ(BlockChecksum(Bytes("abc").data(), 3), 0u);
    EXPECT_EQ(BlockChecksum(nullptr, 0), 0u);
    // Five bytes: the words at 0 and the overlapping last word at 1.
    EXPECT_EQ(BlockChecksum(Bytes("abcde").data(), 5), 0xD8C2CCC1u);
}

TEST(UnpackBlockCodes, DecodesTheWorkedExamplesOfTheFormatDocument) {
    struct Example {
        std::vector<uint8_t> block;
        std::vector<uint8_t> bytes;
    };
    const Example examples[] = {
        {{0x4A, 0x43, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x20}, {}},
        {{0x4A, 0x43, 0x0B, 0, 0, 0, 0xE2, 0xEB, 0xEB, 0xEB, 0x07, 0x58, 0xD8, 0x20, 0, 0, 0, 0},
         std::vector<uint8_t>(11, 0x61)},
        {{0x4A, 0x43, 0x04, 0, 0, 0, 0xC2, 0xC6, 0xC5, 0xCC, 0x40, 0xC0, 0x20, 0x20, 0x00, 0x80,
          0x41, 0xC1},
         Bytes("ABCD")},
        {{0x4A, 0x43, 0x08, 0, 0, 0, 0xA3, 0xCC, 0xA4, 0xCC, 0x40, 0x6C, 0xD8, 0x20, 0x00, 0x20,
          0x45, 0x10},
         {'a', 'b', 'a', 'b', 0, 'b', 0, 'b'}},
    };
    for (const Example& ex : examples) {
        const Decoded d = Decode(ex.block);
        EXPECT_EQ(d.status, UnpackStatus::Ok);
        EXPECT_EQ(d.bytes, ex.bytes);
        // The encoder's block for the same bytes decodes to them too, at its own size.
        const std::vector<uint8_t> ours = PackBlock(ex.bytes.data(), ex.bytes.size(), 9);
        EXPECT_EQ(Decode(ours).bytes, ex.bytes);
    }
}

TEST(UnpackBlockHeader, StatedSizeNeedsAJcHeader) {
    const std::vector<uint8_t> block = StreamBuilder().Width8().End().Block(0x01020304, 0);
    EXPECT_EQ(BlockStatedSize(block.data(), block.size()), 0x01020304u);
    EXPECT_EQ(BlockStatedSize(block.data(), 9), 0u);
    std::vector<uint8_t> bad = block;
    bad[1] = 'J';
    EXPECT_EQ(BlockStatedSize(bad.data(), bad.size()), 0u);
}

TEST(UnpackBlockCodes, LiteralWidthOnlyStreamYieldsNothing) {
    const std::vector<uint8_t> block = StreamBuilder().Width8().End().Block(0, 0);
    const Decoded d = Decode(block);
    EXPECT_EQ(d.status, UnpackStatus::Ok);
    EXPECT_TRUE(d.bytes.empty());
    uint8_t out[8];
    EXPECT_EQ(UnpackBlock(block.data(), block.size(), out, sizeof out), 0u);
}

TEST(UnpackBlockCodes, ShortBlocksWithAChecksumFail) {
    for (size_t n = 1; n <= 3; ++n) {
        StreamBuilder sb;
        sb.Width8();
        for (size_t i = 0; i < n; ++i) sb.Literal(0x61 + uint32_t(i), 8);
        EXPECT_EQ(Decode(sb.End().Block(uint32_t(n), 0x12345678)).status,
                  UnpackStatus::ChecksumMismatch);
        EXPECT_EQ(Decode(sb.Block(uint32_t(n), 0)).bytes.size(), n);
    }
}

TEST(UnpackBlockCodes, DistanceOneRepeatsTheLastByte) {
    // g = 3 and low bits 1 give distance 1; coded length 6 plus 4 gives 10.
    const std::vector<uint8_t> block =
        StreamBuilder().Width8().Literal(0x61, 8).Match(3, 1, 8, 6).End().Block(11, 0);
    const Decoded d = Decode(block);
    ASSERT_EQ(d.status, UnpackStatus::Ok);
    EXPECT_EQ(d.bytes, std::vector<uint8_t>(11, 0x61));
}

TEST(UnpackBlockCodes, OffsetBitsCodeChangesLaterDistances) {
    // Five-bit offset-bits value 4: distance = ((g - 3) << 4) + low, so g = 4, low = 1 is 17.
    StreamBuilder sb;
    sb.Width8();
    for (uint32_t i = 0; i < 17; ++i) sb.Literal(0x41 + i, 8);
    sb.OffsetBits(2, 4).Match(4, 1, 4, 2);  // distance 17 adds 4: length 6
    const Decoded d = Decode(sb.End().Block(23, 0));
    ASSERT_EQ(d.status, UnpackStatus::Ok);
    EXPECT_EQ(std::string(d.bytes.begin() + 17, d.bytes.end()), "ABCDEF");
}

TEST(UnpackBlockCodes, SevenBitLiteralsAddTheirBase) {
    const Decoded d =
        Decode(StreamBuilder().Width7(0x41).Literal(0, 7).Literal(0x7F, 7).End().Block(2, 0));
    ASSERT_EQ(d.status, UnpackStatus::Ok);
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{0x41, 0xC0}));
    // The base wraps around: 0xF0 + 0x20 is 0x10.
    const Decoded w = Decode(StreamBuilder().Width7(0xF0).Literal(0x20, 7).End().Block(1, 0));
    EXPECT_EQ(w.bytes, std::vector<uint8_t>{0x10});
}

TEST(UnpackBlockCodes, RawRunsOutputWholeBytes) {
    std::vector<uint8_t> raw(512);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t(i * 7 + 3);
    // The literal base does not apply inside raw runs.
    const Decoded d = Decode(StreamBuilder().Width7(0x80).RawRuns(raw).End().Block(512, 0));
    ASSERT_EQ(d.status, UnpackStatus::Ok);
    EXPECT_EQ(d.bytes, raw);
}

TEST(UnpackBlockCodes, RepeatedDistanceFollowsShortMatchesNotSingleCopies) {
    StreamBuilder sb;
    sb.Width8();
    for (char c : std::string("abcdef")) sb.Literal(uint8_t(c), 8);
    sb.Short(4, 0);   // "cd", last offset 4
    sb.Single(2);     // copy from distance 1: "d"; last offset stays 4
    sb.Single(1);     // zero byte
    sb.Repeat(3);     // distance 4: bytes 'c','d','d'... of "efcd" + "d\0": "cdd"
    const std::vector<uint8_t> expect = {'a', 'b', 'c', 'd', 'e', 'f', 'c', 'd', 'd', 0, 'c', 'd', 'd'};
    const Decoded d = Decode(sb.End().Block(uint32_t(expect.size()), 0));
    ASSERT_EQ(d.status, UnpackStatus::Ok);
    EXPECT_EQ(d.bytes, expect);
}

TEST(UnpackBlockCodes, LengthAdjustmentFollowsTheDistance) {
    // One match per band of the adjustment table, each with coded length 2.
    struct Band {
        uint32_t dist;
        uint32_t add;
    };
    for (const Band band : {Band{127, 4}, Band{128, 0}, Band{638, 0}, Band{639, 1},
                            Band{14334, 1}, Band{14335, 2}, Band{65535, 2}, Band{65536, 3}}) {
        std::vector<uint8_t> prefix(band.dist);
        for (size_t i = 0; i < prefix.size(); ++i) prefix[i] = uint8_t(i * 13 + i / 256);
        StreamBuilder sb;
        sb.Width8();
        if (prefix.size() >= 256)
            sb.RawRuns(std::vector<uint8_t>(prefix.begin(), prefix.end() - prefix.size() % 256));
        for (size_t i = prefix.size() - prefix.size() % 256; i < prefix.size(); ++i) sb.Literal(prefix[i], 8);
        sb.Match(3 + (band.dist >> 8), band.dist & 0xFF, 8, 2).End();
        const uint32_t len = 2 + band.add;
        const Decoded d = Decode(sb.Block(band.dist + len, 0), band.dist + 16);
        ASSERT_EQ(d.status, UnpackStatus::Ok) << band.dist;
        ASSERT_EQ(d.bytes.size(), band.dist + len) << band.dist;
        EXPECT_TRUE(std::equal(d.bytes.begin() + band.dist, d.bytes.end(), prefix.begin()))
            << band.dist;
    }
}

TEST(UnpackBlockCodes, OverlappingCopiesRepeatNearTheEndOfTheBuffer) {
    // Distances 2, 3, 9 and 17 with lengths beyond them; decoded into an exact buffer (no
    // slack for wide copies) and into a roomy one, the bytes must agree.
    for (uint32_t dist : {2u, 3u, 9u, 17u, 40u}) {
        StreamBuilder sb;
        sb.Width8();
        for (uint32_t i = 0; i < dist; ++i) sb.Literal(0x30 + i, 8);
        sb.Match(3, dist, 8, 60).End();
        const uint32_t size = dist + 64;
        const std::vector<uint8_t> block = sb.Block(size, 0);
        const Decoded exact = Decode(block, size);
        const Decoded roomy = Decode(block, size + 100);
        ASSERT_EQ(exact.status, UnpackStatus::Ok) << dist;
        ASSERT_EQ(exact.bytes, roomy.bytes) << dist;
        for (uint32_t i = dist; i < size; ++i) ASSERT_EQ(exact.bytes[i], exact.bytes[i - dist]);
    }
}

TEST(UnpackBlockDamage, RefusesMissingAndForeignInput) {
    const std::vector<uint8_t> good = StreamBuilder().Width8().Literal(1, 8).End().Block(1, 0);
    uint8_t out[16];
    EXPECT_EQ(UnpackBlockEx(nullptr, 10, out, 16).status, UnpackStatus::NoInput);
    EXPECT_EQ(UnpackBlockEx(good.data(), good.size(), nullptr, 16).status, UnpackStatus::NoInput);
    EXPECT_EQ(UnpackBlockEx(good.data(), 1, out, 16).status, UnpackStatus::NoInput);
    EXPECT_EQ(UnpackBlockEx(good.data(), 9, out, 16).status, UnpackStatus::NoInput);
    std::vector<uint8_t> swapped = good;
    std::swap(swapped[0], swapped[1]);
    EXPECT_EQ(Decode(swapped).status, UnpackStatus::BadMagic);
    EXPECT_EQ(UnpackBlock(swapped.data(), swapped.size(), out, 16), 0u);
}

TEST(UnpackBlockDamage, EveryTruncationFails) {
    std::vector<uint8_t> data = Bytes("Wendlebox setup: a folder, a file, a folder, a file.");
    data.insert(data.end(), 300, 0);
    const std::vector<uint8_t> block = PackBlock(data.data(), data.size(), 9);
    ASSERT_EQ(Decode(block).status, UnpackStatus::Ok);
    for (size_t n = 0; n < block.size(); ++n) {
        std::vector<uint8_t> cut(block.begin(), block.begin() + ptrdiff_t(n));
        const UnpackStatus expect = n < 2 || n < jc::kHeaderSize ? UnpackStatus::NoInput
                                                                 : UnpackStatus::Truncated;
        std::vector<uint8_t> out(4096);
        // A heap copy of exactly n bytes lets the sanitizer see any read past the end.
        EXPECT_EQ(UnpackBlockEx(n ? cut.data() : block.data(), n, out.data(), out.size()).status,
                  expect)
            << "cut at " << n;
    }
    // A stream with no words at all, and one that never codes its end.
    EXPECT_EQ(Decode(StreamBuilder().Block(0, 0)).status, UnpackStatus::Truncated);
    // 9 + 31 * 9 bits fill nine words exactly; padding zeros would read as an end code.
    StreamBuilder open;
    open.Width8();
    for (int i = 0; i < 31; ++i) open.Literal(0xFF, 8);
    ASSERT_EQ(open.bits.size() % 32, 0u);
    EXPECT_EQ(Decode(open.Block(31, 0)).status, UnpackStatus::Truncated);
}

TEST(UnpackBlockDamage, RefusesBadDistances) {
    auto withMatch = [](uint64_t g, uint32_t low, uint64_t len) {
        return StreamBuilder().Width8().Literal(1, 8).Literal(2, 8).Match(g, low, 8, len).End().Block(8, 0);
    };
    EXPECT_EQ(Decode(withMatch(3, 0, 2)).status, UnpackStatus::DistanceZero);
    EXPECT_EQ(Decode(withMatch(3, 3, 2)).status, UnpackStatus::DistanceTooFar);
    EXPECT_EQ(Decode(withMatch(4, 0, 2)).status, UnpackStatus::DistanceTooFar);
    // Distances whose arithmetic would wrap 32 bits: the largest g, and a gamma with 40 bits.
    EXPECT_EQ(Decode(withMatch(0xFFFFFFFFull, 0xFF, 2)).status, UnpackStatus::DistanceTooFar);
    EXPECT_EQ(Decode(withMatch(0x100000003ull, 2, 2)).status, UnpackStatus::DistanceTooFar);
    EXPECT_EQ(Decode(withMatch((1ull << 40) + 3, 2, 2)).status, UnpackStatus::DistanceTooFar);
    // (g - 3) << 31 with a 31-bit offset: about 2^63, still refused.
    EXPECT_EQ(Decode(StreamBuilder().Width8().Literal(1, 8).OffsetBits(2, 31)
                         .Match(0xFFFFFFFFull, 5, 31, 2).End().Block(3, 0)).status,
              UnpackStatus::DistanceTooFar);
    // Repeat with the initial last offset 1 before any byte exists.
    EXPECT_EQ(Decode(StreamBuilder().Width8().Repeat(2).End().Block(2, 0)).status,
              UnpackStatus::DistanceTooFar);
    // Short match and single-byte copy reaching before the start.
    EXPECT_EQ(Decode(StreamBuilder().Width8().Literal(1, 8).Short(2, 0).End().Block(3, 0)).status,
              UnpackStatus::DistanceTooFar);
    EXPECT_EQ(Decode(StreamBuilder().Width8().Literal(1, 8).Single(3).End().Block(2, 0)).status,
              UnpackStatus::DistanceTooFar);
}

TEST(UnpackBlockDamage, RefusesOffsetBitsOutsideOneTo31) {
    for (auto [n, v] : {std::pair{1u, 0u}, {2u, 0u}, {2u, 31u}, {3u, 32u}, {3u, 63u}, {3u, 0u}}) {
        const UnpackStatus s =
            Decode(StreamBuilder().Width8().Literal(1, 8).OffsetBits(n, v).End().Block(1, 0)).status;
        EXPECT_EQ(s, v >= 1 && v <= 31 ? UnpackStatus::Ok : UnpackStatus::BadOffsetBits)
            << n << " " << v;
    }
}

TEST(UnpackBlockDamage, RefusesLiteralBeforeWidth) {
    EXPECT_EQ(Decode(StreamBuilder().Literal(0x41, 8).End().Block(1, 0)).status,
              UnpackStatus::LiteralBeforeWidth);
    // Other codes may come first; only literals need the width.
    const Decoded d = Decode(StreamBuilder().Single(1).Single(2).Width8().Literal(7, 8).End().Block(3, 0));
    EXPECT_EQ(d.status, UnpackStatus::Ok);
    EXPECT_EQ(d.bytes, (std::vector<uint8_t>{0, 0, 7}));
}

TEST(UnpackBlockDamage, RefusesOutputBeyondCapacityForEveryCodeKind) {
    StreamBuilder base;
    base.Width8().Literal(1, 8).Literal(2, 8);  // two bytes of a capacity of 2
    EXPECT_EQ(Decode(StreamBuilder(base).Literal(3, 8).End().Block(3, 0), 2).status, UnpackStatus::OutputFull);
    EXPECT_EQ(Decode(StreamBuilder(base).Single(1).End().Block(3, 0), 2).status, UnpackStatus::OutputFull);
    EXPECT_EQ(Decode(StreamBuilder(base).Single(2).End().Block(3, 0), 2).status, UnpackStatus::OutputFull);
    EXPECT_EQ(Decode(StreamBuilder(base).Short(1, 0).End().Block(4, 0), 2).status, UnpackStatus::OutputFull);
    EXPECT_EQ(Decode(StreamBuilder(base).Repeat(2).End().Block(4, 0), 2).status, UnpackStatus::OutputFull);
    EXPECT_EQ(Decode(StreamBuilder(base).Match(3, 1, 8, 2).End().Block(8, 0), 2).status, UnpackStatus::OutputFull);
    EXPECT_EQ(Decode(StreamBuilder(base).RawRuns(std::vector<uint8_t>(256, 9)).End().Block(258, 0), 257).status,
              UnpackStatus::OutputFull);
    // A length gamma beyond 32 bits.
    EXPECT_EQ(Decode(StreamBuilder(base).Repeat((1ull << 40) + 1).End().Block(4, 0), 2).status,
              UnpackStatus::OutputFull);
}

TEST(UnpackBlockDamage, RefusesAWrongSizeOrChecksum) {
    const std::vector<uint8_t> data = Bytes("abcdefgh");
    StreamBuilder sb;
    sb.Width8();
    for (uint8_t b : data) sb.Literal(b, 8);
    sb.End();
    const uint32_t sum = BlockChecksum(data.data(), data.size());
    EXPECT_EQ(Decode(sb.Block(8, sum)).status, UnpackStatus::Ok);
    EXPECT_EQ(Decode(sb.Block(8, sum ^ 1)).status, UnpackStatus::ChecksumMismatch);
    EXPECT_EQ(Decode(sb.Block(8, sum ^ 1)).bytes, data);  // what was decoded stays
    EXPECT_EQ(Decode(sb.Block(9, 0)).status, UnpackStatus::SizeMismatch);
    EXPECT_EQ(Decode(sb.Block(7, sum)).status, UnpackStatus::SizeMismatch);
}

TEST(UnpackBlockCapacity, ExactFitsOneLessFailsAndNothingPastIsTouched) {
    std::mt19937 rng(11);
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = i % 97 < 40 ? uint8_t(rng()) : uint8_t(i / 50);
    const std::vector<uint8_t> block = PackBlock(data.data(), data.size(), 9);
    for (size_t extra : {0, 1, 7, 8, 16, 100}) {
        for (int sign : {-1, 1}) {
            if (sign < 0 && extra == 0) continue;
            const size_t capacity = sign < 0 ? data.size() - extra : data.size() + extra;
            std::vector<uint8_t> out(capacity + 32, 0xA5);
            const UnpackResult r = UnpackBlockEx(block.data(), block.size(), out.data(), capacity);
            if (sign < 0) {
                EXPECT_EQ(r.status, UnpackStatus::OutputFull) << capacity;
            } else {
                EXPECT_EQ(r.status, UnpackStatus::Ok) << capacity;
                EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
            }
            for (size_t i = capacity; i < out.size(); ++i) ASSERT_EQ(out[i], 0xA5) << capacity;
        }
    }
}

}  // namespace
}  // namespace wb
