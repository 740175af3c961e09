// The uninstaller's command line and the temporary copy that deletes the uninstaller's own
// file once it has ended, over real host files and the process, launch and shell fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "uninstaller/removal.h"
#include "uninstaller/uninstall_window.h"
#include "uninstaller/uninstaller_run.h"
#include "unit/test_support.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

using Words = std::vector<std::string>;

TEST(UninstallerCommandLineTest, WordsAfterTheProgramNameWithQuotesGrouping) {
    EXPECT_EQ(CommandWords("\"C:\\Program Files\\T\\uninstall.exe\" /Q"), Words{"/Q"});
    EXPECT_EQ(CommandWords("uninstall.exe"), Words{});
    EXPECT_EQ(CommandWords("  u.exe\t/R  77 \"C:\\a b\\u.exe\" \"C:\\a b\"  "),
              (Words{"/R", "77", "C:\\a b\\u.exe", "C:\\a b"}));
    EXPECT_EQ(CommandWords("u.exe a\"b c\"d"), Words{"ab cd"}) << "quotes inside a word";
    EXPECT_EQ(CommandWords("u.exe \"\""), Words{""}) << "an empty quoted word is a word";
    EXPECT_TRUE(IsSwitch("/q", 'Q'));
    EXPECT_TRUE(IsSwitch("-R", 'R'));
    EXPECT_FALSE(IsSwitch("/QQ", 'Q'));
    EXPECT_FALSE(IsSwitch("Q", 'Q'));
    EXPECT_EQ(FolderOf("C:\\T\\uninstall.exe"), "C:\\T\\");
    EXPECT_EQ(FolderOf("uninstall.exe"), "");
}

class TemporaryCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        root_ = FreshTestDir("wb_uncopy_").string() + "/";
        temp_ = root_ + "temp/";
        prog_ = root_ + "prog/";
        fs::create_directories(temp_);
        fs::create_directories(prog_);
        fake::ShellSetTempFolder(temp_);
        fake::ShellSetSystemFolder("C:\\WINDOWS\\system32");
        fake::SystemSetElevation(0);  // an ordinary user's removal, unless a test says so
        std::ofstream(prog_ + "uninstall.exe", std::ios::binary) << "MZ self";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
        fake::ResetAll();
    }
    std::string root_, temp_, prog_;
};

TEST_F(TemporaryCopyTest, CopyStartsFromTheTemporaryFolderWithItsJob) {
    FinishFromTemporaryCopy(prog_ + "uninstall.exe", prog_);
    const std::string copy = temp_ + "wbuninst-4242.exe";
    EXPECT_TRUE(fs::exists(copy));
    ASSERT_EQ(fake::LaunchCalls().size(), 1u);
    const std::string bare = prog_.substr(0, prog_.size() - 1);
    EXPECT_EQ(fake::LaunchCalls()[0].CommandLine,
              "\"" + copy + "\" /R 4242 \"" + prog_ + "uninstall.exe\" \"" + bare + "\"")
        << "the folder without its trailing separator, which would escape the quote";
    EXPECT_EQ(fake::LaunchCalls()[0].WorkDir, temp_);
    EXPECT_EQ(CommandWords(fake::LaunchCalls()[0].CommandLine),
              (Words{"/R", "4242", prog_ + "uninstall.exe", bare}))
        << "the copy reads back what it was given";
}

TEST_F(TemporaryCopyTest, ASystemFolderIsNeverHandedToTheCopy) {
    fake::ShellSetFolder(0x26, prog_);  // the program files folder
    FinishFromTemporaryCopy(prog_ + "uninstall.exe", prog_);
    ASSERT_EQ(fake::LaunchCalls().size(), 1u);
    EXPECT_EQ(CommandWords(fake::LaunchCalls()[0].CommandLine).size(), 3u);
}

