// Which installer a setup carries: the PE machine of its stub, read from bytes that may be
// anything, and `wbpack build --arch` refusing a stub of the other architecture.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "unit/test_support.h"
#include "wbpack/commands.h"
#include "wbpack/inspection/inspect.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

// A minimal PE image: "MZ", e_lfanew at 0x3C, "PE\0\0" and the machine number, then an
// optional header without sections whose headers fill the image (so that a Package
// appended to it is found as behind a real stub).
std::vector<uint8_t> PeImage(uint16_t machine, uint32_t peOffset = 0x80, size_t size = 0x200) {
    std::vector<uint8_t> d(size, 0);
    d[0] = 'M';
    d[1] = 'Z';
    for (int i = 0; i < 4; ++i) d[0x3C + i] = uint8_t(peOffset >> (8 * i));
    if (size_t(peOffset) + 6 <= size) {
        d[peOffset] = 'P';
        d[peOffset + 1] = 'E';
        d[peOffset + 4] = uint8_t(machine);
        d[peOffset + 5] = uint8_t(machine >> 8);
    }
    const bool plus = machine == 0x8664;
    const size_t optionalSize = plus ? 0xF0 : 0xE0;
    const size_t opt = size_t(peOffset) + 24;
    if (opt + optionalSize <= size) {
        d[peOffset + 20] = uint8_t(optionalSize);
        d[opt] = 0x0B;
        d[opt + 1] = plus ? 0x02 : 0x01;
        for (int i = 0; i < 4; ++i) d[opt + 60 + i] = uint8_t(size >> (8 * i));  // SizeOfHeaders
        d[opt + (plus ? 108 : 92)] = 16;  // data directories, all empty: not signed
    }
    return d;
}

TEST(StubArch, ReadsTheMachineOfBothBuilds) {
    auto x86 = PeImage(0x014C);
    auto x64 = PeImage(0x8664);
    EXPECT_EQ(ReadStubArch(x86.data(), x86.size()), StubArch::X86);
    EXPECT_EQ(ReadStubArch(x64.data(), x64.size()), StubArch::X64);
    auto arm = PeImage(0xAA64);
    EXPECT_EQ(ReadStubArch(arm.data(), arm.size()), StubArch::Unknown);
}

TEST(StubArch, TruncatedOrForeignBytesAreUnknown) {
    auto whole = PeImage(0x8664);
    // Every cut of the header, including inside "PE\0\0" and the machine field.
    for (size_t cut = 0; cut < 0x86; ++cut) {
        std::vector<uint8_t> part(whole.begin(), whole.begin() + long(cut));
        EXPECT_EQ(ReadStubArch(part.data(), part.size()), StubArch::Unknown) << cut;
    }
    // A header offset far past the end, or one that wraps when 6 is added.
    for (uint32_t off : {0x1000u, 0xFFFFFFFEu, 0xFFFFFFFFu, 0x1FBu}) {
        auto d = PeImage(0x8664, off);
        EXPECT_EQ(ReadStubArch(d.data(), d.size()), StubArch::Unknown) << off;
    }
    auto noPe = PeImage(0x014C);
    noPe[0x81] = 'X';
    EXPECT_EQ(ReadStubArch(noPe.data(), noPe.size()), StubArch::Unknown);
    std::vector<uint8_t> text(0x200, 'a');
    EXPECT_EQ(ReadStubArch(text.data(), text.size()), StubArch::Unknown);
    EXPECT_EQ(ReadStubArch(nullptr, 0), StubArch::Unknown);
}

TEST(StubArch, NamesAndOptionValues) {
    StubArch a = StubArch::Unknown;
    EXPECT_TRUE(ParseStubArch("x64", a));
    EXPECT_EQ(a, StubArch::X64);
    EXPECT_TRUE(ParseStubArch("x86", a));
    EXPECT_EQ(a, StubArch::X86);
    EXPECT_FALSE(ParseStubArch("X64", a));
    EXPECT_FALSE(ParseStubArch("amd64", a));
    EXPECT_STREQ(StubArchName(StubArch::X64), "x64");
    EXPECT_STREQ(StubArchName(StubArch::Unknown), "unknown");
}

class StubArchBuild : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = FreshTestDir("wb-arch").string();
        Write(root_ + "/project/setup.ini", "[Info]\r\nTitel = Arch\r\n[Task]\r\nNoUninstall = 1\r\n");
        Write(root_ + "/project/program/a.txt", "a");
        Write(root_ + "/x86.exe", PeImage(0x014C));
        Write(root_ + "/x64.exe", PeImage(0x8664));
    }
    void TearDown() override { fs::remove_all(root_); }
    static void Write(const std::string& path, const std::string& bytes) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
        Write(path, std::string(bytes.begin(), bytes.end()));
    }
    int Run(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
        std::string o, e;
        int code = RunWbpack(args, o, e, false);
        if (out) *out = o;
        if (err) *err = e;
        return code;
    }
    std::string root_;
};

TEST_F(StubArchBuild, ListAndVerifyNameTheStubsArchitecture) {
    std::string setup = root_ + "/setup64.exe", out, err;
    ASSERT_EQ(Run({"build", root_ + "/project", "-o", setup, "--arch", "x64", "--stub",
                   root_ + "/x64.exe", "--quiet"}, nullptr, &err), 0) << err;
    ASSERT_EQ(Run({"list", setup}, &out), 0);
    EXPECT_NE(out.find("stub x64 (512 bytes)"), std::string::npos) << out;
    ASSERT_EQ(Run({"verify", setup}, &out), 0);
    EXPECT_NE(out.find(": OK, stub x64"), std::string::npos) << out;

    std::string setup32 = root_ + "/setup32.exe";
    ASSERT_EQ(Run({"build", root_ + "/project", "-o", setup32, "--stub", root_ + "/x86.exe",
                   "--quiet"}), 0);
    ASSERT_EQ(Run({"list", setup32}, &out), 0);
    EXPECT_NE(out.find("stub x86"), std::string::npos) << out;

    std::string pck = root_ + "/bare.pck";
    ASSERT_EQ(Run({"pack", root_ + "/project/program", "-o", pck, "--quiet"}), 0);
    ASSERT_EQ(Run({"list", pck}, &out), 0);
    EXPECT_NE(out.find("stub unknown"), std::string::npos) << out;
}

TEST_F(StubArchBuild, AStubOfTheOtherArchitectureIsRefusedAndNothingIsWritten) {
    std::string setup = root_ + "/setup.exe", err;
    EXPECT_EQ(Run({"build", root_ + "/project", "-o", setup, "--arch", "x64", "--stub",
                   root_ + "/x86.exe", "--quiet"}, nullptr, &err), 1);
    EXPECT_NE(err.find("is x86, not x64"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(setup));
    EXPECT_EQ(Run({"build", root_ + "/project", "-o", setup, "--arch", "arm", "--quiet"},
                  nullptr, &err), 2);
    EXPECT_NE(err.find("--arch takes x86 or x64"), std::string::npos) << err;
}

}  // namespace
}  // namespace wb
