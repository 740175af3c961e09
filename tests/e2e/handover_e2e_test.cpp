// The hand-over under Wine: a built setup installs quietly, and the uninstaller it brought
// removes everything the installation made from the log the two programs share, names
// with a dot pair ("notes..txt", a folder "v1..2\") included.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGuid = "{2D07A11E-5E1F-4C0D-9A8B-00000000D0D0}";
const std::string kEntry =
    std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kGuid;

void Forget(const std::string& progDir) {
    fs::remove_all(LinuxPath(progDir));
    RunWine("C:\\windows\\system32\\reg.exe", {"delete", kEntry, "/f"}, 60);
}

TEST(HandoverE2E, TwoDotNamesAreInstalledAndRemovedAgain) {
    const std::string progDir = "C:\\WbDots\\Dot Tool\\";
    Forget(progDir);
    const std::string project = MakeProject(
        "handover-dots",
        {{"setup.ini", std::string("[Info]\r\nTitel = Dot Tool\r\nVersion = 1.0\r\nGUID = ") +
                           kGuid +
                           "\r\n[Settings]\r\nProgExe = dots.exe\r\n"
                           "DefaultDir = C:\\WbDots\\Dot Tool\r\n"
                           "[StartMenue]\r\nProgLink = Dot Tool\r\n"
                           "[Task]\r\nDesktop = 0\r\nStartMenu = 0\r\nStartProg = 0\r\n"},
         {"program/dots.exe", "program"},
         {"program/notes..txt", "two dots inside a name"},
         {"program/v1..2/notes..txt", "in a folder with two dots"},
         {"program/v1..2/deeper/plain.txt", "below it"}});
    const std::string setup = ScratchDir("handover-dots-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);

    RunResult install = RunWine(setup, {"/Q"}, 180);
    ASSERT_FALSE(install.TimedOut) << install.Output;
    EXPECT_EQ(install.ExitCode, 0) << install.Output;
    for (const char* file : {"notes..txt", "v1..2\\notes..txt", "v1..2\\deeper\\plain.txt",
                             "uninstall.exe", "uninstall.dat"}) {
        EXPECT_TRUE(fs::exists(LinuxPath(progDir + file))) << file;
    }
    bool found = false;
    RegRead(kEntry, "UninstallString", &found);
    EXPECT_TRUE(found) << "the uninstall entry was not written";

    RunResult removal = RunWine(progDir + "uninstall.exe", {"/Q"}, 180);
    ASSERT_FALSE(removal.TimedOut) << removal.Output;
    EXPECT_EQ(removal.ExitCode, 0) << "something stayed: " << removal.Output;
    EXPECT_FALSE(fs::exists(LinuxPath(progDir + "notes..txt")));
    EXPECT_FALSE(fs::exists(LinuxPath(progDir + "v1..2")));
    EXPECT_TRUE(GoneWithin(LinuxPath(progDir), 30)) << "the installation folder stayed";
    found = true;
    RegRead(kEntry, "UninstallString", &found);
    EXPECT_FALSE(found) << "the uninstall entry stayed";
    Forget(progDir);
    fs::remove_all(LinuxPath("C:\\WbDots"));
}

}  // namespace
}  // namespace e2e
