// Setups whose blocks are LZMA, installed by the real installer under Wine in both shapes:
// the program's files arrive whole and registered as usual, and a damaged LZMA block ends
// the run with exit code 2 before anything is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"
#include "blocks/decompress/block_method.h"
#include "wbpack/inspection/inspect.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUninstallKey =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}";

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// The outer Package of `setup`, and the position of its setup.pck entry's data.
bool FindInner(const std::vector<uint8_t>& image, wb::PackageImage& outer, size_t& index) {
    std::string error;
    if (!wb::ReadPackageImage(image.data(), image.size(), outer, error)) return false;
    const long i = wb::FindInnerPackage(outer);
    if (i < 0) return false;
    index = size_t(i);
    return true;
}

// Counts the LZMA blocks among the compressed entries of `image`.
size_t LzmaBlocks(const std::vector<uint8_t>& image, const wb::PackageImage& p) {
    size_t n = 0;
    for (size_t i = 0; i < p.Entries.size(); ++i) {
        const wb::PackageEntry& e = p.Entries[i];
        if (e.Kind != 1 || e.Size == 0 || e.PackedSize == e.Size) continue;
        n += wb::BlockMethodOf(image.data() + p.Positions[i], size_t(e.PackedSize)) ==
             wb::BlockMethod::Lzma;
    }
    return n;
}

struct Shape {
    const char* Name;
    bool PerFile;
};

void PrintTo(const Shape& s, std::ostream* os) { *os << s.Name; }

class LzmaSetupE2E : public ::testing::TestWithParam<Shape> {
protected:
    void SetUp() override { ForgetDemoInstallation(); }
    void TearDown() override { ForgetDemoInstallation(); }

    std::string Options() const {
        return std::string("--method lzma --level 9") + (GetParam().PerFile ? " --per-file" : "");
    }
};

TEST_P(LzmaSetupE2E, InstallsWholeAndRegistered) {
    const std::string setup = BuildDemoSetup(std::string("lzma-") + GetParam().Name, false, Options());
    ASSERT_FALSE(setup.empty());
    // The blocks really are LZMA: the solid block, or every program file's own.
    const std::vector<uint8_t> image = Bytes(ReadFile(setup));
    wb::PackageImage outer;
    size_t inner = 0;
    ASSERT_TRUE(FindInner(image, outer, inner));
    EXPECT_GT(LzmaBlocks(image, outer), 0u);
    std::vector<uint8_t> pck;
    std::string error;
    ASSERT_TRUE(wb::EntryContents(image.data(), image.size(), outer, inner, pck, error)) << error;
    wb::PackageImage innerImage;
    ASSERT_TRUE(wb::ReadPackageImage(pck.data(), pck.size(), innerImage, error,
                                     wb::PackageHost::Standalone)) << error;
    if (GetParam().PerFile) {
        EXPECT_GE(LzmaBlocks(pck, innerImage), 3u);
    } else {
        EXPECT_EQ(wb::BlockMethodOf(image.data() + outer.Positions[inner], 2),
                  wb::BlockMethod::Lzma);
    }

    WatchedRun r = RunSetupWatched(setup, {"/Q"});
    ASSERT_FALSE(r.Run.TimedOut) << r.Run.Output;
    EXPECT_EQ(r.Run.ExitCode, 0) << r.Run.Output;
    const std::string prog = LinuxFolder("PROGRAMFILES") + "/Hello Wendlebox/";
    const std::string demo = BinDir() + "/demo/";
    EXPECT_EQ(ReadFile(prog + "Hello.exe"), ReadFile(demo + "Hello.exe"));
    EXPECT_EQ(ReadFile(prog + "tools/taskrun.exe"), ReadFile(demo + "taskrun.exe"));
    EXPECT_EQ(ReadFile(prog + "Hello.txt"),
              ReadFile(SourceDir() + "/examples/hello/program/Hello.txt"));
    EXPECT_TRUE(fs::exists(prog + "uninstall.exe"));
    EXPECT_EQ(RegRead(kUninstallKey, "DisplayName"), "Hello Wendlebox  1.0");
    EXPECT_EQ(RegRead(kUninstallKey, "UninstallString"),
              "\"" + WinFolder("PROGRAMFILES") + "\\Hello Wendlebox\\uninstall.exe\"");
}

TEST_P(LzmaSetupE2E, DamagedBlockWritesNothingAndExitsWithTwo) {
    std::string setup;
    if (GetParam().PerFile) {
        // A byte flipped inside the largest program file's LZMA block.
        setup = BuildDemoSetup("lzma-damaged-per-file", true, "--method lzma");
    } else {
        // A byte flipped inside the solid block itself: the start-up unpacking refuses it.
        setup = BuildDemoSetup("lzma-damaged-solid", false, Options());
        ASSERT_FALSE(setup.empty());
        std::vector<uint8_t> image = Bytes(ReadFile(setup));
        wb::PackageImage outer;
        size_t inner = 0;
        ASSERT_TRUE(FindInner(image, outer, inner));
        image[outer.Positions[inner] + size_t(outer.Entries[inner].PackedSize) / 2] ^= 0x5A;
        WriteFile(setup, std::string(image.begin(), image.end()));
    }
    ASSERT_FALSE(setup.empty());
    const std::string temp = SetupTempLinux();
    const std::vector<std::string> before = GuidFolders(temp);
    WatchedRun r = RunSetupWatched(setup, {"/Q"});
    ASSERT_FALSE(r.Run.TimedOut);
    EXPECT_TRUE(NewFolders(before, GuidFolders(temp)).empty()) << "a temporary folder stayed";
    EXPECT_EQ(r.Run.ExitCode, 2) << r.Run.Output;
    EXPECT_TRUE(r.Windows.empty());
    EXPECT_FALSE(fs::exists(LinuxFolder("PROGRAMFILES") + "/Hello Wendlebox"))
        << "the installation folder was made";
    bool found = true;
    RegRead(kUninstallKey, "DisplayName", &found);
    EXPECT_FALSE(found) << "an uninstall entry was registered";
    EXPECT_FALSE(fs::exists(LinuxFolder("USERPROFILE") + "/Desktop/Hello Wendlebox.lnk"));
}

INSTANTIATE_TEST_SUITE_P(Shapes, LzmaSetupE2E,
                         ::testing::Values(Shape{"solid", false}, Shape{"per_file", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace e2e
