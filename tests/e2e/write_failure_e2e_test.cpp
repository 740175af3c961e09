// A quiet run that cannot write one of the program's files: exit code 3, and the files it
// had already staged taken back, so the folder is as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

TEST(WriteFailureE2E, AFileThatCannotBeCreatedEndsTheQuietRunWithCode3AndWritesNothing) {
    const char* ini =
        "[Info]\r\nTitel = Blocked\r\nGUID = {5A1E2C3D-0000-4000-8000-00000000B10C}\r\n"
        "[Task]\r\nNoUninstall = 1\r\n";
    std::string project = MakeProject("blocked", {{"setup.ini", ini},
                                                  {"program/Tool.txt", "tool"},
                                                  {"program/Data/table.txt", "table"}});
    std::string setup = ScratchDir("blocked-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);

    // A file where the folder Data must go: nothing can be created below it.
    std::string install = LinuxPath("C:\\Blocked Tool");
    std::filesystem::remove_all(install);
    WriteFile(install + "/Data", "in the way");

    RunResult r = RunWine(setup, {"/Q", "/P:C:\\Blocked Tool"});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 3) << r.Output;
    EXPECT_FALSE(std::filesystem::exists(install + "/Tool.txt")) << "rolled back";
    EXPECT_EQ(ReadFile(install + "/Data"), "in the way");
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(install)) entries += e.exists();
    EXPECT_EQ(entries, 1u) << "no staging folder is left";

    // With the way clear the same setup installs everything and ends with 0.
    std::filesystem::remove(install + "/Data");
    RunResult again = RunWine(setup, {"/Q", "/P:C:\\Blocked Tool"});
    EXPECT_EQ(again.ExitCode, 0) << again.Output;
    EXPECT_EQ(ReadFile(install + "/Data/table.txt"), "table");
    std::filesystem::remove_all(install);
}

}  // namespace
}  // namespace e2e
