// Opening Packages: written ones read back exactly, and damaged or lying ones are rejected
// without a read outside any buffer.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "package/package_format.h"
#include "package/package_reader.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

class PackageReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/wb-reader-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    std::string dir_;
};

PackInput File(const std::string& name, const std::string& data, bool store = false,
               uint64_t time = 0x01D5C1F0A0B0C0D0ull) {
    return PackFile(name, data, store, time - 1, time);
}

PackInput Folder(const std::string& name) { return PackFolder(name); }

std::vector<uint8_t> Build(const std::vector<PackInput>& inputs, bool storeDir = false) {
    PackWriteOptions options;
    options.StoreDirectory = storeDir;
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BuildPackage(inputs, options, out, error)) << error;
    return out;
}

std::vector<PackInput> SampleInputs() {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i % 37) + " of the readme\r\n";
    return {Folder("Data\\"),
            Folder("Backup\\"),
            File("Data\\Deep\\readme.txt", text),
            File("empty.dat", ""),
            File("jc.bin", std::string("JC\x05\x00\x00\x00rest", 10), true),
            File("setup.ini", "[Info]\r\nTitel = Sample\r\n")};
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) { return pck::ReadLe32(b.data() + at); }
void SetLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) { pck::WriteLe32(b.data() + at, v); }

TEST_F(PackageReaderTest, ReadsBackWhatWasWritten) {
    std::vector<PackInput> inputs = SampleInputs();
    std::string path = Write("a.pck", Build(inputs));
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr), 1);
    ASSERT_EQ(Package.Entries.size(), inputs.size());
    int32_t total = 0;
    uint32_t offset = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const PackageEntry& e = Package.Entries[i];
        SCOPED_TRACE(inputs[i].Name);
        EXPECT_EQ(e.Name, inputs[i].Name);
        EXPECT_EQ(uint32_t(e.Kind), inputs[i].Kind);
        EXPECT_EQ(e.Size, int32_t(inputs[i].Data.size()));
        if (e.Kind == 0) {
            EXPECT_EQ(e.PackedSize, 0);
            EXPECT_EQ(e.DataOffset, 0);
            EXPECT_EQ(e.LastWriteTime, 0u);
        } else {
            EXPECT_EQ(uint32_t(e.DataOffset), offset);
            EXPECT_EQ(e.CreationTime, inputs[i].CreationTime);
            EXPECT_EQ(e.LastWriteTime, inputs[i].LastWriteTime);
        }
        offset += uint32_t(e.PackedSize);
        total += e.Size;
    }
    EXPECT_EQ(Package.TotalSize, total);
    EXPECT_EQ(Package.DataStart, 0);
    // Empty stays empty; the stored file beginning with "JC" keeps packed == size.
    EXPECT_EQ(Package.Entries[3].PackedSize, 0);
    EXPECT_EQ(Package.Entries[4].PackedSize, Package.Entries[4].Size);
    EXPECT_NE(Package.Entries[2].PackedSize, Package.Entries[2].Size);
    ClosePackage();
    EXPECT_EQ(Package.Entries.size(), inputs.size()) << "the list outlives ClosePackage";
}

TEST_F(PackageReaderTest, CountZeroAndStoredDirectoriesOpen) {
    std::string empty = Write("empty.pck", Build({}));
    ASSERT_EQ(OpenPackage(empty.c_str(), nullptr), 1);
    EXPECT_TRUE(Package.Entries.empty());
    EXPECT_EQ(Package.TotalSize, 0);

    std::vector<uint8_t> stored = Build(SampleInputs(), true);
    size_t n = stored.size();
    EXPECT_EQ(Le32(stored, n - 16), Le32(stored, n - 12)) << "P == U";
    std::string path = Write("stored.pck", stored);
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr), 1);
    EXPECT_EQ(Package.Entries.size(), SampleInputs().size());
}

TEST_F(PackageReaderTest, StoredDirectoryBeginningWithJcIsNotUnpacked) {
    // 0x434A entries make the count's bytes read "JC".
    std::vector<PackInput> inputs;
    for (uint32_t i = 0; i < 0x434A; ++i) inputs.push_back(Folder("d" + std::to_string(i) + "\\"));
    std::vector<uint8_t> bytes = Build(inputs, true);
    size_t dirPos = bytes.size() - 16 - Le32(bytes, bytes.size() - 12);
    ASSERT_EQ(bytes[dirPos], 'J');
    ASSERT_EQ(bytes[dirPos + 1], 'C');
    std::string path = Write("jc-dir.pck", bytes);
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr), 1);
    EXPECT_EQ(Package.Entries.size(), 0x434Au);
    EXPECT_EQ(Package.Entries.back().Name, "d17225\\");
}

