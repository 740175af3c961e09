// The Hook programs and the finish over the launch fake and the host's files: which hook
// runs in which hook mode, what its exit code does, and every way a run ends.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <filesystem>
#include <fstream>

#include "fakes/fakes.h"
#include "install/program_runner.h"
#include "platform/posix/host_window.h"
#include "startup/finish.h"
#include "state/setup_state.h"
#include "startup/startup.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

class FinishTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        HostWindowReset();
        wb::Setup = SetupState{};
        root_ = FreshTestDir("wb-finish-");
        temp_ = root_ / "{GUID}";
        fs::create_directories(temp_);
        wb::Setup.TempDir = temp_.string() + "\\";
        wb::Setup.HookMode = 1;
        std::ofstream(temp_ / "setup.ini") << "[Info]\r\n";
    }
    void TearDown() override {
        fs::remove_all(root_);
        fake::ResetAll();
    }

    void AddHook(const char* name) { std::ofstream(temp_ / name) << "MZ"; }

    // The hooks that were started, by file name, in order.
    std::vector<std::string> Started() const {
        std::vector<std::string> names;
        for (const fake::LaunchCall& c : fake::LaunchCalls()) {
            for (const char* hook : {"BeforeWB.exe", "WhileWB.exe", "AfterWB.exe"}) {
                if (c.CommandLine.find(hook) != std::string::npos) names.push_back(hook);
            }
        }
        return names;
    }

    fs::path root_, temp_;
};

TEST_F(FinishTest, BeforeHookExitCodeOneAloneStopsTheRun) {
    AddHook("BeforeWB.exe");
    for (uint32_t code : {0u, 2u, 259u, 0xFFFFFFFFu, 1u}) {
        SCOPED_TRACE(code);
        fake::LaunchReset();
        fake::LaunchSetExitCode("BeforeWB", code);
        EXPECT_EQ(RunBeforeHook(), code == 1 ? 1 : 0);
        ASSERT_EQ(fake::LaunchCalls().size(), 1u);
        EXPECT_EQ(fake::LaunchCalls()[0].CommandLine, "\"" + wb::Setup.TempDir + "BeforeWB.exe\"");
        EXPECT_EQ(fake::LaunchCalls()[0].WorkDir, wb::Setup.TempDir);
        EXPECT_EQ(fake::LaunchWaitCount(), 1);
        EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
        EXPECT_EQ(IsKnownProgram(wb::Setup.BeforeHook), nullptr);
    }
    EXPECT_TRUE(fs::exists(temp_ / "setup.ini")) << "the hook leaves the folder alone";
}

TEST_F(FinishTest, BeforeHookRunsOnlyInHookModesOneAndTwo) {
    AddHook("BeforeWB.exe");
    fake::LaunchSetExitCode("BeforeWB", 1);
    for (int mode : {0, 1, 2, 3, 4, 255}) {
        SCOPED_TRACE(mode);
        fake::LaunchReset();
        fake::LaunchSetExitCode("BeforeWB", 1);
        wb::Setup.HookMode = uint8_t(mode);
        bool runs = mode == 1 || mode == 2;
        EXPECT_EQ(RunBeforeHook(), runs ? 1 : 0);
        EXPECT_EQ(fake::LaunchCalls().size(), runs ? 1u : 0u);
    }
}

TEST_F(FinishTest, MissingOrUnstartableBeforeHookLetsTheRunGoOn) {
    EXPECT_EQ(RunBeforeHook(), 0);
    EXPECT_TRUE(fake::LaunchCalls().empty());

    fs::create_directories(temp_ / "BeforeWB.exe");  // a folder of that name is no program
    EXPECT_EQ(RunBeforeHook(), 0);
    EXPECT_TRUE(fake::LaunchCalls().empty());
    fs::remove(temp_ / "BeforeWB.exe");

    AddHook("BeforeWB.exe");
    fake::LaunchFailProcess(true);
    fake::LaunchFailShell(true);
    EXPECT_EQ(RunBeforeHook(), 0);
    EXPECT_EQ(fake::LaunchCalls().size(), 2u);
}

