// Honest in the small things, with real setups: a setup script that does not run says so
// in the install log, and a merged Uninstall log at the uninstaller's limit still removes
// the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/e2e_util.h"
#include "contract/contract.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

constexpr const char* kLimitGuid = "{5A1E2C3D-0000-4000-8000-00000000A0FF}";

std::string LimitSetup(const std::string& version, const std::string& tasks,
                       const std::map<std::string, std::string>& extra = {}) {
    const std::string ini = "[Info]\r\nTitel = Limit Tool\r\nVersion = " + version +
                            "\r\nGUID = " + kLimitGuid +
                            "\r\n[Settings]\r\nProgExe = Tool.exe\r\nDefaultDir = C:\\Limit Tool\r\n"
                            "[StartMenue]\r\nProgLink = Limit Tool\r\n" + tasks;
    std::map<std::string, std::string> files = {{"setup.ini", ini},
                                                {"program/Tool.exe", "MZ " + version}};
    files.insert(extra.begin(), extra.end());
    const std::string project = MakeProject("limit-" + version, files);
    const std::string setup = ScratchDir("limit-" + version + "-out") + "/setup.exe";
    return BuildSetup(project, setup, StubPath()) == 0 ? setup : std::string();
}

TEST(HonestE2E, AScriptThatIsNotRunSaysWhyInTheLog) {
    // Larger than any setup script the installer runs.
    const std::string big = "var x = 1;\r\n" + std::string(16 * 1024 * 1024, ' ');
    const std::string setup =
        LimitSetup("0.9", "[Task]\r\nScriptFile = setup.js\r\n", {{"setup.js", big}});
    ASSERT_FALSE(setup.empty());
    const std::string logs = LinuxPath("C:\\Limit Logs");
    fs::remove_all(logs);
    const RunResult r = RunWine(setup, {"/Q", "/L:C:\\Limit Logs\\setup.log"}, 180);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    const std::string log = ReadFile(logs + "/setup.log");
    EXPECT_NE(log.find("Setup script setup.js NOT RUN: the file is larger than 16777216 bytes"),
              std::string::npos) << log;
    EXPECT_EQ(log.find("ran without error"), std::string::npos) << log;
    RunWine(LinuxPath("C:\\Limit Tool\\uninstall.exe"), {"/Q"}, 120);
    EXPECT_TRUE(GoneWithin(LinuxPath("C:\\Limit Tool"), 30));
    fs::remove_all(logs);
}

TEST(HonestE2E, AMergedLogAtTheUninstallersLimitStillRemovesTheProgram) {
    const std::string v1 = LimitSetup("1.0", "");
    const std::string v2 = LimitSetup(
        "2.0", "[UserTask]\r\nNumber = 2\r\n"
               "Task1 = 6|2147483649|Software\\Limit Tool|A|%InstallDir%\r\n"
               "Task2 = 6|2147483649|Software\\Limit Tool|B|%InstallDir%\r\n");
    ASSERT_FALSE(v1.empty());
    ASSERT_FALSE(v2.empty());
    const std::string install = LinuxPath("C:\\Limit Tool");
    fs::remove_all(install);
    ASSERT_EQ(RunWine(v1, {"/Q"}, 180).ExitCode, 0);

    // Version 1.0's log as many upgrades would have grown it: records up to the limit.
    std::string dat = ReadFile(install + "/uninstall.dat");
    dat = dat.substr(0, dat.find("[UserTask]"));
    dat += "[UserTask]\r\nNumber = " + std::to_string(wb::kMostTasks) + "\r\n";
    for (int32_t i = 1; i <= wb::kMostTasks; ++i) {
        dat += "Task" + std::to_string(i) + " = 5|C:\\Limit Tool\\old-" + std::to_string(i) +
               ".txt\r\n";
    }
    WriteFile(install + "/uninstall.dat", dat);
    WriteFile(install + "/old-1.txt", "made by 1.0");

    const std::string logs = LinuxPath("C:\\Limit Logs");
    fs::remove_all(logs);
    const RunResult up = RunWine(v2, {"/Q", "/L:C:\\Limit Logs\\setup.log"}, 180);
    ASSERT_FALSE(up.TimedOut);
    EXPECT_EQ(up.ExitCode, 0) << up.Output;
    const std::string merged = ReadFile(install + "/uninstall.dat");
    EXPECT_NE(merged.find("Number = " + std::to_string(wb::kMostTasks) + "\r\n"),
              std::string::npos);
    // This version's two records took the room of the two newest earlier ones, and the log
    // says what stays.
    const std::string log = ReadFile(logs + "/setup.log");
    EXPECT_NE(log.find("The Uninstall log is full: the record 5|C:\\Limit Tool\\old-32767.txt"),
              std::string::npos) << log.substr(0, 3000);

    const RunResult u = RunWine(install + "/uninstall.exe", {"/Q"}, 180);
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_TRUE(GoneWithin(install, 60)) << "the whole log was read and everything removed";
    bool found = true;
    RegRead("HKCU\\Software\\Limit Tool", "A", &found);
    EXPECT_FALSE(found);
    fs::remove_all(logs);
}

}  // namespace
}  // namespace e2e