TEST_F(PackageReaderTest, AppendedAndStandaloneParseAlike) {
    std::vector<PackInput> inputs = SampleInputs();
    std::string standalone = Write("s.pck", Build(inputs));
    ASSERT_EQ(OpenPackage(standalone.c_str(), nullptr), 1);
    std::vector<PackageEntry> alone = Package.Entries;

    std::vector<uint8_t> exe(3000, 0x90);
    std::vector<uint8_t> appended = exe;
    PackSink sink = [&](const uint8_t* d, size_t n) {
        appended.insert(appended.end(), d, d + n);
        return true;
    };
    PackWriteResult result;
    std::string error;
    ASSERT_TRUE(WritePackage(sink, uint32_t(exe.size()), inputs, {}, result, error)) << error;
    std::string setup = Write("setup.exe", appended);
    ASSERT_EQ(OpenPackage(setup.c_str(), nullptr), 1);
    EXPECT_EQ(Package.DataStart, 3000);
    ASSERT_EQ(Package.Entries.size(), alone.size());
    for (size_t i = 0; i < alone.size(); ++i) {
        const PackageEntry& a = alone[i];
        const PackageEntry& b = Package.Entries[i];
        EXPECT_EQ(a.Name, b.Name);
        EXPECT_EQ(a.Kind, b.Kind);
        EXPECT_EQ(a.Size, b.Size);
        EXPECT_EQ(a.PackedSize, b.PackedSize);
        EXPECT_EQ(a.LastWriteTime, b.LastWriteTime);
        EXPECT_EQ(b.DataOffset, a.Kind == 1 ? a.DataOffset + 3000 : 0);
    }
}

TEST_F(PackageReaderTest, RejectsWrongMagicShortFilesAndNonFiles) {
    std::vector<uint8_t> good = Build(SampleInputs());
    std::vector<uint8_t> reversed = good;
    std::memcpy(reversed.data() + reversed.size() - 4, "kcaP", 4);
    std::string path = Write("kcap.pck", reversed);

    std::string ok = Write("ok.pck", good);
    ASSERT_EQ(OpenPackage(ok.c_str(), nullptr), 1);
    EXPECT_EQ(OpenPackage(path.c_str(), nullptr), 0);
    EXPECT_TRUE(Package.Entries.empty()) << "a failed open leaves the list empty";
    EXPECT_EQ(Package.TotalSize, 0);

    for (size_t n = 0; n < 16; ++n) {
        // The tail of a real trailer, cut short.
        std::vector<uint8_t> tail(good.end() - long(n), good.end());
        std::string p = Write("short" + std::to_string(n), tail);
        EXPECT_EQ(OpenPackage(p.c_str(), nullptr), 0) << n << " bytes";
    }
    EXPECT_EQ(OpenPackage((dir_ + "/missing.pck").c_str(), nullptr), 0);
    EXPECT_EQ(OpenPackage(dir_.c_str(), nullptr), 0);
}

TEST_F(PackageReaderTest, RejectsEveryTruncation) {
    std::vector<uint8_t> good = Build(SampleInputs());
    for (size_t n = 0; n < good.size(); ++n) {
        // Cut at the end (trailer lost) and at the front (the trailer's numbers no longer fit).
        std::vector<uint8_t> head(good.begin(), good.begin() + long(n));
        std::vector<uint8_t> tail(good.end() - long(n), good.end());
        std::string a = Write("head", head);
        std::string b = Write("tail", tail);
        EXPECT_EQ(OpenPackage(a.c_str(), nullptr), 0) << "head " << n;
        EXPECT_EQ(OpenPackage(b.c_str(), nullptr), 0) << "tail " << n;
    }
}

// Field positions in a stored directory of SampleInputs.
struct Layout {
    size_t Dir, U, P, S;
};

Layout LayoutOf(const std::vector<uint8_t>& b) {
    size_t n = b.size();
    return {n - 16 - Le32(b, n - 12), n - 16, n - 12, n - 8};
}

// Position of record field `field` (0 kind .. 7) of the entry named `name`.
size_t FieldAt(const std::vector<uint8_t>& b, const std::string& name, int field) {
    Layout l = LayoutOf(b);
    size_t p = l.Dir + 4;
    for (;;) {
        std::string n(reinterpret_cast<const char*>(b.data() + p));
        size_t numbers = p + n.size() + 1;
        if (n == name) return numbers + 4 * size_t(field);
        p = numbers + 32;
    }
}

