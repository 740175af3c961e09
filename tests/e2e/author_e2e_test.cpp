// The setup author's first steps under Wine: wbpack init writes a starter project that
// checks clean, builds, installs quietly (files, uninstall entry, Start-menu links) and is
// removed again by its uninstaller.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

TEST(AuthorE2E, StarterProjectChecksBuildsAndInstallsQuietly) {
    const std::string scratch = ScratchDir("author-init");
    const std::string project = scratch + "/Starter Tool";
    std::string out;
    ASSERT_EQ(RunHost("'" + WbpackPath() + "' init '" + project + "' 2>&1", &out), 0) << out;
    ASSERT_EQ(RunHost("'" + WbpackPath() + "' check '" + project + "' 2>&1", &out), 0) << out;
    EXPECT_EQ(out, project + ": no problems found\n");

    std::smatch match;
    const std::string ini = ReadFile(project + "/setup.ini");
    ASSERT_TRUE(std::regex_search(ini, match, std::regex("GUID = (\\{[0-9A-F-]{36}\\})")));
    const std::string guid = match[1].str();

    const std::string setup = scratch + "/StarterSetup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath(), "--arch " + TargetArch()), 0);
    RunResult run = RunWine(setup, {"/Q"}, 180);
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0) << run.Output;

    // Where the starter's DefaultDir puts it, with the uninstaller and its log.
    const std::string progDir = WinFolder("PROGRAMFILES") + "\\Starter Tool\\";
    const std::string prog = LinuxPath(progDir);
    for (const char* f : {"placeholder.txt", "uninstall.exe", "uninstall.dat"}) {
        EXPECT_TRUE(fs::exists(prog + f)) << f;
    }
    const std::string entry =
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + guid;
    EXPECT_EQ(RegRead(entry, "DisplayName"), "Starter Tool  1.0");
    EXPECT_EQ(RegRead(entry, "UninstallString"), "\"" + progDir + "uninstall.exe\"");
    const std::string menu =
        LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/Starter Tool/";
    EXPECT_TRUE(fs::exists(menu + "Uninstall.lnk")) << "Unistall = 1 of the starter";

    RunResult removal = RunWine(progDir + "uninstall.exe", {"/Q"}, 180);
    EXPECT_EQ(removal.ExitCode, 0) << removal.Output;
    EXPECT_TRUE(GoneWithin(prog, 30)) << "the installation folder stayed";
    bool found = true;
    RegRead(entry, "DisplayName", &found);
    EXPECT_FALSE(found) << "the uninstall entry stayed";
    EXPECT_FALSE(fs::exists(menu));
}

// wbpack.exe on Windows draws its GUIDs from the system's own random source and writes the
// same starter, which its own check passes.
TEST(AuthorE2E, WindowsToolWritesAStarterWithAFreshGuid) {
    const std::string scratch = ScratchDir("author-init-win");
    const std::string wbpack = Win32BinPath("wbpack.exe");
    std::vector<std::string> guids;
    for (const char* name : {"First", "Second"}) {
        const std::string project = scratch + "/" + name;
        RunResult init = RunWine(wbpack, {"init", WinPath(project)}, 60);
        ASSERT_EQ(init.ExitCode, 0) << init.Output;
        std::smatch match;
        const std::string ini = ReadFile(project + "/setup.ini");
        ASSERT_TRUE(std::regex_search(ini, match, std::regex("GUID = (\\{[0-9A-F-]{36}\\})")));
        guids.push_back(match[1].str());
        EXPECT_NE(ini.find("Titel = " + std::string(name) + "\r\n"), std::string::npos);
        RunResult check = RunWine(wbpack, {"check", WinPath(project)}, 60);
        EXPECT_EQ(check.ExitCode, 0) << check.Output;
        EXPECT_NE(check.Output.find("no problems found"), std::string::npos) << check.Output;
    }
    EXPECT_NE(guids[0], guids[1]);
}

}  // namespace
}  // namespace e2e
