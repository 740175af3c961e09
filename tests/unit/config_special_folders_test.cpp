// Special folders, Path macros and the registry text helpers over the fake system.
#include <gtest/gtest.h>

#include "config/registry_text.h"
#include "config/special_folders.h"
#include "fakes/fakes.h"

namespace wb {
namespace {

constexpr const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

class FoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        fake::ShellSetCurrentFolder("C:\\Work");
        fake::ShellSetSystemFolder("C:\\WINDOWS\\system32");
        fake::ShellSetWindowsFolder("C:\\WINDOWS");
        fake::ShellSetTempFolder("C:\\Temp\\");
        fake::ShellSetFolder(0, "C:\\Users\\me\\Desktop");
        fake::ShellSetFolder(5, "C:\\Users\\me\\Documents");
        fake::ShellSetFolder(7, "C:\\Users\\me\\Startup");
        fake::ShellSetFolder(20, "C:\\WINDOWS\\Fonts");
        fake::ShellSetFolder(26, "C:\\Users\\me\\AppData");
        fake::RegistrySetText(RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir",
                              "C:\\Program Files");
        fake::RegistrySetText(RegRoot::LocalMachine, kCurrentVersion, "CommonFilesDir",
                              "C:\\Program Files\\Common Files");
    }
    void TearDown() override { fake::ResetAll(); }
};

TEST_F(FoldersTest, EveryCodeEndsInABackslash) {
    EXPECT_EQ(SpecialFolder(-1), "C:\\Work\\");
    EXPECT_EQ(SpecialFolder(-2), "C:\\WINDOWS\\system32\\");
    EXPECT_EQ(SpecialFolder(-3), "C:\\WINDOWS\\");
    EXPECT_EQ(SpecialFolder(-4), "C:\\Temp\\");  // not doubled
    EXPECT_EQ(SpecialFolder(-5),
              "C:\\Users\\me\\AppData\\Microsoft\\Internet Explorer\\Quick Launch\\");
    EXPECT_EQ(SpecialFolder(-6), "C:\\Program Files\\");
    EXPECT_EQ(SpecialFolder(43), "C:\\Program Files\\Common Files\\");
    EXPECT_EQ(SpecialFolder(0), "C:\\Users\\me\\Desktop\\");
    EXPECT_EQ(SpecialFolder(20), "C:\\WINDOWS\\Fonts\\");
}

TEST_F(FoldersTest, UndeterminableFoldersAreEmpty) {
    EXPECT_EQ(SpecialFolder(23), "");  // the shell has none
    fake::ShellSetFolder(26, "");
    EXPECT_EQ(SpecialFolder(-5), "");
    fake::RegistryDeleteValue(RegRoot::LocalMachine, kCurrentVersion, "ProgramFilesDir");
    EXPECT_EQ(SpecialFolder(-6), "");
    // A registry text that does not fit the read buffer counts as missing.
    fake::RegistrySetText(RegRoot::LocalMachine, kCurrentVersion, "CommonFilesDir",
                          std::string(255, 'x'));
    EXPECT_EQ(SpecialFolder(43), "");
}

TEST_F(FoldersTest, FernscopeFolderFollowsTheRegisteredCommand) {
    const std::string command = "\"C:\\Tools\\Fernscope\\Fernscope.exe\" \"%1\"";
    fake::RegistrySetText(RegRoot::ClassesRoot, "Applications\\Fernscope.exe\\shell\\open\\command",
                          "", command);
    fake::SystemSetVersion(0x0A280105);  // bits 16..23 set: the classes-root layout
    EXPECT_EQ(SpecialFolder(-7), "C:\\Tools\\Fernscope\\");
    EXPECT_EQ(fake::RegistryLastAccess(), RegAccess::Full);
    EXPECT_EQ(SpecialFolder(-8), "");  // no "edit" verb registered

    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\Fernscope.exe\\shell\\edit\\command",
                          "", "\"D:\\FS\\Fernscope.exe\" \"%1\"");
    EXPECT_EQ(SpecialFolder(-8), "");  // that layout is not consulted on this version
    fake::SystemSetVersion(0x80000004);
    EXPECT_EQ(SpecialFolder(-8), "D:\\FS\\");
    EXPECT_EQ(SpecialFolder(-7), "");

    // Commands too short for the expected form, or without a folder, give nothing.
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\Fernscope.exe\\shell\\edit\\command",
                          "", "\"a\" \"%1");
    EXPECT_EQ(SpecialFolder(-8), "");
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\Fernscope.exe\\shell\\edit\\command",
                          "", "\"Fernscope.exe\" \"%1\"");
    EXPECT_EQ(SpecialFolder(-8), "");
}

TEST_F(FoldersTest, DrivePathsAndRelativeNames) {
    EXPECT_EQ(ExpandPathMacros("D:\\Apps\\Tool", true), "D:\\Apps\\Tool");
    EXPECT_EQ(ExpandPathMacros("D:\\%Windows%x", false), "D:\\%Windows%x");
    EXPECT_EQ(ExpandPathMacros("MyProg", true), "C:\\Program Files\\MyProg");
    EXPECT_EQ(ExpandPathMacros("MyProg", false), "MyProg");
    EXPECT_EQ(ExpandPathMacros("100%Tool", true), "C:\\Program Files\\100%Tool");
    EXPECT_EQ(ExpandPathMacros("\\\\server\\share\\x", true),
              "C:\\Program Files\\\\\\server\\share\\x");
    EXPECT_EQ(ExpandPathMacros("D:/Apps", true), "C:\\Program Files\\D:/Apps");
}