TEST_F(FinishTest, WhileHookRunsInEveryHookModeAndIsStoppedOnlyWhileItRuns) {
    wb::Setup.HookMode = 0;
    StartWhileHook();
    EXPECT_EQ(wb::Setup.WhileHook, nullptr);
    StopWhileHook();  // nothing started: nothing to stop
    EXPECT_TRUE(fake::LaunchTerminations().empty());

    AddHook("WhileWB.exe");
    StartWhileHook();
    ASSERT_NE(wb::Setup.WhileHook, nullptr);
    EXPECT_EQ(fake::LaunchWaitCount(), 0) << "the wizard does not wait for it";
    EXPECT_EQ(IsProgramRunning(wb::Setup.WhileHook), 1);
    ProgramRecord* record = wb::Setup.WhileHook;
    StopWhileHook();
    EXPECT_EQ(fake::LaunchTerminations(), std::vector<uint32_t>{0xFFFFFFFFu});
    EXPECT_EQ(IsKnownProgram(record), nullptr);
    EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
    EXPECT_EQ(fake::LaunchPausedMilliseconds(), 500u);

    // One that ended by itself is left alone.
    fake::LaunchReset();
    StartWhileHook();
    fake::LaunchEndAll();
    StopWhileHook();
    EXPECT_TRUE(fake::LaunchTerminations().empty());
    EXPECT_EQ(fake::LaunchPausedMilliseconds(), 0u);
    CloseProgram(wb::Setup.WhileHook);
}

TEST_F(FinishTest, RemoveTempDirDeletesTheFilesAndKeepsAFolderThatHoldsASubFolder) {
    std::ofstream(temp_ / "b.txt") << "b";
    RemoveTempDir();
    EXPECT_FALSE(fs::exists(temp_));

    fs::create_directories(temp_ / "lang");
    std::ofstream(temp_ / "a.txt") << "a";
    std::ofstream(temp_ / "lang" / "x.lng") << "x";
    RemoveTempDir();
    EXPECT_FALSE(fs::exists(temp_ / "a.txt"));
    EXPECT_TRUE(fs::exists(temp_ / "lang" / "x.lng")) << "sub-folders are not entered";

    wb::Setup.TempDir.clear();
    std::ofstream(root_ / "keep.txt") << "k";
    RemoveTempDir();
    EXPECT_TRUE(fs::exists(root_ / "keep.txt"));
}

TEST_F(FinishTest, QuietFinishRunsAfterHookByHookModeBeforeTheFolderGoes) {
    for (int mode : {0, 1, 2, 3, 7}) {
        SCOPED_TRACE(mode);
        fake::LaunchReset();
        fs::create_directories(temp_);
        AddHook("AfterWB.exe");
        wb::Setup.HookMode = uint8_t(mode);
        EXPECT_EQ(FinishQuietRun(kExitOk), kExitOk);
        bool runs = mode == 1 || mode == 3;
        ASSERT_EQ(Started(), runs ? std::vector<std::string>{"AfterWB.exe"}
                                  : std::vector<std::string>{});
        if (runs) {
            EXPECT_TRUE(fake::LaunchCalls()[0].WorkDirExisted);
            EXPECT_EQ(fake::LaunchWaitCount(), 1);
        }
        EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
        EXPECT_FALSE(fs::exists(temp_));
    }
}

TEST_F(FinishTest, QuietExitCodes) {
    struct Case {
        unsigned install;
        uint8_t reboot;
        unsigned expected;
    };
    const Case cases[] = {
        {kExitOk, 0, kExitOk},
        {kExitOk, 1, kExitRestartRequired},
        {kExitDamaged, 0, kExitDamaged},
        {kExitDamaged, 1, kExitDamaged},  // an install code wins over the restart
        {kExitWriteFailed, 1, kExitWriteFailed},
        {kExitWriteFailed, 0, kExitWriteFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.install << "/" << int(c.reboot));
        fs::create_directories(temp_);
        wb::Setup.Reboot = c.reboot;
        EXPECT_EQ(FinishQuietRun(c.install), c.expected);
        EXPECT_EQ(fake::RebootPromptCount(), 0) << "a quiet run never asks";
        EXPECT_TRUE(HostMessageBoxes().empty());
        EXPECT_FALSE(fs::exists(temp_));
    }
    EXPECT_EQ(kExitRestartRequired, 3010u);
}

