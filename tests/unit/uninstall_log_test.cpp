// The Uninstall log: the base file the authoring tool packs, completed by the installer,
// read back as the uninstaller will read it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "handover/uninstall_log.h"
#include "state/setup_state.h"
#include "unit/test_support.h"
#include "wbpack/authoring/ini_text.h"
#include "wbpack/authoring/project.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

class UninstallLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_unlog_");
        fake::ResetAll();
        wb::Setup = SetupState{};
        wb::Setup.InstallDir = dir_.string() + "\\";
        wb::Setup.ProgExe = "tool.exe";
        wb::Setup.GUID = "{G-1}";
        wb::Setup.ProgLink = "My Tool";
        wb::Setup.StartMenuDir = "C:\\SM\\Tool\\";
        wb::Setup.DesktopLink = "C:\\Desk\\My Tool.lnk";
        wb::Setup.AdditionalExe = "Tools\\Conf.exe";
        CreateLanguageTable();
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        fs::remove_all(dir_);
    }
    fs::path LogPath() const { return dir_ / "uninstall.dat"; }
    void WriteLog(const std::string& text) const {
        std::ofstream(LogPath(), std::ios::binary) << text;
    }
    std::string ReadLog() const {
        std::ifstream in(LogPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The log as the uninstaller reads it.
    IniText Parsed() const { return ParseIniText(ReadLog()); }
    std::string Get(const char* group, const char* key) const {
        return IniString(Parsed(), group, key, "<missing>");
    }
    fs::path dir_;
};

TEST_F(UninstallLogTest, CompletesThePackagedBaseFile) {
    // The base file exactly as the authoring tool makes it for a small program.
    IniText ini = ParseIniText("[Info]\r\nTitel = Tool\r\nVersion = 2.0\r\n"
                               "[Task]\r\nMutexString = ToolMutex\r\n");
    std::vector<TreeItem> program(3);
    program[0].StoredName = "doc\\";
    program[0].IsFolder = true;
    program[1].StoredName = "doc\\a.txt";
    program[1].Depth = 1;
    program[2].StoredName = "tool.exe";
    WriteLog(MakeUninstallLog(ini, program));

    wb::Setup.UninstallRecords = {"0|C:\\Desk\\Extra.lnk", "10|txt|tool.exe"};
    wb::Setup.Language.Texts[size_t(LangId::RequesterRQ4Msg)] = "Close '$Titel' first!";
    WriteUninstallLog();

    const std::string s = "C:\\SM\\Tool\\";
    const std::string expected =
        "; Uninstall log of Tool; the installation adds to it.\r\n"
        "[Settings]\r\n"
        "ProgName = Tool\r\n"
        "Version = 2.0\r\n"
        "NoDelAll = 0\r\n"
        "MutexString = ToolMutex\r\n"
        "ProgDir = " + wb::Setup.InstallDir + "\r\n"
        "ProgExe = tool.exe\r\n"
        "GUID = {G-1}\r\n"
        "ProgLink = My Tool\r\n"
        "StartMenu = " + s + "\r\n"
        "DesktopIcon = C:\\Desk\\My Tool.lnk\r\n"
        "[Files]\r\n"
        "F001 = doc\\a.txt\r\n"
        "F002 = tool.exe\r\n"
        "F003 = uninstall.exe\r\n"
        "F004 = uninstall.dat\r\n"
        "[Dirs]\r\n"
        "D001 = doc\\\r\n"
        "[Language]\r\n"
        "Titel = uninstall Program\r\n"
        "Msg = Program files And registry entries will be removed.\r\n"
        "Version = Version\r\n"
        "UninstInfo = Remove the following Program from your computer:\r\n"
        "DelAll = Delete all(!) files in the directory (including user files).\r\n"
        "Error = Uninstalling Program Not possible.\r\n"
        "Mutex = Close '$Titel' first!|Then press OK!\r\n"
        "Status = Uninstalling completed.\r\n"
        "OK = OK\r\n"
        "Cancel = Cancel\r\n"
        "Ready = Ready\r\n"
        "[StartMenu]\r\n"
        "Program = " + s + "My Tool.lnk\r\n"
        "AddExe = " + s + "Conf.lnk\r\n"
        "Help = " + s + "Help.lnk\r\n"
        "Homepage = " + s + "Homepage.lnk\r\n"
        "Uninstall = " + s + "Uninstall.lnk\r\n"
        "[UserTask]\r\n"
        "Number = 2\r\n"
        "Task1 = 0|C:\\Desk\\Extra.lnk\r\n"
        "Task2 = 10|txt|tool.exe\r\n";
    EXPECT_EQ(ReadLog(), expected);
}

TEST_F(UninstallLogTest, NoRecordsGivesNumberZeroAndNoTaskKeys) {
    WriteUninstallLog();
    EXPECT_EQ(Get("UserTask", "Number"), "0");
    EXPECT_EQ(ReadLog().find("Task1"), std::string::npos);
    // Without a base file the log is created whole.
    EXPECT_EQ(Get("Settings", "GUID"), "{G-1}");
}

TEST_F(UninstallLogTest, NoStartMenuFolderGivesBareLinkNames) {
    wb::Setup.StartMenuDir.clear();
    wb::Setup.AdditionalExe.clear();
    WriteUninstallLog();
    EXPECT_EQ(Get("Settings", "StartMenu"), "");
    EXPECT_EQ(Get("StartMenu", "Program"), "My Tool.lnk");
    // Written even without an additional program.
    EXPECT_EQ(Get("StartMenu", "AddExe"), ".lnk");
    EXPECT_EQ(Get("StartMenu", "Help"), "Help.lnk");
    EXPECT_EQ(Get("StartMenu", "Homepage"), "Homepage.lnk");
    EXPECT_EQ(Get("StartMenu", "Uninstall"), "Uninstall.lnk");
}

TEST_F(UninstallLogTest, HomepageEntryNamesTheInternetShortcutOfAWebAddress) {
    wb::Setup.HomepageUrl = "https://example.test/tool";
    WriteUninstallLog();
    EXPECT_EQ(Get("StartMenu", "Homepage"), "C:\\SM\\Tool\\Homepage.url");
    EXPECT_EQ(Get("StartMenu", "Help"), "C:\\SM\\Tool\\Help.lnk");
    // An address without a scheme was made a shell link, and is named so.
    wb::Setup.HomepageUrl = "www.example.test";
    WriteUninstallLog();
    EXPECT_EQ(Get("StartMenu", "Homepage"), "C:\\SM\\Tool\\Homepage.lnk");
}

TEST_F(UninstallLogTest, EmptyShortcutNameBecomesTheProgramNameUpToItsFirstDot) {
    wb::Setup.ProgLink.clear();
    wb::Setup.ProgExe = "a.b.exe";
    WriteUninstallLog();
    EXPECT_EQ(Get("Settings", "ProgLink"), "a");
    EXPECT_EQ(Get("StartMenu", "Program"), "C:\\SM\\Tool\\a.lnk");
    EXPECT_EQ(wb::Setup.ProgLink, "a");
}

TEST_F(UninstallLogTest, TranslatedLinkTextsAreTrimmedLikeTheLinks) {
    wb::Setup.Language.Texts[size_t(LangId::InstallHelp)] = "  Hilfe ";
    wb::Setup.Language.Texts[size_t(LangId::InstallUninstall)] = " Entfernen";
    wb::Setup.Language.Texts[size_t(LangId::UninstallerOK)] = "Gut";
    WriteUninstallLog();
    EXPECT_EQ(Get("StartMenu", "Help"), "C:\\SM\\Tool\\Hilfe.lnk");
    EXPECT_EQ(Get("StartMenu", "Uninstall"), "C:\\SM\\Tool\\Entfernen.lnk");
    EXPECT_EQ(Get("Language", "OK"), "Gut");
}

TEST_F(UninstallLogTest, AnOlderLogGetsItsKeysReplacedInPlace) {
    WriteLog("[Settings]\r\nProgName = Tool\r\nProgDir = D:\\Old\\\r\nGUID = {OLD}\r\n"
             "[UserTask]\r\nNumber = 3\r\nTask1 = 5|D:\\old1\r\nTask2 = 5|D:\\old2\r\n"
             "Task3 = 5|D:\\old3\r\n[Files]\r\nF001 = tool.exe\r\n");
    wb::Setup.UninstallRecords = {"5|C:\\new1"};
    WriteUninstallLog();
    const std::string log = ReadLog();
    EXPECT_EQ(Get("Settings", "ProgDir"), wb::Setup.InstallDir);
    EXPECT_EQ(Get("Settings", "GUID"), "{G-1}");
    EXPECT_EQ(log.find("{OLD}"), std::string::npos);
    EXPECT_EQ(log.find("ProgDir"), log.rfind("ProgDir"));
    EXPECT_EQ(Get("UserTask", "Number"), "1");
    EXPECT_EQ(Get("UserTask", "Task1"), "5|C:\\new1");
    EXPECT_EQ(Get("UserTask", "Task3"), "5|D:\\old3");
    // The replaced keys stay where they were: UserTask before Files, new groups after.
    EXPECT_LT(log.find("[UserTask]"), log.find("[Files]"));
    EXPECT_LT(log.find("[Files]"), log.find("[Language]"));
}

TEST_F(UninstallLogTest, NoUninstallSupportWritesNothing) {
    WriteLog("[Settings]\r\nProgName = Tool\r\n");
    wb::Setup.NoUninstall = 1;
    WriteUninstallLog();
    EXPECT_EQ(ReadLog(), "[Settings]\r\nProgName = Tool\r\n");
}

TEST_F(UninstallLogTest, NoInstallationFolderWritesNothing) {
    wb::Setup.InstallDir.clear();
    const fs::path cwd = fs::current_path();
    fs::current_path(dir_);
    WriteUninstallLog();
    fs::current_path(cwd);
    EXPECT_FALSE(fs::exists(dir_ / "uninstall.dat"));
}

}  // namespace
}  // namespace wb
