// Setups built by wbpack, unpacked by the real installer under Wine: the outer Package lands
// whole in the temporary setup folder with its times, and a damaged one is refused.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"
#include "wbpack/inspection/inspect.h"

namespace e2e {
namespace {

constexpr long kTime = 1577934245;  // 2020-01-02 03:04:05 UTC

const char* kIni =
    "[Info]\r\nTitel = Package Test\r\nVersion = 1.0\r\n"
    "GUID = {5A1E2C3D-0000-4000-8000-00000000B001}\r\n"
    "[Settings]\r\nProgExe = Tool.exe\r\nNoCopyExt = ini|\r\n[Task]\r\nNoUninstall = 1\r\n";

std::string Prose(size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "Line " + std::to_string(i % 61) + " of the licence.\r\n";
    s.resize(n);
    return s;
}

void SetTime(const std::string& path) {
    struct timespec times[2] = {{kTime, 0}, {kTime, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// A project whose setup files carry a nested folder (`nested`) or lie flat; the installer
// removes only the files directly in its temporary folder, so only a flat one goes whole.
std::string MakeSampleProject(const std::string& name, bool nested) {
    std::map<std::string, std::string> files = {{"setup.ini", kIni},
                                                {"licence.txt", Prose(40000)},
                                                {"user.ini", "[Protected]\r\nKey = 1\r\n"},
                                                {"empty.txt", ""},
                                                {"program/Tool.exe", "MZ" + Prose(9000)},
                                                {"program/Data/Deep/readme.txt", Prose(3000)}};
    if (nested) files["lang/sub/deep.lng"] = "[Install]\r\nTitel = Deep\r\n";
    std::string project = MakeProject(name, files);
    for (const auto& e : std::filesystem::recursive_directory_iterator(project)) {
        if (e.is_regular_file()) SetTime(e.path().string());
    }
    return project;
}

long MTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return long(st.st_mtim.tv_sec);
}

TEST(PackageE2E, OuterPackageUnpacksIntoTheTemporaryFolderWithItsTimes) {
    std::string project = MakeSampleProject("pck-whole", true);
    std::string out = ScratchDir("pck-whole-out");
    std::string setup = out + "/setup.exe";
    // The finish removes the files of the temporary folder; a hook copies them first.
    AddTempFolderSnapshot(project, out + "/temp-copy");
    ASSERT_EQ(BuildSetup(project, setup, StubPath(), "--per-file"), 0);

    std::string temp = SetupTempLinux();
    auto before = GuidFolders(temp);
    RunResult r = RunWine(setup, {"/Q"});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    auto added = NewFolders(before, GuidFolders(temp));
    // Only the sub-folders stay behind: the finish does not enter them.
    ASSERT_EQ(added.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(temp + "/" + added[0] + "/licence.txt"));
    EXPECT_EQ(ReadFile(temp + "/" + added[0] + "/lang/sub/deep.lng"), "[Install]\r\nTitel = Deep\r\n");
    std::string dir = out + "/temp-copy/";

    EXPECT_EQ(ReadFile(dir + "licence.txt"), Prose(40000));
    EXPECT_EQ(ReadFile(dir + "lang/sub/deep.lng"), "[Install]\r\nTitel = Deep\r\n");
    EXPECT_EQ(ReadFile(dir + "user.ini"), "[Protected]\r\nKey = 1\r\n");
    ASSERT_TRUE(std::filesystem::exists(dir + "empty.txt"));
    EXPECT_EQ(std::filesystem::file_size(dir + "empty.txt"), 0u);
    for (const char* name : {"licence.txt", "lang/sub/deep.lng", "user.ini", "empty.txt"}) {
        EXPECT_EQ(MTime(dir + name), kTime) << name;
    }

    // The stored inner Package arrives byte for byte, "JC" at its front and all.
    std::string bytes = ReadFile(setup);
    std::vector<uint8_t> image(bytes.begin(), bytes.end());
    wb::PackageImage outer;
    std::string error;
    ASSERT_TRUE(wb::ReadPackageImage(image.data(), image.size(), outer, error)) << error;
    long inner = wb::FindInnerPackage(outer);
    ASSERT_GE(inner, 0);
    std::vector<uint8_t> expected;
    ASSERT_TRUE(wb::EntryContents(image.data(), image.size(), outer, size_t(inner), expected, error));
    std::string pck = ReadFile(dir + "setup.pck");
    EXPECT_EQ(pck.substr(0, 2), "JC");
    EXPECT_EQ(pck, std::string(expected.begin(), expected.end()));
    std::filesystem::remove_all(temp + "/" + added[0]);
}

TEST(PackageE2E, DamagedSetupExitsWithTwoAndLeavesNothing) {
    std::string project = MakeSampleProject("pck-damaged", false);
    std::string setup = ScratchDir("pck-damaged-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    std::string bytes = ReadFile(setup);
    std::vector<uint8_t> image(bytes.begin(), bytes.end());
    wb::PackageImage outer;
    std::string error;
    ASSERT_TRUE(wb::ReadPackageImage(image.data(), image.size(), outer, error)) << error;
    size_t licence = 0;
    while (outer.Entries[licence].Name != "licence.txt") ++licence;
    size_t at = outer.Positions[licence] + size_t(outer.Entries[licence].PackedSize) / 2;

    std::string temp = SetupTempLinux();
    std::string damaged = bytes;
    damaged[at] = char(damaged[at] ^ 0x24);
    std::string cut = bytes.substr(0, bytes.size() - 20) + bytes.substr(bytes.size() - 16);
    for (const std::string* variant : {&damaged, &cut}) {
        WriteFile(setup, *variant);
        auto before = GuidFolders(temp);
        RunResult r = RunWine(setup, {"/Q"});
        ASSERT_FALSE(r.TimedOut);
        EXPECT_EQ(r.ExitCode, 2) << r.Output;
        EXPECT_TRUE(NewFolders(before, GuidFolders(temp)).empty())
            << "the temporary setup folder is removed again";
    }
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// The inner Package of both shapes unpacks into an installation folder, leaving an existing
// file of a protected extension as it was.
class InnerPackageE2E : public ::testing::TestWithParam<const char*> {};

TEST_P(InnerPackageE2E, UnpacksIntoTheInstallationFolderHonouringNoCopyExt) {
    std::string shape = GetParam();
    std::string project = MakeSampleProject("inner-" + shape, false);
    WriteFile(project + "/program/settings.ini", "[New]\r\nFresh = 1\r\n");
    WriteFile(project + "/program/empty.dat", "");
    SetTime(project + "/program/settings.ini");
    std::string out = ScratchDir("inner-" + shape + "-out");
    std::string setup = out + "/setup.exe";
    // The finish removes the temporary folder with the inner Package; a hook copies it first.
    AddTempFolderSnapshot(project, out + "/temp-copy");
    ASSERT_EQ(BuildSetup(project, setup, StubPath(), shape == "solid" ? "" : "--per-file"), 0);

    std::string temp = SetupTempLinux();
    auto before = GuidFolders(temp);
    RunResult r = RunWine(setup, {"/Q"});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    auto added = NewFolders(before, GuidFolders(temp));
    EXPECT_TRUE(added.empty()) << "the finish removes the temporary folder";
    std::string tempWin = WinPath(out + "/temp-copy") + "\\";

    std::string installWin = WinFolder("PROGRAMFILES") + "\\Inner " + shape;
    std::string install = LinuxPath(WinFolder("PROGRAMFILES")) + "/Inner " + shape;
    std::filesystem::remove_all(install);
    WriteFile(install + "/settings.ini", "[Mine]\r\nKept = yes\r\n");

    RunResult probe = RunWine(Win32BinPath("package_probe.exe"), {tempWin, installWin, "ini|"});
    EXPECT_EQ(probe.ExitCode, 0) << probe.Output;
    EXPECT_EQ(ReadFile(install + "/settings.ini"), "[Mine]\r\nKept = yes\r\n");
    EXPECT_EQ(ReadFile(install + "/Tool.exe"), "MZ" + Prose(9000));
    EXPECT_EQ(ReadFile(install + "/Data/Deep/readme.txt"), Prose(3000));
    EXPECT_EQ(MTime(install + "/Tool.exe"), kTime);
    EXPECT_EQ(MTime(install + "/Data/Deep/readme.txt"), kTime);
    ASSERT_TRUE(std::filesystem::exists(install + "/empty.dat"));
    EXPECT_EQ(std::filesystem::file_size(install + "/empty.dat"), 0u);

    // Without the protection the new file replaces the old one.
    RunResult again = RunWine(Win32BinPath("package_probe.exe"), {tempWin, installWin, ""});
    EXPECT_EQ(again.ExitCode, 0) << again.Output;
    EXPECT_EQ(ReadFile(install + "/settings.ini"), "[New]\r\nFresh = 1\r\n");
    for (const std::string& f : added) std::filesystem::remove_all(temp + "/" + f);
    std::filesystem::remove_all(install);
}

INSTANTIATE_TEST_SUITE_P(Shapes, InnerPackageE2E, ::testing::Values("solid", "perfile"));

}  // namespace
}  // namespace e2e
