// A setup is started from a folder others can write to (a downloads folder): a program
// planted there under a system program's name must never run in the setup's (elevated)
// process. The homepage link starts the system's RunDll32 by its full path.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCaption = " Planted Tool 1.0";

// Puts the test's hook program at `linuxExe`; it appends a line to `marker` when it runs.
void PlantHook(const std::string& linuxExe, const std::string& marker) {
    WriteFile(linuxExe, ReadFile(Win32BinPath("wbhook.exe")));
    const std::string cfg = linuxExe.substr(0, linuxExe.size() - 4) + ".cfg";
    WriteFile(cfg, "exit=0\r\nmarker=" + WinPath(marker) + "\r\n");
}

bool AppearsWithin(const std::string& path, int seconds) {
    for (int i = 0; i < seconds * 4; ++i) {
        if (fs::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return fs::exists(path);
}

TEST(PlantedProgramE2E, TheHomepageLinkNeverStartsARunDll32BesideTheSetup) {
    const std::string dir = ScratchDir("planted-rundll32");
    // The link names a local program, which the system's URL handler opens: that it runs
    // shows the click went through the system folder's RunDll32.
    const std::string opened = dir + "/opened.txt";
    PlantHook(dir + "/opened.exe", opened);
    const std::string project = MakeProject(
        "planted-rundll32-project",
        {{"setup.ini", "[Info]\r\nTitel = Planted Tool\r\nVersion = 1.0\r\n"
                       "Web = " + WinPath(dir + "/opened.exe") + "\r\n"
                       "[Settings]\r\nProgExe = tool.exe\r\nDefaultDir = C:\\WbPlanted\\Tool\r\n"
                       "[Task]\r\nDesktop = 0\r\nStartMenu = 0\r\n"},
         {"program/tool.exe", "program"}});
    const std::string setup = dir + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    const std::string planted = dir + "/planted.txt";
    PlantHook(dir + "/rundll32.exe", planted);

    RunResult run;
    std::thread installer([&] { run = RunWine(setup, {}, 120); });
    bool clicked = false;
    for (int i = 0; i < 120 && !clicked; ++i) {
        clicked = Driver({"click", kCaption, "4"}).ExitCode == 0;
        if (!clicked) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const bool handlerRan = clicked && AppearsWithin(opened, 30);
    Driver({"close", kCaption});
    installer.join();
    ASSERT_TRUE(clicked) << "the wizard never showed its homepage link";
    EXPECT_TRUE(handlerRan) << "the link did not reach the system's URL handler";
    EXPECT_FALSE(fs::exists(planted)) << "the RunDll32 beside the setup ran";
    EXPECT_FALSE(run.TimedOut) << run.Output;
    fs::remove_all(LinuxPath("C:\\WbPlanted"));
}

}  // namespace
}  // namespace e2e
