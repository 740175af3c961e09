// The program runner over the launch fake: command lines, run flags, the shell fallback,
// the record list and the by-name process test.
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "install/program_runner.h"

namespace wb {
namespace {

class ProgramRunnerTest : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetAll(); }
    void TearDown() override { fake::ResetAll(); }
};

TEST_F(ProgramRunnerTest, CommandLineQuotesThePathOnceAndAddsParametersOnlyWhenGiven) {
    EXPECT_EQ(ProgramCommandLine("C:\\Program Files\\Tool\\a b.exe", ""),
              "\"C:\\Program Files\\Tool\\a b.exe\"");
    EXPECT_EQ(ProgramCommandLine("\"C:\\x y.exe\" /a", ""), "\"C:\\x y.exe\" /a");
    EXPECT_EQ(ProgramCommandLine("regsvr32.exe", "/S C:\\lib.dll"),
              "\"regsvr32.exe\" /S C:\\lib.dll");
    EXPECT_EQ(ProgramCommandLine("\"q.exe\"", "-v"), "\"q.exe\" -v");

    ASSERT_EQ(RunProgram("C:\\Some Dir\\t.exe", "", "C:\\Some Dir\\", 0), kProgramStarted);
    ASSERT_EQ(fake::LaunchCalls().size(), 1u);
    EXPECT_EQ(fake::LaunchCalls()[0].CommandLine, "\"C:\\Some Dir\\t.exe\"");
    EXPECT_EQ(fake::LaunchCalls()[0].WorkDir, "C:\\Some Dir\\");
}

TEST_F(ProgramRunnerTest, FlagsDecideWaitingAndTheRecord) {
    // 0: started, handle released at once, not waited for, no record.
    EXPECT_EQ(RunProgram("a.exe", "", "", 0), kProgramStarted);
    EXPECT_EQ(fake::LaunchWaitCount(), 0);
    EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
    EXPECT_EQ(IsKnownProgram(kProgramStarted), nullptr);

    // 4: a record of a process that still runs.
    ProgramRecord* kept = RunProgram("b.exe", "", "", kRunKeepRecord);
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(kept, kProgramStarted);
    EXPECT_EQ(fake::LaunchWaitCount(), 0);
    EXPECT_EQ(IsKnownProgram(kept), kept);
    EXPECT_EQ(IsProgramRunning(kept), 1);
    EXPECT_EQ(ProgramExitCode(kept), 259u);

    // 5: returns after the end, with the exit code in the record.
    fake::LaunchSetExitCode("c.exe", 7);
    ProgramRecord* waited = RunProgram("c.exe", "", "", kRunWait | kRunKeepRecord);
    ASSERT_NE(waited, nullptr);
    EXPECT_EQ(fake::LaunchWaitCount(), 1);
    EXPECT_EQ(IsProgramRunning(waited), 0);
    EXPECT_EQ(ProgramExitCode(waited), 7u);

    CloseProgram(kept);
    CloseProgram(waited);
    EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
}

TEST_F(ProgramRunnerTest, ADocumentFallsBackToTheShellInItsOwnFolder) {
    fake::LaunchFailProcess(true);
    ProgramRecord* doc = RunProgram("C:\\Docs\\read me.txt", "", "", kRunKeepRecord);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(fake::LaunchCalls().size(), 2u);
    const fake::LaunchCall& shell = fake::LaunchCalls()[1];
    EXPECT_TRUE(shell.Shell);
    EXPECT_EQ(shell.File, "C:\\Docs\\read me.txt");  // the shell gets the path unquoted
    EXPECT_EQ(shell.WorkDir, "C:\\Docs\\");
    EXPECT_EQ(IsKnownProgram(doc), doc);
    CloseProgram(doc);

    EXPECT_EQ(ShellOpenFolder("C:\\Docs\\a.txt", "D:\\Work\\"), "D:\\Work\\");
    EXPECT_EQ(ShellOpenFolder("a.txt", ""), "");
    EXPECT_EQ(ShellOpenFolder("\\a.txt", ""), "");  // a backslash only in first place
    EXPECT_EQ(ShellOpenFolder("x\\a.txt", ""), "x\\");

    fake::LaunchFailShell(true);
    EXPECT_EQ(RunProgram("C:\\Docs\\gone.xyz", "-p", "", 5), nullptr);
    EXPECT_EQ(fake::LaunchCalls().back().Parameters, "-p");
    EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
}

