// The setup description: every key with its default, the settling of the folders from
// command line, per-product key and setup.ini, and the saved choices.
#include <gtest/gtest.h>

#include "unit/test_support.h"
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/setup_description.h"
#include "fakes/fakes.h"
#include "state/setup_state.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGuid = "{11111111-2222-3333-4444-555555555555}";
constexpr const char* kProductKey =
    "SOFTWARE\\Wendlebox\\{11111111-2222-3333-4444-555555555555}";

class SetupDescriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_desc_");
        wb::Setup = SetupState{};
        wb::Setup.SetupIni = (dir_ / "setup.ini").string();
        fake::ResetAll();
        fake::RegistrySetText(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                              "ProgramFilesDir", "C:\\Program Files");
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        fake::ResetAll();
        fs::remove_all(dir_);
    }
    void WriteIni(const std::string& text) const {
        std::ofstream(wb::Setup.SetupIni, std::ios::binary) << text;
    }
    void Remember(const char* installDir, const char* startMenu, const char* desktop) const {
        fake::RegistrySetText(RegRoot::CurrentUser, kProductKey, "InstallDir", installDir);
        fake::RegistrySetText(RegRoot::CurrentUser, kProductKey, "StartMenu", startMenu);
        fake::RegistrySetText(RegRoot::CurrentUser, kProductKey, "DesktopIcon", desktop);
    }
    fs::path dir_;
};

TEST_F(SetupDescriptionTest, StartupKeysAndTheirDefaults) {
    ReadStartupKeys();  // no setup.ini at all
    EXPECT_EQ(wb::Setup.Titel, "--- unkown ---");
    EXPECT_EQ(wb::Setup.LanguageList, "");
    EXPECT_EQ(wb::Setup.ProgExe, "");
    EXPECT_EQ(wb::Setup.MutexString, "");
    EXPECT_FALSE(fs::exists(wb::Setup.SetupIni));

    WriteIni("\xEF\xBB\xBF[Settings]\nLanguage = Deutsch.lng#7|English.lng#9|\nProgExe = Tool.exe\n"
             "[Info]\nTitel = T\xC3\xB6ol\nVersion = 2.1\nGUID = {G}\nPrgSize = 3 MB\n"
             "[Task]\nMutexString =   ToolMutex  \t \n");
    ReadStartupKeys();
    EXPECT_EQ(wb::Setup.LanguageList, "Deutsch.lng#7|English.lng#9|");
    EXPECT_EQ(wb::Setup.ProgExe, "Tool.exe");
    EXPECT_EQ(wb::Setup.Titel, "T\xF6ol");
    EXPECT_EQ(wb::Setup.Version, "2.1");
    EXPECT_EQ(wb::Setup.GUID, "{G}");
    EXPECT_EQ(wb::Setup.PrgSize, "3 MB");
    EXPECT_EQ(wb::Setup.MutexString, "ToolMutex");
}

TEST_F(SetupDescriptionTest, MissingDescriptionGivesDefaultsThroughout) {
    wb::Setup.Titel = "Tool";
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.ProductKey, "SOFTWARE\\Wendlebox\\");
    EXPECT_EQ(wb::Setup.Web, "");
    EXPECT_EQ(wb::Setup.ProgDirLeaf, "");
    EXPECT_EQ(wb::Setup.ProgDirDefault, "C:\\Program Files\\");
    EXPECT_EQ(wb::Setup.SplashBitmap, "splash.tga");
    EXPECT_EQ(wb::Setup.StartMenuDefault, "");
    EXPECT_EQ(wb::Setup.ProgLink, "Tool");
    EXPECT_EQ(wb::Setup.DesktopIconState, 0);
    EXPECT_EQ(wb::Setup.StartProg, 0);
    EXPECT_EQ(wb::Setup.StartMenuEnabled, 0);
    EXPECT_EQ(wb::Setup.ScriptFile, "");
    EXPECT_FALSE(fs::exists(wb::Setup.SetupIni));
}