TEST_F(FoldersTest, MacrosExpand) {
    EXPECT_EQ(ExpandPathMacros("%Windows%Fonts\\x.ttf", true), "C:\\WINDOWS\\Fonts\\x.ttf");
    EXPECT_EQ(ExpandPathMacros("%ProgramFiles%MyProg", true), "C:\\Program Files\\MyProg");
    EXPECT_EQ(ExpandPathMacros("%ProgramFiles%\\MyProg", true), "C:\\Program Files\\\\MyProg");
    EXPECT_EQ(ExpandPathMacros("%System%%Fonts%", false),
              "C:\\WINDOWS\\system32\\C:\\WINDOWS\\Fonts\\");
    EXPECT_EQ(ExpandPathMacros("%programfiles%X", true), "%programfiles%X");
    EXPECT_EQ(ExpandPathMacros("%AppData%a|%StartUp%b|%MyDocuments%c|%CommonFiles%d", true),
              "C:\\Users\\me\\AppData\\a|C:\\Users\\me\\Startup\\b|"
              "C:\\Users\\me\\Documents\\c|C:\\Program Files\\Common Files\\d");
    EXPECT_EQ(ExpandPathMacros("%QuickLaunch%x.lnk", true),
              "C:\\Users\\me\\AppData\\Microsoft\\Internet Explorer\\Quick Launch\\x.lnk");
    // An unknown macro stays; a missing Fernscope folder leaves the rest relative.
    EXPECT_EQ(ExpandPathMacros("%Unknown%a", true), "%Unknown%a");
    EXPECT_EQ(ExpandPathMacros("%Fernscope%Plugins\\", true), "Plugins\\");
}

TEST_F(FoldersTest, EveryExpansionAsksForEveryFolder) {
    int shellBefore = fake::ShellFolderQueryCount();
    int regBefore = fake::RegistryQueryCount();
    ExpandPathMacros("%Windows%x", true);
    // Shell: application data (twice, once for Quick Launch), startup, documents, fonts.
    EXPECT_EQ(fake::ShellFolderQueryCount() - shellBefore, 5);
    // Registry: program files, common files, Fernscope.
    EXPECT_EQ(fake::RegistryQueryCount() - regBefore, 3);
}

TEST_F(FoldersTest, InstallMacros) {
    EXPECT_EQ(ExpandInstallMacros("%StartMenuDir%a|%InstallDir%b|%ProgDir%c|%installdir%d",
                                  "S\\", "I\\"),
              "S\\a|I\\b|I\\c|%installdir%d");
    // A Start-menu folder that holds a later macro is expanded further.
    EXPECT_EQ(ExpandInstallMacros("%StartMenuDir%x", "%ProgDir%", "I\\"), "I\\x");
    EXPECT_EQ(ReplaceText("aXa", "a", "aa"), "aaXaa");
    EXPECT_EQ(ReplaceText("abc", "", "z"), "abc");
}

TEST_F(FoldersTest, RegReadTextLimits) {
    const char* key = "SOFTWARE\\Test";
    fake::RegistrySetText(RegRoot::CurrentUser, key, "fits", std::string(254, 'a'));
    fake::RegistrySetText(RegRoot::CurrentUser, key, "full", std::string(255, 'b'));
    fake::RegistrySetBytes(RegRoot::CurrentUser, key, "nonul", "abc");
    fake::RegistrySetBytes(RegRoot::CurrentUser, key, "inner", std::string("ab\0cd", 5));
    fake::RegistrySetText(RegRoot::CurrentUser, key, "", "default");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, "fits"), std::string(254, 'a'));
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, "full"), "");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, "nonul"), "abc");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, "inner"), "ab");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, ""), "default");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, nullptr), "default");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, "missing"), "");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, "SOFTWARE\\Nope", "fits"), "");
    EXPECT_EQ(RegReadText(RegRoot::LocalMachine, key, "fits"), "");
    EXPECT_EQ(fake::RegistryLastAccess(), RegAccess::Read);
    fake::RegistryFailNext(1);
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, "nonul"), "");
    EXPECT_EQ(RegReadText(RegRoot::CurrentUser, key, "nonul"), "abc");
}

TEST_F(FoldersTest, RegWriteTextResults) {
    EXPECT_EQ(RegWriteText(RegRoot::CurrentUser, "SOFTWARE\\A\\B", "v", "text"), 2);
    std::string bytes;
    ASSERT_TRUE(fake::RegistryGetBytes(RegRoot::CurrentUser, "SOFTWARE\\A\\B", "v", bytes));
    EXPECT_EQ(bytes, std::string("text\0", 5));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::CurrentUser, "SOFTWARE\\A"));
    fake::RegistryFailNext(1, 0);
    EXPECT_EQ(RegWriteText(RegRoot::CurrentUser, "SOFTWARE\\C", "v", "x"), 0);
    fake::RegistryFailNext(1, 1);
    EXPECT_EQ(RegWriteText(RegRoot::CurrentUser, "SOFTWARE\\C", "v", "x"), 1);
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, "SOFTWARE\\C"));

    RegRoot root = RegRoot::LocalMachine;
    EXPECT_TRUE(RegRootFromNumber(2147483649u, root));
    EXPECT_EQ(root, RegRoot::CurrentUser);
    EXPECT_TRUE(RegRootFromNumber(uint32_t(-2147483646), root));
    EXPECT_EQ(root, RegRoot::LocalMachine);
    EXPECT_FALSE(RegRootFromNumber(0x80000003u, root));
}

}  // namespace
}  // namespace wb