// Elevated, the copy would run with administrator rights from a folder the user can write:
// it goes into a new folder of the system's temporary folder that only administrators can
// write, never into one that was there before (anyone may have made that).
TEST_F(TemporaryCopyTest, AnElevatedCopyStartsFromAFolderOnlyAdministratorsWrite) {
    const std::string windows = root_ + "windows";
    fs::create_directories(windows + "/Temp");
    fake::ShellSetWindowsFolder(windows);
    fake::SystemSetElevation(1);
    fs::create_directories(windows + "/Temp/wbuninst-4242-1");  // planted beforehand
    FinishFromTemporaryCopy(prog_ + "uninstall.exe", prog_);

    const std::string folder = windows + "/Temp\\wbuninst-4242-2";
    EXPECT_EQ(fake::ScopeAdminFoldersMade(), std::vector<std::string>{folder})
        << "the planted folder is not taken";
    ASSERT_EQ(fake::LaunchCalls().size(), 1u);
    const std::string copy = folder + "\\wbuninst-4242.exe";
    EXPECT_EQ(fake::LaunchCalls()[0].CommandLine.rfind("\"" + copy + "\" /R 4242 ", 0), 0u)
        << fake::LaunchCalls()[0].CommandLine;
    EXPECT_TRUE(fs::exists(root_ + "windows/Temp/wbuninst-4242-2/wbuninst-4242.exe"));
    EXPECT_EQ(fake::LaunchCalls()[0].WorkDir, folder + "\\");
    EXPECT_FALSE(fs::exists(temp_ + "wbuninst-4242.exe")) << "nothing in the user's folder";

    // An ordinary user's removal keeps the user's temporary folder.
    EXPECT_EQ(TemporaryCopyFolder(false, 7), temp_);
    // Without a folder to make, no copy is started at all.
    fake::ShellSetWindowsFolder("");
    EXPECT_EQ(TemporaryCopyFolder(true, 7), "");
}

TEST_F(TemporaryCopyTest, TheElevatedCopysFolderGoesWithItAtTheNextStart) {
    const std::string self = prog_ + "uninstall.exe";
    const std::string folder = root_ + "wbuninst-77-1";
    fs::create_directories(folder);
    fake::ProcessSetModulePath(folder + "/wbuninst-77.exe");
    EXPECT_EQ(FinishRemoval({"/R", "77", self}), unsigned(kExitRemoved));
    EXPECT_EQ(fake::ProcessDeletesAtRestart(),
              (std::vector<std::string>{folder + "/wbuninst-77.exe", folder}));
    // A copy in the user's temporary folder leaves that folder alone.
    fake::ProcessSetModulePath(temp_ + "wbuninst-78.exe");
    std::ofstream(self, std::ios::binary) << "MZ self";
    EXPECT_EQ(FinishRemoval({"/R", "78", self}), unsigned(kExitRemoved));
    EXPECT_EQ(fake::ProcessDeletesAtRestart().size(), 3u);
}

TEST_F(TemporaryCopyTest, ACopyThatCannotStartIsRemovedAgain) {
    fake::LaunchFailProcess(true);
    FinishFromTemporaryCopy(prog_ + "uninstall.exe", prog_);
    EXPECT_FALSE(fs::exists(temp_ + "wbuninst-4242.exe"));
}

TEST_F(TemporaryCopyTest, TheCopysJobDeletesTheFileAndItsEmptyFolder) {
    const std::string self = prog_ + "uninstall.exe";
    EXPECT_EQ(FinishRemoval({"/R", "77", self, prog_}), unsigned(kExitRemoved));
    EXPECT_FALSE(fs::exists(self));
    EXPECT_FALSE(fs::exists(prog_));
    EXPECT_EQ(fake::ProcessWaits(), std::vector<uint32_t>{77});
    EXPECT_EQ(fake::ProcessDeletesAtRestart().size(), 1u) << "the copy's own file";
}

TEST_F(TemporaryCopyTest, TheCopysJobRefusesWhatItWasNotMadeFor) {
    std::ofstream(prog_ + "notes.txt") << "user file";
    const std::string self = prog_ + "uninstall.exe";
    EXPECT_EQ(FinishRemoval({"/R", "77"}), unsigned(kExitIncomplete));
    EXPECT_EQ(FinishRemoval({"/R", "77", "uninstall.exe"}), unsigned(kExitIncomplete))
        << "a relative path";
    EXPECT_EQ(FinishRemoval({"/R", "77", prog_ + "notes.txt"}), unsigned(kExitIncomplete))
        << "not a program";
    EXPECT_TRUE(fs::exists(prog_ + "notes.txt"));
    // Another folder than the file's own is never removed, even when empty.
    fs::create_directories(root_ + "other");
    EXPECT_EQ(FinishRemoval({"/R", "77", self, root_ + "other"}), unsigned(kExitRemoved));
    EXPECT_TRUE(fs::exists(root_ + "other"));
    // A folder that still holds something stays.
    EXPECT_EQ(FinishRemoval({"/R", "77", self, prog_}), unsigned(kExitRemoved));
    EXPECT_TRUE(fs::exists(prog_ + "notes.txt"));
    EXPECT_TRUE(fs::exists(prog_));
}

}  // namespace
}  // namespace wb