TEST_F(ProgramRunnerTest, AShellStartWithoutAProcessCountsAsEnded) {
    fake::LaunchFailProcess(true);
    fake::LaunchShellGivesNoProcess(true);
    ProgramRecord* r = RunProgram("C:\\page.html", "", "", kRunWait | kRunKeepRecord);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(IsProgramRunning(r), 0);
    EXPECT_EQ(ProgramExitCode(r), 0u);
    KillProgram(r);
    EXPECT_TRUE(fake::LaunchTerminations().empty());
    CloseProgram(r);
}

TEST_F(ProgramRunnerTest, RecordsLeaveTheListOnlyThroughCloseProgram) {
    ProgramRecord* a = RunProgram("a.exe", "", "", kRunKeepRecord);
    ProgramRecord* b = RunProgram("b.exe", "", "", kRunKeepRecord);
    KillProgram(a);
    ASSERT_EQ(fake::LaunchTerminations().size(), 1u);
    EXPECT_EQ(fake::LaunchTerminations()[0], 0xFFFFFFFFu);
    EXPECT_EQ(IsProgramRunning(a), 0);
    EXPECT_EQ(IsKnownProgram(a), a) << "a killed program keeps its record";

    CloseProgram(a);
    EXPECT_EQ(IsKnownProgram(a), nullptr);
    EXPECT_EQ(IsKnownProgram(b), b);
    // Closing again, or closing what was never a record, changes nothing.
    CloseProgram(a);
    CloseProgram(nullptr);
    CloseProgram(kProgramStarted);
    EXPECT_EQ(fake::LaunchDoubleReleaseCount(), 0);
    int local = 0;
    EXPECT_EQ(IsKnownProgram(&local), nullptr);
    EXPECT_EQ(IsKnownProgram(nullptr), nullptr);
    EXPECT_EQ(IsProgramRunning(nullptr), 0);
    EXPECT_EQ(ProgramExitCode(nullptr), 0u);
    KillProgram(nullptr);
    EXPECT_EQ(fake::LaunchTerminations().size(), 1u);
    CloseProgram(b);
    EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
}

TEST_F(ProgramRunnerTest, ProcessNamesCompareByFileNameWithTheInstallersUpperCase) {
    fake::LaunchSetProcessNames({"explorer.exe", "C:\\Apps\\APP.EXE", "wine/TOOL.exe"});
    EXPECT_EQ(IsProcessRunning("app.exe"), 1);   // ASCII letters ignore case
    EXPECT_EQ(IsProcessRunning("App.Exe"), 1);
    EXPECT_EQ(IsProcessRunning("tool.exe"), 1);  // the process side loses its folder
    EXPECT_EQ(IsProcessRunning("bin\\app.exe"), 1);  // and so does the name asked for
    EXPECT_EQ(IsProcessRunning("app"), 0);
    EXPECT_EQ(IsProcessRunning("pp.exe"), 0);
    EXPECT_EQ(IsProcessRunning(""), 0);

    // 0xE0-0xFF fold onto 0xC0-0xDF; other bytes stay as they are.
    fake::LaunchSetProcessNames({"\xE9t\xE9.exe", "\xB5nit.exe", "\xFF.exe"});
    EXPECT_EQ(IsProcessRunning("\xC9T\xC9.EXE"), 1);
    EXPECT_EQ(IsProcessRunning("\xB5NIT.EXE"), 1);
    EXPECT_EQ(IsProcessRunning("\x95nit.exe"), 0);  // 0xB5 is not folded to 0x95
    EXPECT_EQ(IsProcessRunning("\xDF.exe"), 1);

    fake::LaunchSetProcessNames({"app.exe"}, false);
    EXPECT_EQ(IsProcessRunning("app.exe"), 0) << "no process list means not running";
}

}  // namespace
}  // namespace wb