TEST_F(PackageReaderTest, RejectsLyingNumbers) {
    const std::vector<uint8_t> good = Build(SampleInputs(), true);
    const Layout l = LayoutOf(good);
    const uint32_t len = uint32_t(good.size());
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const size_t readmePacked = FieldAt(good, "Data\\Deep\\readme.txt", 2);
    const size_t readmeSize = FieldAt(good, "Data\\Deep\\readme.txt", 1);
    const size_t jcPacked = FieldAt(good, "jc.bin", 2);
    const Case cases[] = {
        {"U one more", l.U, Le32(good, l.U) + 1},
        {"U one less", l.U, Le32(good, l.U) - 1},
        {"U huge", l.U, 0xFFFFFFF0u},
        {"U below a count", l.U, 3},
        {"P one more", l.P, Le32(good, l.P) + 1},
        {"P whole file", l.P, len},
        {"P huge", l.P, 0xFFFFFFFFu},
        {"S past the directory", l.S, uint32_t(l.Dir) + 1},
        {"S huge", l.S, 0x7FFFFFFFu},
        {"S one byte in", l.S, 1},
        {"count one more", l.Dir, Le32(good, l.Dir) + 1},
        {"count huge", l.Dir, 0xFFFFFFFFu},
        {"packed one more", readmePacked, Le32(good, readmePacked) + 1},
        {"packed negative", readmePacked, 0x80000000u},
        {"size negative", readmeSize, 0xFFFFFFFFu},
        {"stored packed past the data", jcPacked, len},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        SetLe32(bad, c.at, c.value);
        std::string path = Write("lying.pck", bad);
        EXPECT_EQ(OpenPackage(path.c_str(), nullptr), 0) << c.what;
        EXPECT_TRUE(Package.Entries.empty()) << c.what;
    }
    // A name whose NUL is missing runs into the end of the directory.
    std::vector<uint8_t> noNul = good;
    size_t lastNumbers = FieldAt(good, "setup.ini", 0);
    std::memset(noNul.data() + lastNumbers - 1, 'x', 1 + 32);
    std::string path = Write("nonul.pck", noNul);
    EXPECT_EQ(OpenPackage(path.c_str(), nullptr), 0);
}

TEST_F(PackageReaderTest, CompressedDirectoryMustUnpackToExactlyU) {
    std::vector<uint8_t> good = Build(SampleInputs());
    Layout l = LayoutOf(good);
    ASSERT_NE(Le32(good, l.U), Le32(good, l.P));
    for (uint32_t delta : {1u, 8u}) {
        // Header and trailer agree on a size the stream does not produce.
        std::vector<uint8_t> bad = good;
        SetLe32(bad, l.U, Le32(good, l.U) - delta);
        SetLe32(bad, l.Dir + 2, Le32(good, l.U) - delta);
        std::string path = Write("u.pck", bad);
        EXPECT_EQ(OpenPackage(path.c_str(), nullptr), 0) << delta;
    }
    std::vector<uint8_t> flipped = good;
    flipped[l.Dir + 12] ^= 0x10;
    std::string path = Write("flip.pck", flipped);
    EXPECT_EQ(OpenPackage(path.c_str(), nullptr), 0);
}

TEST_F(PackageReaderTest, RandomDamageNeverOpensAnInconsistentDirectory) {
    const std::vector<uint8_t> good = Build(SampleInputs(), true);
    const Layout l = LayoutOf(good);
    std::mt19937 rng(7);
    int opened = 0;
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> bad = good;
        int flips = 1 + int(rng() % 4);
        for (int f = 0; f < flips; ++f) {
            size_t at = l.Dir + rng() % (bad.size() - l.Dir);
            bad[at] = uint8_t(rng());
        }
        std::string path = Write("fuzz.pck", bad);
        if (!OpenPackage(path.c_str(), nullptr)) continue;
        ++opened;
        int64_t data = 0;
        for (const PackageEntry& e : Package.Entries) {
            if (e.Kind == 1) {
                ASSERT_GE(e.PackedSize, 0);
                ASSERT_GE(e.Size, 0);
                data += e.PackedSize;
            }
        }
        ASSERT_LE(Package.DataStart + data, int64_t(bad.size()) - 16 - Le32(bad, bad.size() - 12));
    }
    EXPECT_GT(opened, 0) << "some damage (names, times) leaves a usable directory";
}

TEST_F(PackageReaderTest, RejectsFilesOfTwoGiB) {
    std::vector<uint8_t> good = Build(SampleInputs());
    std::string path = dir_ + "/big.pck";
    // A sparse file: 2 GiB of holes, then a valid Package at its end.
    {
        std::ofstream f(path, std::ios::binary);
        f.seekp(std::streamoff(0x80000000ll - good.size()));
        f.write(reinterpret_cast<const char*>(good.data()), std::streamsize(good.size()));
    }
    ASSERT_EQ(fs::file_size(path), 0x80000000ull);
    EXPECT_EQ(OpenPackage(path.c_str(), nullptr), 0);
}

}  // namespace
}  // namespace wb
