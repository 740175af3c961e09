// The LZMA block method beside JC: the x86 branch filter, the CRC-32, blocks of both methods
// on every kind of data, what a damaged or hostile LZMA block gets, and Packages of LZMA
// entries extracted whole or refused.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "unit/test_support.h"

#include "blocks/decompress/block_method.h"
#include "blocks/common/crc32.h"
#include "package/extract.h"
#include "blocks/common/lzma_format.h"
#include "package/package_reader.h"
#include "blocks/decompress/unpack_lzma.h"
#include "blocks/common/x86_filter.h"
#include "blocks/compress/block_encoder.h"
#include "blocks/compress/jc_encoder.h"
#include "blocks/compress/lzma_encoder.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes Random(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes v(n);
    for (uint8_t& b : v) b = uint8_t(rng());
    return v;
}

Bytes Text(size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "Line " + std::to_string(i % 97) + " of the readme.\r\n";
    return Bytes(s.begin(), s.begin() + long(n));
}

// Code-shaped bytes: calls to a handful of functions from everywhere, between short
// instructions and the odd E8 byte that is no call; the shape the filter is made for.
Bytes X86Like(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    const uint32_t functions[6] = {0x400, 0x1230, 0x8000, 0x10010, 0x2FFF0, 0x55550};
    Bytes v;
    while (v.size() < n) {
        switch (rng() % 5) {
            case 0: {
                const uint32_t rel = functions[rng() % 6] - uint32_t(v.size() + 5);
                v.push_back(0xE8);
                for (int k = 0; k < 4; ++k) v.push_back(uint8_t(rel >> (8 * k)));
                break;
            }
            case 1: v.insert(v.end(), {0x8B, 0x45, uint8_t(rng() % 32 * 4)}); break;
            case 2: v.insert(v.end(), {0x6A, uint8_t(rng() % 16)}); break;
            case 3: v.insert(v.end(), {0x83, 0xC4, 0x08, 0x85, 0xC0}); break;
            default: v.insert(v.end(), {0xC7, 0x05, 0xE8, uint8_t(rng()), 0x41, 0x00}); break;
        }
    }
    v.resize(n);
    v[0] = 'M';
    v[1] = 'Z';
    return v;
}

Bytes Decode(const Bytes& block, size_t size, UnpackStatus& status) {
    Bytes out(size + pck::kDecodeSlack);
    const UnpackResult r = UnpackAnyBlockEx(block.data(), block.size(), out.data(), out.size());
    status = r.status;
    out.resize(r.status == UnpackStatus::Ok ? r.size : 0);
    return out;
}

// ---- the x86 filter ---------------------------------------------------------------------

Bytes Encoded(Bytes v) {
    X86FilterEncode(v.data(), v.size());
    return v;
}

TEST(X86Filter, TurnsNearCallAndJumpTargetsIntoAbsoluteOnes) {
    // A call to the next instruction at 0 targets 5; a jump back to 0 from 1 targets 0.
    EXPECT_EQ(Encoded({0xE8, 0, 0, 0, 0}), (Bytes{0xE8, 5, 0, 0, 0}));
    EXPECT_EQ(Encoded({0x90, 0xE9, 0xFA, 0xFF, 0xFF, 0xFF}), (Bytes{0x90, 0xE9, 0, 0, 0, 0}));
    // Below 0 the target wraps within 25 bits and keeps a top byte of FF.
    EXPECT_EQ(Encoded({0xE8, 0xF0, 0xFF, 0xFF, 0xFF}), (Bytes{0xE8, 0xF5, 0xFF, 0xFF, 0xFF}));
    // Far targets (top byte neither 00 nor FF) and a cut instruction stay as they are.
    EXPECT_EQ(Encoded({0xE8, 0, 0, 0, 0x12}), (Bytes{0xE8, 0, 0, 0, 0x12}));
    EXPECT_EQ(Encoded({0xE8, 0, 0, 0}), (Bytes{0xE8, 0, 0, 0}));
    // Two calls to one function from different places become the same bytes.
    Bytes two(200, 0x90);
    const uint32_t target = 0x1000;
    for (size_t at : {size_t(10), size_t(150)}) {
        const uint32_t rel = target - uint32_t(at + 5);
        two[at] = 0xE8;
        for (int k = 0; k < 4; ++k) two[at + 1 + size_t(k)] = uint8_t(rel >> (8 * k));
    }
    EXPECT_NE(std::memcmp(&two[11], &two[151], 4), 0);
    two = Encoded(two);
    EXPECT_EQ(std::memcmp(&two[11], &two[151], 4), 0);
}

