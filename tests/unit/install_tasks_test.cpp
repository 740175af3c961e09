// Parsing Install task values and resolving their paths.
#include <gtest/gtest.h>

#include <fstream>

#include "config/registry_text.h"
#include "fakes/fakes.h"
#include "install/install_tasks.h"
#include "test_support.h"

namespace wb {
namespace {

TEST(InstallTaskParse, FieldsAreSplitAtBarsAndCountFromOne) {
    InstallTask t = ParseInstallTask("0|Editor|bin\\edit.exe|2|edit.ico|-n");
    EXPECT_EQ(t.Kind, 0);
    ASSERT_EQ(t.Fields.size(), 6u);
    EXPECT_EQ(TaskField(t, 2), "Editor");
    EXPECT_EQ(TaskField(t, 6), "-n");
    EXPECT_EQ(TaskField(t, 7), "");   // beyond the last field
    EXPECT_EQ(TaskField(t, 0), "");   // there is no field 0

    InstallTask trailing = ParseInstallTask("6|2147483649|Software\\X|Name|");
    ASSERT_EQ(trailing.Fields.size(), 5u);  // a field after the last bar is empty
    EXPECT_EQ(TaskField(trailing, 5), "");
    EXPECT_EQ(ParseInstallTask("5").Fields.size(), 1u);
}

TEST(InstallTaskParse, OnlyTheLowEightBitsOfTheKindCount) {
    EXPECT_EQ(ParseInstallTask("256|x").Kind, 0);
    EXPECT_EQ(ParseInstallTask("265|x").Kind, 9);
    EXPECT_EQ(ParseInstallTask("255|x").Kind, -1);
    EXPECT_EQ(ParseInstallTask("-1|x").Kind, -1);
    EXPECT_EQ(ParseInstallTask(" 10|x").Kind, 10);  // leading blanks skipped
    EXPECT_EQ(ParseInstallTask("abc|x").Kind, 0);   // no digits
    EXPECT_EQ(TaskByte("4294967295"), -1);          // 32-bit wrap-around first
    EXPECT_EQ(TaskByte("4294967298"), 2);
}

TEST(InstallTaskNames, LinkSuffixIsAddedUnlessExactlyPresent) {
    EXPECT_EQ(LinkFileName("Editor"), "Editor.lnk");
    EXPECT_EQ(LinkFileName("Editor.lnk"), "Editor.lnk");
    EXPECT_EQ(LinkFileName("Editor.LNK"), "Editor.LNK.lnk");  // the test is case-sensitive
    EXPECT_EQ(LinkFileName(""), ".lnk");
    EXPECT_EQ(Quoted("C:\\Program Files\\x.dll"), "\"C:\\Program Files\\x.dll\"");
}

class InstallTaskPaths : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        fake::ShellSetFolder(5, "C:\\Users\\me\\Documents");
        fake::ShellSetSystemFolder("C:\\WINDOWS\\system32");
        fake::RegistrySetText(RegRoot::LocalMachine,
                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                              "C:\\Program Files");
    }
    void TearDown() override { fake::ResetAll(); }
};

TEST_F(InstallTaskPaths, ExactlyTwoPercentSignsExpandOtherwiseRelativeToTheInstallFolder) {
    const std::string dir = "C:\\Apps\\X\\";
    EXPECT_EQ(ResolveTaskPath("%MyDocuments%readme.txt", dir), "C:\\Users\\me\\Documents\\readme.txt");
    EXPECT_EQ(ResolveTaskPath("%System%x.dll", dir), "C:\\WINDOWS\\system32\\x.dll");
    EXPECT_EQ(ResolveTaskPath("bin\\a.exe", dir), "C:\\Apps\\X\\bin\\a.exe");
    EXPECT_EQ(ResolveTaskPath("50%off.txt", dir), "C:\\Apps\\X\\50%off.txt");
    EXPECT_EQ(ResolveTaskPath("%a%b%c.txt", dir), "C:\\Apps\\X\\%a%b%c.txt");
}

TEST_F(InstallTaskPaths, IconFallsBackToTheTargetUnlessAnExistingFileAndAnIndexAreGiven) {
    auto dir = FreshTestDir("wb_task_icon");
    std::ofstream(dir / "app.ico") << "icon";
    const std::string installDir = dir.string() + "/";
    EXPECT_EQ(ResolveTaskIcon("app.ico", 2, installDir), installDir + "app.ico");
    EXPECT_EQ(ResolveTaskIcon("app.ico", -1, installDir), "|");
    EXPECT_EQ(ResolveTaskIcon("missing.ico", 0, installDir), "|");
    EXPECT_EQ(ResolveTaskIcon("", 0, installDir), "|");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace wb