TEST_F(SetupDescriptionTest, EveryKeyLandsInTheSetupState) {
    wb::Setup.Titel = "Tool";
    WriteIni("[Info]\nWeb = http://example.test/\n"
             "[Settings]\nDefaultDir = %ProgramFiles%Acme\\Tool\\\nNoCopyExt = ini|cfg|\n"
             "Bitmap = side.bmp\n"
             "[StartMenue]\nDefaultDir = Acme\\Tool\nProgLink = Tool Link\n"
             "[Task]\nDesktop = 256\nStartMenu = 513\nStartProg = 256\nReboot = 257\n"
             "NoUninstall = 1\nProgParameter = -x \"a b\"\nScriptFile = setup.vbs\n");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.Web, "http://example.test/");
    EXPECT_EQ(wb::Setup.ProgDirLeaf, "Tool");
    EXPECT_EQ(wb::Setup.ProgDirDefault, "C:\\Program Files\\Acme\\Tool\\");
    EXPECT_EQ(wb::Setup.NoCopyExt, "ini|cfg|");
    EXPECT_EQ(wb::Setup.SplashBitmap, "side.bmp");
    EXPECT_EQ(wb::Setup.StartMenuDefault, "Acme\\Tool");
    EXPECT_EQ(wb::Setup.ProgLink, "Tool Link");
    // Desktop is a 32-bit number; the others keep only their low 8 bits.
    EXPECT_EQ(wb::Setup.DesktopIconState, 256);
    EXPECT_EQ(wb::Setup.StartMenuEnabled, 1);
    EXPECT_EQ(wb::Setup.StartProg, 0);
    EXPECT_EQ(wb::Setup.Reboot, 1);
    EXPECT_EQ(wb::Setup.NoUninstall, 1);
    EXPECT_EQ(wb::Setup.ProgParameter, "-x \"a b\"");
    EXPECT_EQ(wb::Setup.ScriptFile, "setup.vbs");
}

TEST_F(SetupDescriptionTest, ProgramFolderName) {
    EXPECT_EQ(ProgramFolderName("%ProgramFiles%\\MyProg\\"), "MyProg");
    EXPECT_EQ(ProgramFolderName("MyProg"), "MyProg");
    EXPECT_EQ(ProgramFolderName("%ProgramFiles%MyProg"), "MyProg");
    EXPECT_EQ(ProgramFolderName("C:\\Apps\\Tool"), "Tool");
    EXPECT_EQ(ProgramFolderName("C:\\Apps\\Tool\\\\"), "Tool");
    EXPECT_EQ(ProgramFolderName("%A%%B%Tool"), "%A%%B%Tool");  // not exactly two "%"
    EXPECT_EQ(ProgramFolderName("%ProgramFiles%"), "");
    EXPECT_EQ(ProgramFolderName("\\"), "");
    EXPECT_EQ(ProgramFolderName(""), "");
}

TEST_F(SetupDescriptionTest, ProgramFolderNameFollowsTheRememberedFolderWithoutDefaultDir) {
    wb::Setup.GUID = kGuid;
    Remember("D:\\Old\\Place\\", "", "");
    WriteIni("[Settings]\nBitmap = x\n");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.ProgDirLeaf, "Place");
    EXPECT_EQ(wb::Setup.ProgDirDefault, "D:\\Old\\Place\\");
}

TEST_F(SetupDescriptionTest, FolderPrecedence) {
    wb::Setup.GUID = kGuid;
    WriteIni("[Settings]\nDefaultDir = %ProgramFiles%MyProg\n[StartMenue]\nDefaultDir = Menu\n"
             "[Task]\nDesktop = 1\n");

    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.ProgDirDefault, "C:\\Program Files\\MyProg");
    EXPECT_EQ(wb::Setup.StartMenuDefault, "Menu");
    EXPECT_EQ(wb::Setup.DesktopIconState, 1);

    Remember("E:\\Prev\\MyProg\\", "Prev Menu", "0");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.PrevInstallDir, "E:\\Prev\\MyProg\\");
    EXPECT_EQ(wb::Setup.ProgDirDefault, "E:\\Prev\\MyProg\\");
    EXPECT_EQ(wb::Setup.ProgDirLeaf, "MyProg");  // from DefaultDir, not from the remembered one
    EXPECT_EQ(wb::Setup.StartMenuDefault, "Prev Menu");
    EXPECT_EQ(wb::Setup.DesktopIconState, 0);

    wb::Setup.CmdProgDir = "G:\\Cmd";
    wb::Setup.CmdStartMenu = "%ProgramFiles%Cmd Menu";
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.ProgDirDefault, "G:\\Cmd");
    // Only the installation folder goes through the Path macros.
    EXPECT_EQ(wb::Setup.StartMenuDefault, "%ProgramFiles%Cmd Menu");

    wb::Setup.CmdProgDir = "Cmd";
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.ProgDirDefault, "C:\\Program Files\\Cmd");
}