TEST(X86Filter, AnOpcodeLeftAloneBlocksTheNextThreePositions) {
    // At 0 a far target is left; the call at 1 would overlap its top byte, so it stays too.
    EXPECT_EQ(Encoded({0xE8, 0xE8, 0, 0, 0x12, 0, 0}), (Bytes{0xE8, 0xE8, 0, 0, 0x12, 0, 0}));
    // Without the opcode in front the same call is converted.
    EXPECT_NE(Encoded({0x90, 0xE8, 0, 0, 0x12, 0, 0}), (Bytes{0x90, 0xE8, 0, 0, 0x12, 0, 0}));
    // Four positions on, the block is over.
    EXPECT_EQ(Encoded({0xE8, 0, 0, 0, 0x12, 0xE8, 0, 0, 0, 0}),
              (Bytes{0xE8, 0, 0, 0, 0x12, 0xE8, 10, 0, 0, 0}));
}

TEST(X86Filter, DecodingRestoresAnyBytes) {
    // Bytes drawn from the few values that matter, so opcodes and operands overlap in
    // every way, plus program-shaped and plain random data.
    std::mt19937 rng(7);
    const uint8_t alphabet[] = {0xE8, 0xE9, 0x00, 0xFF, 0x12, 0xFE, 0x01};
    size_t changed = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes v(rng() % 64);
        for (uint8_t& b : v) b = alphabet[rng() % sizeof alphabet];
        Bytes w = Encoded(v);
        changed += w != v;
        X86FilterDecode(w.data(), w.size());
        ASSERT_EQ(w, v) << "round " << round;
    }
    EXPECT_GT(changed, 1000u);
    for (const Bytes& v : {X86Like(300000, 1), Random(100000, 2), Bytes{}}) {
        Bytes w = Encoded(v);
        X86FilterDecode(w.data(), w.size());
        EXPECT_EQ(w, v);
    }
}

TEST(Crc32, KnownValues) {
    const char* digits = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(digits), 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    // Continuing a CRC over a split gives the CRC of the whole.
    const uint8_t* p = reinterpret_cast<const uint8_t*>(digits);
    EXPECT_EQ(Crc32(p + 4, 5, Crc32(p, 4)), 0xCBF43926u);
}

// ---- blocks of both methods -------------------------------------------------------------

struct Sample {
    const char* Name;
    Bytes Data;
};

std::vector<Sample> Samples() {
    Bytes repetitive;
    while (repetitive.size() < (1 << 20)) repetitive.insert(repetitive.end(), {1, 2, 3, 4, 5, 6, 7});
    return {{"empty", {}},
            {"one byte", {'a'}},
            {"three bytes", {'a', 'b', 'c'}},
            {"text", Text(5000)},
            {"incompressible", Random(70000, 3)},
            {"repetitive", repetitive},
            {"x86", X86Like(200000, 4)}};
}

class BothMethods : public ::testing::TestWithParam<BlockMethod> {};

