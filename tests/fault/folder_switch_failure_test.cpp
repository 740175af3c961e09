// A /P folder named in characters the ANSI code page lacks, over the in-memory files: it is
// made under its real name and used, or, where no ANSI path reaches it (short names off on
// its volume) or it cannot be made, nothing of it is left.
#include <gtest/gtest.h>

#include <string>

#include "fakes/fakes.h"
#include "platform/files.h"
#include "startup/folder_switch.h"
#include "state/setup_state.h"

namespace wb {
namespace {

const char* const kReal = "C:\\Apps\\\xE7\x8E\x8B\\Tool";  // U+738B in UTF-8

class FolderSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        wb::Setup = SetupState{};
        wb::Setup.CmdProgDir = "C:\\Apps\\?\\Tool";
        fake::ProcessSetCommandLine("setup.exe /Q /P:C:\\Apps\\?\\Tool");
        fake::ProcessSetCommandLineUtf8(std::string("setup.exe /Q /P:") + kReal);
    }
    void TearDown() override { fake::ResetAll(); }
};

TEST_F(FolderSwitchTest, MadeUnderItsRealNameAndRemovedAgainWhenLeftEmpty) {
    ASSERT_TRUE(ReachFolderSwitches());
    EXPECT_EQ(wb::Setup.CmdProgDir, kReal);
    EXPECT_TRUE(FolderExists(kReal));
    EXPECT_TRUE(FolderSwitchProblem().empty());
    RemoveEmptySwitchFolders();
    EXPECT_FALSE(FolderExists("C:\\Apps")) << "every folder it made goes, innermost first";
}

TEST_F(FolderSwitchTest, AFolderTheInstallationFilledStays) {
    fake::FilesMakeFolder("C:\\Apps");
    ASSERT_TRUE(ReachFolderSwitches());
    fake::FilesPut(std::string(kReal) + "\\Tool.exe", "MZ");
    RemoveEmptySwitchFolders();
    EXPECT_TRUE(FolderExists(kReal));
}

TEST_F(FolderSwitchTest, WithoutShortNamesOrWhenItCannotBeMadeNothingIsLeft) {
    // A drive without short names: the folders are made, found unreachable, removed.
    fake::FilesSetNoShortNames(true);
    EXPECT_FALSE(ReachFolderSwitches());
    EXPECT_FALSE(FolderExists("C:\\Apps"));
    EXPECT_NE(FolderSwitchProblem().find("no short name"), std::string::npos);
    EXPECT_EQ(wb::Setup.CmdProgDir, "C:\\Apps\\?\\Tool") << "never used";

    // A file where a folder must go: what was made before it goes again, what was there
    // stays.
    fake::FilesSetNoShortNames(false);
    fake::FilesMakeFolder("C:\\Apps");
    fake::FilesPut("C:\\Apps\\\xE7\x8E\x8B", "in the way");
    EXPECT_FALSE(ReachFolderSwitches());
    EXPECT_TRUE(FolderExists("C:\\Apps"));
    std::string bytes;
    EXPECT_TRUE(fake::FilesGet("C:\\Apps\\\xE7\x8E\x8B", bytes));
    EXPECT_EQ(bytes, "in the way");
}

TEST_F(FolderSwitchTest, AnOrdinaryFolderIsLeftToTheInstallation) {
    wb::Setup.CmdProgDir = "C:\\Apps\\Tool";
    EXPECT_TRUE(ReachFolderSwitches());
    EXPECT_EQ(wb::Setup.CmdProgDir, "C:\\Apps\\Tool");
    EXPECT_FALSE(FolderExists("C:\\Apps")) << "made only by the installation itself";
}

}  // namespace
}  // namespace wb
