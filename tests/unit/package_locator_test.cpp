// Finding the Package of a signed setup: only in front of the certificate table, never in
// what follows it, and never past the headers' own lies about the file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package/extract.h"
#include "package/package_format.h"
#include "package/package_locator.h"
#include "package/package_reader.h"
#include "unit/test_support.h"
#include "wbpack/inspection/inspect.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kPeAt = 0x80;
constexpr uint32_t kOptAt = kPeAt + 24;
constexpr uint32_t kHeaders = 0x400;  // the image: headers plus one section's raw data

void Put16(std::vector<uint8_t>& d, size_t at, uint16_t v) {
    d[at] = uint8_t(v);
    d[at + 1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& d, size_t at, uint32_t v) { pck::WriteLe32(d.data() + at, v); }

// A PE image of kHeaders bytes: headers up to 0x200, then one section of 0x200 bytes.
std::vector<uint8_t> Stub(bool plus) {
    std::vector<uint8_t> d(kHeaders, 0);
    d[0] = 'M';
    d[1] = 'Z';
    Put32(d, 0x3C, kPeAt);
    d[kPeAt] = 'P';
    d[kPeAt + 1] = 'E';
    Put16(d, kPeAt + 4, plus ? 0x8664 : 0x014C);
    Put16(d, kPeAt + 6, 1);                       // one section
    const uint16_t optionalSize = plus ? 0xF0 : 0xE0;
    Put16(d, kPeAt + 20, optionalSize);
    Put16(d, kOptAt, plus ? 0x20B : 0x10B);
    Put32(d, kOptAt + 60, 0x200);                 // SizeOfHeaders
    Put32(d, kOptAt + (plus ? 108 : 92), 16);     // NumberOfRvaAndSizes
    const size_t section = kOptAt + optionalSize;
    std::memcpy(d.data() + section, ".text", 5);
    Put32(d, section + 16, 0x200);                // SizeOfRawData
    Put32(d, section + 20, 0x200);                // PointerToRawData
    return d;
}

size_t SecurityEntryAt(bool plus) { return kOptAt + (plus ? 112 : 96) + 4 * 8; }

std::vector<PackInput> Inputs(const std::string& text) {
    return {PackFolder("Data\\"), PackFile("Data\\a.txt", text, false, 1, 2),
            PackFile("b.bin", std::string(300, 'b'), true, 3, 4)};
}

// The stub with a Package behind it, unpadded.
std::vector<uint8_t> SetupFile(bool plus, const std::string& text = "the vendor's program") {
    std::vector<uint8_t> file = Stub(plus);
    const uint32_t start = uint32_t(file.size());
    PackSink sink = [&](const uint8_t* d, size_t n) {
        file.insert(file.end(), d, d + n);
        return true;
    };
    PackWriteResult result;
    std::string error;
    EXPECT_TRUE(WritePackage(sink, start, Inputs(text), {}, result, error)) << error;
    return file;
}

// What a signing tool does: zeros to the next multiple of 8 (or `padding` of them), then a
// certificate table named by the security entry.
std::vector<uint8_t> Sign(std::vector<uint8_t> file, bool plus, int padding = -1,
                          uint32_t tableSize = 40) {
    const size_t pad = padding >= 0 ? size_t(padding) : (8 - file.size() % 8) % 8;
    file.insert(file.end(), pad, 0);
    const uint32_t table = uint32_t(file.size());
    std::vector<uint8_t> certificate(tableSize, 0x5A);
    Put32(certificate, 0, tableSize);  // WIN_CERTIFICATE dwLength
    file.insert(file.end(), certificate.begin(), certificate.end());
    Put32(file, SecurityEntryAt(plus), table);
    Put32(file, SecurityEntryAt(plus) + 4, tableSize);
    return file;
}

bool Locate(const std::vector<uint8_t>& file, PackageLocation& where,
            PackageHost host = PackageHost::Setup) {
    return LocatePackageInMemory(file.data(), file.size(), host, where);
}

class PackageLocatorTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = FreshTestDir("wb-locator").string(); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    // Opens and extracts `bytes` as the installer does; the text of Data\a.txt, or "".
    std::string InstalledText(const std::vector<uint8_t>& bytes) {
        const std::string path = Write("setup.exe", bytes);
        if (!OpenPackage(path.c_str(), nullptr)) return "";
        const std::string target = dir_ + "/out" + std::to_string(++runs_) + "/";
        ExtractResult r = ExtractPackage(Package, target, "");
        ClosePackage();
        if (!r.Opened || r.Damaged != 0) return "";
        std::ifstream in(target + "Data/a.txt", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string dir_;
    int runs_ = 0;
};

TEST_F(PackageLocatorTest, SignedSetupsOfBothKindsInstallFromInFrontOfTheTable) {
    for (bool plus : {false, true}) {
        const std::vector<uint8_t> setup = SetupFile(plus);
        for (int padding = 0; padding <= 7; ++padding) {
            std::vector<uint8_t> file = Sign(setup, plus, padding);
            PackageLocation where;
            ASSERT_TRUE(Locate(file, where)) << plus << " " << padding;
            EXPECT_TRUE(where.Signed);
            EXPECT_EQ(where.End, int64_t(setup.size()));
            EXPECT_EQ(where.TableOffset, setup.size() + size_t(padding));
            EXPECT_EQ(where.TableSize, 40u);
            EXPECT_EQ(where.ImageEnd, kHeaders);
            EXPECT_EQ(InstalledText(file), "the vendor's program") << plus << " " << padding;
        }
    }
}

TEST_F(PackageLocatorTest, UnsignedSetupsAndBarePackagesReadFromTheEnd) {
    const std::vector<uint8_t> setup = SetupFile(true);
    PackageLocation where;
    ASSERT_TRUE(Locate(setup, where));
    EXPECT_FALSE(where.Signed);
    EXPECT_EQ(where.End, int64_t(setup.size()));
    // Fewer than five directory entries: there is no security entry at all.
    std::vector<uint8_t> few = setup;
    Put32(few, kOptAt + 108, 4);
    ASSERT_TRUE(Locate(few, where));
    EXPECT_FALSE(where.Signed);
    // A file that does not begin with "MZ" is a bare Package.
    std::vector<uint8_t> bare;
    std::string error;
    ASSERT_TRUE(BuildPackage(Inputs("x"), {}, bare, error)) << error;
    ASSERT_TRUE(Locate(bare, where));
    EXPECT_EQ(where.ImageEnd, 0u);
}

TEST_F(PackageLocatorTest, NothingAtOrAfterTheTableIsEverInstalled) {
    const bool plus = false;
    const std::vector<uint8_t> vendor = Sign(SetupFile(plus), plus);
    // Someone else's setup (same stub, their program), whose Package is appended.
    const std::vector<uint8_t> theirs = SetupFile(plus, "someone else's program");
    const std::vector<uint8_t> theirPackage(theirs.begin() + kHeaders, theirs.end());

    // Appended after the table: the file now ends in a valid-looking Package.
    std::vector<uint8_t> after = vendor;
    after.insert(after.end(), theirPackage.begin(), theirPackage.end());
    EXPECT_EQ(InstalledText(after), "the vendor's program");

    // Inside the table, its declared size grown over the appended bytes.
    std::vector<uint8_t> grown = after;
    const uint32_t table = pck::ReadLe32(grown.data() + SecurityEntryAt(plus));
    Put32(grown, SecurityEntryAt(plus) + 4, uint32_t(grown.size()) - table);
    PackageLocation where;
    ASSERT_TRUE(Locate(grown, where));
    EXPECT_EQ(where.End, int64_t(SetupFile(plus).size()));
    EXPECT_EQ(InstalledText(grown), "the vendor's program");

    // The tool sees what the installer sees.
    PackageImage image;
    std::string error;
    ASSERT_TRUE(ReadPackageImage(grown.data(), grown.size(), image, error)) << error;
    EXPECT_TRUE(image.Location.Signed);
    EXPECT_TRUE(VerifyPackageImage(grown.data(), grown.size(), false).empty());
}

TEST_F(PackageLocatorTest, InconsistentHeadersAreNotAPackage) {
    const bool plus = true;
    const std::vector<uint8_t> good = Sign(SetupFile(plus), plus);
    const size_t entry = SecurityEntryAt(plus);
    const uint32_t table = pck::ReadLe32(good.data() + entry);
    PackageLocation where;
    ASSERT_TRUE(Locate(good, where));

    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        int width;
    };
    const Case cases[] = {
        {"e_lfanew past the end", 0x3C, uint32_t(good.size()) + 8, 4},
        {"e_lfanew wrapping", 0x3C, 0xFFFFFFF0u, 4},
        {"no PE signature", kPeAt, 0x00004550u ^ 0x100, 4},
        {"unknown optional-header magic", kOptAt, 0x107, 2},
        {"optional header too small for its directories", kPeAt + 20, 0x60, 2},
        {"optional header past the end", kPeAt + 20, 0xFFFF, 2},
        {"more directory entries than fit", kOptAt + 108, 0x20000000u, 4},
        {"section table past the end", kPeAt + 6, 0xFFFF, 2},
        {"table offset past the end", entry, uint32_t(good.size()) + 8, 4},
        {"table offset inside the image", entry, kHeaders - 8, 4},
        {"table offset of 0", entry, 0, 4},
        {"table size of 0", entry + 4, 0, 4},
        {"offset + size overflowing 32 bits", entry + 4, 0xFFFFFFF8u, 4},
        {"table running past the end", entry + 4, 41, 4},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        if (c.width == 2) Put16(bad, c.at, uint16_t(c.value));
        else Put32(bad, c.at, c.value);
        EXPECT_FALSE(Locate(bad, where)) << c.what;
        EXPECT_EQ(InstalledText(bad), "") << c.what;
    }

    // A section whose raw data reaches over the table makes it start inside the image.
    std::vector<uint8_t> section = good;
    Put32(section, kOptAt + 0xF0 + 16, table);
    EXPECT_FALSE(Locate(section, where));

    // Non-zero padding, and more than seven zeros, between the trailer and the table.
    const std::vector<uint8_t> setup = SetupFile(plus);
    std::vector<uint8_t> dirty = Sign(setup, plus, 3);
    dirty[setup.size() + 1] = 1;
    EXPECT_FALSE(Locate(dirty, where));
    EXPECT_FALSE(Locate(Sign(setup, plus, 8), where));

    // Every cut of the file inside its headers, and every cut of the table.
    for (size_t cut = 2; cut < good.size(); cut += (cut < 0x300 ? 1 : 97)) {
        std::vector<uint8_t> part(good.begin(), good.begin() + long(cut));
        EXPECT_FALSE(Locate(part, where)) << cut;
    }
}

TEST_F(PackageLocatorTest, StandalonePackagesBeginningWithASignedProgramStillOpen) {
    // A solid setup.pck stores its first file as it is: a signed program there must not
    // be taken for the setup's own stub.
    std::vector<uint8_t> program = Sign(Stub(false), false);
    std::vector<PackInput> inputs = {
        PackFile("App.exe", std::string(program.begin(), program.end()), true, 1, 2),
        PackFile("b.txt", "second", true, 3, 4)};
    std::vector<uint8_t> pck;
    std::string error;
    ASSERT_TRUE(BuildPackage(inputs, {}, pck, error)) << error;
    const std::string path = Write("setup.pck", pck);
    ASSERT_EQ(OpenPackage(path.c_str(), nullptr, PackageHost::Standalone), 1);
    EXPECT_EQ(Package.Entries.size(), 2u);
    EXPECT_EQ(Package.End, int64_t(pck.size()));
    // wbpack, which is not told what it reads, falls back to the standalone reading.
    PackageImage image;
    ASSERT_TRUE(ReadPackageImage(pck.data(), pck.size(), image, error)) << error;
    EXPECT_EQ(image.Entries.size(), 2u);
    EXPECT_FALSE(image.Location.Signed);
}

}  // namespace
}  // namespace wb