TEST_P(BothMethods, EveryKindOfDataComesBackWhole) {
    for (const Sample& s : Samples()) {
        for (int level : {1, 6, 9}) {
            const Bytes block = PackEntryBlock(s.Data.data(), s.Data.size(), level, GetParam());
            if (!s.Data.empty()) {
                EXPECT_NE(block.size(), s.Data.size()) << s.Name;
            }
            EXPECT_EQ(AnyBlockStatedSize(block.data(), block.size()), s.Data.size()) << s.Name;
            UnpackStatus status;
            EXPECT_EQ(Decode(block, s.Data.size(), status), s.Data) << s.Name << " level " << level;
            EXPECT_EQ(status, UnpackStatus::Ok) << s.Name;
            if (GetParam() == BlockMethod::Jc) {
                EXPECT_EQ(block, PackBlock(s.Data.data(), s.Data.size(), level)) << s.Name;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, BothMethods,
                         ::testing::Values(BlockMethod::Jc, BlockMethod::Lzma),
                         [](const auto& info) {
                             return std::string(info.param == BlockMethod::Jc ? "Jc" : "Lzma");
                         });

TEST(LzmaBlock, FiltersProgramsOnlyAndBeatsJcOnThem) {
    const Bytes code = X86Like(400000, 5), text = Text(400000);
    const Bytes codeBlock = PackLzmaBlock(code.data(), code.size(), 9);
    const Bytes textBlock = PackLzmaBlock(text.data(), text.size(), 9);
    ASSERT_GT(codeBlock.size(), lz::kHeaderSize);
    EXPECT_EQ(codeBlock[lz::kFilterOffset], lz::kFilterX86);
    EXPECT_EQ(textBlock[lz::kFilterOffset], lz::kFilterNone);
    EXPECT_EQ(BlockMethodOf(codeBlock.data(), codeBlock.size()), BlockMethod::Lzma);
    EXPECT_LT(codeBlock.size(), PackBlock(code.data(), code.size(), 9).size());
    // Level 9 sizes the dictionary to the data: the smallest 2^n or 3 x 2^n holding it.
    EXPECT_EQ(pck::ReadLe32(codeBlock.data() + lz::kPropertiesOffset + 1), 1u << 19);
}

TEST(LzmaBlock, JcReadersRefuseIt) {
    const Bytes data = Text(3000);
    const Bytes block = PackLzmaBlock(data.data(), data.size(), 6);
    Bytes out(data.size() + pck::kDecodeSlack);
    EXPECT_EQ(BlockStatedSize(block.data(), block.size()), 0u);
    EXPECT_EQ(UnpackBlockEx(block.data(), block.size(), out.data(), out.size()).status,
              UnpackStatus::BadMagic);
}

TEST(LzmaBlock, HostileHeadersAreRefusedBeforeAnythingIsAllocated) {
    const Bytes data = Text(3000);
    const Bytes good = PackLzmaBlock(data.data(), data.size(), 6);
    struct Case {
        const char* Name;
        size_t At;
        std::vector<uint8_t> Put;
    };
    const Case cases[] = {
        {"dictionary above the limit", lz::kPropertiesOffset + 1, {0, 0, 0, 0x20}},
        {"lc/lp/pb out of range", lz::kPropertiesOffset, {lz::kPropertiesLimit}},
        {"unknown filter", lz::kFilterOffset, {2}},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        std::copy(c.Put.begin(), c.Put.end(), bad.begin() + long(c.At));
        EXPECT_EQ(AnyBlockStatedSize(bad.data(), bad.size()), 0u) << c.Name;
        UnpackStatus status;
        EXPECT_TRUE(Decode(bad, data.size(), status).empty()) << c.Name;
        EXPECT_EQ(status, UnpackStatus::BadProperties) << c.Name;
    }
    // A capacity below the stated size: nothing is written (the sanitizer watches).
    Bytes small(data.size() - 1);
    EXPECT_EQ(UnpackLzmaBlockEx(good.data(), good.size(), small.data(), small.size()).status,
              UnpackStatus::OutputFull);
    EXPECT_EQ(UnpackLzmaBlockEx(good.data(), 15, small.data(), small.size()).status,
              UnpackStatus::NoInput);
}

TEST(LzmaBlock, NoDamageYieldsWrongBytes) {
    // Every byte flipped (two ways) and every cut: the block fails, or gives the very bytes
    // it holds (a flip in the coder's last flush bits may change nothing).
    Bytes data = X86Like(6000, 8);
    const Bytes text = Text(3000);
    data.insert(data.end(), text.begin(), text.end());
    const Bytes block = PackLzmaBlock(data.data(), data.size(), 9);
    size_t refused = 0;
    for (size_t at = 0; at < block.size(); ++at) {
        for (uint8_t mask : {uint8_t(0x01), uint8_t(0xA0)}) {
            Bytes bad = block;
            bad[at] ^= mask;
            UnpackStatus status;
            const Bytes got = Decode(bad, data.size(), status);
            if (status != UnpackStatus::Ok) {
                ++refused;
            } else {
                ASSERT_EQ(got, data) << "byte " << at << " mask " << int(mask);
            }
        }
    }
    EXPECT_GT(refused, 2 * block.size() - 8);
    for (size_t cut = 0; cut < block.size(); ++cut) {
        Bytes bad(block.begin(), block.begin() + long(cut));
        UnpackStatus status;
        Decode(bad, data.size(), status);
        ASSERT_NE(status, UnpackStatus::Ok) << "cut at " << cut;
    }
}

// ---- Packages of LZMA entries ----------------------------------------------------------

class LzmaPackageTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = FreshTestDir("wb-lzma-").string(); }
    void TearDown() override { fs::remove_all(root_); }

    static PackInput Entry(const std::string& name, const Bytes& data, bool store = false) {
        return PackFile(name, std::string(data.begin(), data.end()), store, 1, 2);
    }

    static Bytes Build(const std::vector<PackInput>& inputs) {
        PackWriteOptions options;
        options.Method = BlockMethod::Lzma;
        options.Level = 9;
        Bytes out;
        std::string error;
        EXPECT_TRUE(BuildPackage(inputs, options, out, error)) << error;
        return out;
    }

    // Extracts `package` into a fresh folder `dir`; the damaged or refused entries.
    int Extract(const Bytes& package, const std::string& dir) {
        const std::string path = root_ + "/" + dir + ".pck";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(package.data()), long(package.size()));
        fs::remove_all(root_ + "/" + dir);
        fs::create_directories(root_ + "/" + dir);
        if (!OpenPackage(path.c_str(), nullptr, PackageHost::Standalone)) return -1;
        const ExtractResult r = ExtractPackage(Package, root_ + "/" + dir + "/", "");
        ClosePackage();
        return r.Opened ? r.Damaged : -1;
    }

    Bytes Read(const std::string& path) {
        std::ifstream in(root_ + "/" + path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    // Each file present below `dir` holds exactly its bytes from `files`.
    void ExpectNothingWrong(const std::string& dir, const std::vector<Sample>& files,
                            const std::string& what) {
        for (const Sample& f : files) {
            const std::string path = dir + "/" + f.Name;
            if (fs::exists(root_ + "/" + path)) EXPECT_EQ(Read(path), f.Data) << what << ": " << f.Name;
        }
    }

    std::string root_;
};

std::vector<Sample> ProgramFiles() {
    return {{"app.exe", X86Like(40000, 11)}, {"readme.txt", Text(9000)},
            {"data.bin", Random(3000, 12)}, {"tiny.txt", {'o', 'k'}}};
}

std::vector<PackInput> InputsOf(const std::vector<Sample>& files, bool store) {
    std::vector<PackInput> inputs;
    for (const Sample& f : files) {
        PackInput in = PackFile(f.Name, std::string(f.Data.begin(), f.Data.end()), store, 1, 2);
        inputs.push_back(in);
    }
    return inputs;
}

TEST_F(LzmaPackageTest, BothShapesExtractWholeAndEveryDamageIsRefused) {
    const std::vector<Sample> files = ProgramFiles();
    // Per file: one LZMA block each. Solid: the stored files in an inner Package that is
    // itself one LZMA block.
    const Bytes perFile = Build(InputsOf(files, false));
    PackWriteOptions storedOptions;
    Bytes inner;
    std::string error;
    ASSERT_TRUE(BuildPackage(InputsOf(files, true), storedOptions, inner, error)) << error;
    const Bytes solid = Build({Entry("setup.pck", inner)});

    for (const auto& [shape, package] : {std::pair{"per-file", perFile}, {"solid", solid}}) {
        SCOPED_TRACE(shape);
        ASSERT_EQ(Extract(package, "good"), 0);
        if (std::string(shape) == "solid") {
            EXPECT_EQ(Read("good/setup.pck"), inner);
        } else {
            for (const Sample& f : files) EXPECT_EQ(Read(std::string("good/") + f.Name), f.Data) << f.Name;
        }
        // The sweep: a byte flipped every few bytes through the data area (everything
        // before the directory block), one at a time.
        const size_t dataEnd = package.size() - 16 - pck::ReadLe32(package.data() + package.size() - 12);
        size_t damaged = 0;
        for (size_t at = 0; at < dataEnd; at += 11) {
            Bytes bad = package;
            bad[at] ^= 0x44;
            const int result = Extract(bad, "bad");
            ASSERT_GE(result, 0) << "byte " << at;
            damaged += result > 0;
            if (std::string(shape) == "solid") {
                if (fs::exists(root_ + "/bad/setup.pck")) {
                    EXPECT_EQ(Read("bad/setup.pck"), inner) << "byte " << at;
                }
            } else {
                ExpectNothingWrong("bad", files, "byte " + std::to_string(at));
            }
        }
        EXPECT_GE(damaged * 10, (dataEnd / 11) * 9) << "flips that went unnoticed";
    }
}

}  // namespace
}  // namespace wb