TEST_F(SetupDescriptionTest, RememberedDesktopChoiceIsReadAsANumber) {
    wb::Setup.GUID = kGuid;
    WriteIni("[Task]\nDesktop = 0\n");
    Remember("", "", "1");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.DesktopIconState, 1);
    Remember("", "", "yes");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.DesktopIconState, 0);
    // An empty remembered value falls back to the description.
    WriteIni("[Task]\nDesktop = 3\n");
    Remember("", "", "");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.DesktopIconState, 3);
    EXPECT_EQ(wb::Setup.ProgDirDefault, "C:\\Program Files\\");
}

TEST_F(SetupDescriptionTest, EmptyProgLinkStaysEmpty) {
    wb::Setup.Titel = "Tool";
    WriteIni("[StartMenue]\nProgLink =\n");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.ProgLink, "");
}

TEST_F(SetupDescriptionTest, UnreadableRegistryCountsAsEmpty) {
    wb::Setup.GUID = kGuid;
    Remember("E:\\Prev\\", "Prev", "1");
    WriteIni("[Settings]\nDefaultDir = Fresh\n[StartMenue]\nDefaultDir = Menu\n");
    fake::RegistryFailNext(3);
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.PrevInstallDir, "");
    EXPECT_EQ(wb::Setup.ProgDirDefault, "C:\\Program Files\\Fresh");
    EXPECT_EQ(wb::Setup.StartMenuDefault, "Menu");
}

TEST_F(SetupDescriptionTest, SavedChoicesComeBackInTheNextRun) {
    wb::Setup.GUID = kGuid;
    wb::Setup.InstallDir = "F:\\Chosen\\Tool\\";
    SaveChoices("My Menu", true);
    std::string bytes;
    ASSERT_TRUE(fake::RegistryGetBytes(RegRoot::CurrentUser, kProductKey, "DesktopIcon", bytes));
    EXPECT_EQ(bytes, std::string("1\0", 2));
    ASSERT_TRUE(fake::RegistryGetBytes(RegRoot::CurrentUser, kProductKey, "StartMenu", bytes));
    EXPECT_EQ(bytes, std::string("My Menu\0", 8));

    WriteIni("[Settings]\nDefaultDir = %ProgramFiles%Tool\n[StartMenue]\nDefaultDir = Other\n");
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.ProgDirDefault, "F:\\Chosen\\Tool\\");
    EXPECT_EQ(wb::Setup.StartMenuDefault, "My Menu");
    EXPECT_EQ(wb::Setup.DesktopIconState, 1);

    SaveChoices("", false);
    ASSERT_TRUE(fake::RegistryGetBytes(RegRoot::CurrentUser, kProductKey, "DesktopIcon", bytes));
    EXPECT_EQ(bytes, std::string("0\0", 2));
    // An emptied Start-menu field is saved, and then the description's folder applies.
    LoadSetupDescription();
    EXPECT_EQ(wb::Setup.StartMenuDefault, "Other");
}

TEST_F(SetupDescriptionTest, NothingIsSavedWithoutAGuid) {
    wb::Setup.InstallDir = "F:\\Tool\\";
    SaveChoices("Menu", true);
    EXPECT_EQ(fake::RegistrySetCount(), 0);
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, "SOFTWARE\\Wendlebox"));
}

TEST_F(SetupDescriptionTest, LoadingNeverWritesTheDescription) {
    const std::string ini = "[Info]\nWeb=x\n\n[Task]\nStartProg=1\n";
    WriteIni(ini);
    LoadSetupDescription();
    std::ifstream in(wb::Setup.SetupIni, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), ini);
}

}  // namespace
}  // namespace wb
