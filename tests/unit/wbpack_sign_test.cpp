// Signing in wbpack: a file counts as signed only when it carries a certificate table, and
// a signing command that ends well without signing fails the build with nothing left.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "unit/test_support.h"
#include "wbpack/publishing/pe_certificate.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr size_t kSecurityEntry = 0x80 + 24 + 96 + 4 * 8;  // in FakeStub's PE32 header

void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(uint8_t(v >> (8 * i)));
}

// `pe` with a certificate table appended at the next multiple of 8 and named by the
// security directory: one entry of `length` (8 header bytes, then a DER sequence).
std::string Signed(std::string pe, uint16_t revision = 0x0200, uint16_t type = 0x0002,
                   uint32_t length = 40) {
    pe.resize((pe.size() + 7) / 8 * 8, '\0');
    const size_t table = pe.size();
    std::string entry(8, '\0');
    Put32(entry, 0, length);
    entry[4] = char(revision & 0xFF);
    entry[5] = char(revision >> 8);
    entry[6] = char(type & 0xFF);
    entry[7] = char(type >> 8);
    entry += std::string("\x30\x82\x00\x1C", 4) + std::string(28, '\x05');
    pe += entry;
    Put32(pe, kSecurityEntry, uint32_t(table));
    Put32(pe, kSecurityEntry + 4, uint32_t(entry.size()));
    return pe;
}

bool Carries(const std::string& s) {
    return CarriesCertificateTable(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(CertificateTable, OnlyASignedDataEntryBehindTheImageCounts) {
    const std::string plain = FakeStub(std::string("MZ") + std::string(600, 'x'));
    EXPECT_FALSE(Carries(plain));
    EXPECT_TRUE(Carries(Signed(plain)));
    EXPECT_FALSE(Carries(Signed(plain, 0x0100))) << "revision 1";
    EXPECT_FALSE(Carries(Signed(plain, 0x0200, 0x0001))) << "an X.509 entry, no signed data";
    EXPECT_FALSE(Carries(Signed(plain, 0x0200, 0x0002, 8))) << "an entry without contents";
    EXPECT_FALSE(Carries(Signed(plain, 0x0200, 0x0002, 41))) << "an entry longer than the table";

    // A table inside the image (SizeOfHeaders covers the whole stub) is no signature.
    std::string inside = Signed(plain);
    Put32(inside, kSecurityEntry, 0x100);
    EXPECT_FALSE(Carries(inside));
    // Offsets and sizes past the end, also where their sum wraps.
    for (uint32_t offset : {0xFFFFFFF8u, uint32_t(inside.size())}) {
        std::string past = Signed(plain);
        Put32(past, kSecurityEntry, offset);
        EXPECT_FALSE(Carries(past)) << offset;
    }
    std::string huge = Signed(plain);
    Put32(huge, kSecurityEntry + 4, 0xFFFFFFF8u);
    EXPECT_FALSE(Carries(huge));
    // Every cut of a signed file: nothing is read outside the bytes given (the sanitizers
    // watch), and the table cut short is no table.
    const std::string whole = Signed(plain);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        std::vector<uint8_t> part(whole.begin(), whole.begin() + long(cut));
        EXPECT_FALSE(CarriesCertificateTable(part.data(), part.size())) << cut;
    }
    EXPECT_FALSE(CarriesCertificateTable(nullptr, 0));
}

class SignBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = FreshTestDir("wb-sign").string();
        project_ = root_ + "/project";
        fs::create_directories(project_ + "/program");
        std::ofstream(project_ + "/setup.ini", std::ios::binary)
            << "[Info]\r\nTitel = Sign Tool\r\nVersion = 1.0\r\n[Settings]\r\nProgExe = Tool.exe\r\n";
        std::ofstream(project_ + "/program/Tool.exe", std::ios::binary) << "MZ tool";
        std::ofstream(root_ + "/stub.exe", std::ios::binary) << FakeStub("MZ" + std::string(2046, 's'));
        std::ofstream(root_ + "/uninstall.exe", std::ios::binary) << FakeStub("MZ" + std::string(900, 'u'));
    }
    void TearDown() override { fs::remove_all(root_); }

    ToolRun BuildSigned(const std::string& command) {
        return Wbpack({"build", project_, "-o", root_ + "/out/setup.exe", "--stub",
                       root_ + "/stub.exe", "--uninstaller", root_ + "/uninstall.exe", "--quiet",
                       "--no-check", "--sign", command});
    }

    std::string root_, project_;
};

TEST_F(SignBuildTest, ACommandThatSignsNothingFailsTheBuildAndLeavesNothing) {
    fs::create_directories(root_ + "/out");
    // A copy into {out}, and a command that signs in place but does nothing: both exit 0.
    for (const std::string command : {"cp {in} {out} && echo signed", "true {in}"}) {
        SCOPED_TRACE(command);
        const ToolRun run = BuildSigned(command);
        EXPECT_EQ(run.Code, 1) << run.Out;
        EXPECT_NE(run.Err.find("carries no certificate table"), std::string::npos) << run.Err;
        EXPECT_TRUE(fs::is_empty(root_ + "/out")) << "no setup and no temporary file";
    }
}

}  // namespace
}  // namespace wb