TEST_F(FinishTest, QuietFinishNeverStartsTheProgram) {
    fs::create_directories(root_ / "app");
    std::ofstream(root_ / "app" / "Tool.exe") << "MZ";
    wb::Setup.InstallDir = (root_ / "app").string() + "\\";
    wb::Setup.ProgExe = "Tool.exe";
    wb::Setup.StartProg = 1;
    FinishQuietRun(kExitOk);
    EXPECT_TRUE(fake::LaunchCalls().empty());
}

class WizardFinishTest : public FinishTest {
protected:
    void SetUp() override {
        FinishTest::SetUp();
        fs::create_directories(root_ / "app");
        std::ofstream(root_ / "app" / "Tool.exe") << "MZ";
        wb::Setup.InstallDir = (root_ / "app").string() + "\\";
        wb::Setup.ProgExe = "Tool.exe";
        wb::Setup.ProgParameter = "/never";
        AddHook("AfterWB.exe");
    }
    std::string ToolLine() const { return "\"" + wb::Setup.InstallDir + "Tool.exe\""; }
};

TEST_F(WizardFinishTest, ExitRunsAfterHookRemovesTheFolderAndStartsTheProgram) {
    wb::Setup.StartProg = 1;
    FinishWizardRun();
    ASSERT_EQ(fake::LaunchCalls().size(), 2u);
    EXPECT_EQ(Started(), std::vector<std::string>{"AfterWB.exe"});
    EXPECT_TRUE(fake::LaunchCalls()[0].WorkDirExisted);
    // The program: no parameters, the installation folder as its folder, not waited for.
    EXPECT_EQ(fake::LaunchCalls()[1].CommandLine, ToolLine());
    EXPECT_EQ(fake::LaunchCalls()[1].WorkDir, wb::Setup.InstallDir);
    EXPECT_EQ(fake::LaunchWaitCount(), 1);
    EXPECT_EQ(fake::LaunchUnreleasedCount(), 0);
    EXPECT_FALSE(fs::exists(temp_));
    EXPECT_EQ(fake::RebootPromptCount(), 0);
}

TEST_F(WizardFinishTest, CancelSkipsAfterHookButStillRemovesTheFolder) {
    wb::Setup.Cancelled = 1;
    FinishWizardRun();
    EXPECT_TRUE(fake::LaunchCalls().empty());
    EXPECT_FALSE(fs::exists(temp_));
    EXPECT_EQ(fake::RebootPromptCount(), 0);
}

TEST_F(WizardFinishTest, RebootAsksForTheRestartAndDoesNotStartTheProgram) {
    wb::Setup.Reboot = 1;
    wb::Setup.StartProg = 1;
    FinishWizardRun();
    EXPECT_EQ(fake::RebootPromptCount(), 1);
    EXPECT_EQ(Started(), std::vector<std::string>{"AfterWB.exe"});
    EXPECT_EQ(fake::LaunchCalls().size(), 1u);
    EXPECT_FALSE(fs::exists(temp_));
}

TEST_F(WizardFinishTest, AfterHookFollowsTheHookMode) {
    for (int mode : {0, 2, 5}) {
        SCOPED_TRACE(mode);
        fake::LaunchReset();
        fs::create_directories(temp_);
        AddHook("AfterWB.exe");
        wb::Setup.HookMode = uint8_t(mode);
        FinishWizardRun();
        EXPECT_TRUE(fake::LaunchCalls().empty());
    }
    fs::create_directories(temp_);
    AddHook("AfterWB.exe");
    wb::Setup.HookMode = 3;
    FinishWizardRun();
    EXPECT_EQ(Started(), std::vector<std::string>{"AfterWB.exe"});
}

TEST_F(WizardFinishTest, AMissingProgramOrAnEmptyProgExeStartsNothing) {
    wb::Setup.StartProg = 1;
    wb::Setup.HookMode = 0;
    fs::remove(root_ / "app" / "Tool.exe");
    FinishWizardRun();
    EXPECT_TRUE(fake::LaunchCalls().empty());

    fs::create_directories(temp_);
    wb::Setup.ProgExe.clear();  // would name the folder itself, which the shell would open
    FinishWizardRun();
    EXPECT_TRUE(fake::LaunchCalls().empty());

    wb::Setup.ProgExe = "Tool.exe";
    std::ofstream(root_ / "app" / "Tool.exe") << "MZ";
    wb::Setup.StartProg = 0;
    FinishWizardRun();
    EXPECT_TRUE(fake::LaunchCalls().empty());
}

}  // namespace
}  // namespace wb
