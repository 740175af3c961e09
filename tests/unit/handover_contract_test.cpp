// The hand-over between the three programs: a log made the authoring tool's way and
// completed the installer's way is read and carried out the uninstaller's way, and the
// shared rules (names, records, the uninstall key) hold on every side.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "contract/contract.h"
#include "handover/uninstall_log.h"
#include "platform/text.h"
#include "state/setup_state.h"
#include "uninstaller/removal.h"
#include "uninstaller/uninstall_log_reader.h"
#include "unit/test_support.h"
#include "wbpack/authoring/ini_text.h"
#include "wbpack/authoring/project.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

TEST(HandoverContractTest, NamesThatStayBelowTheFolder) {
    for (const char* good : {"notes..txt", "v1..2\\", "v1..2\\notes..txt", "v1..2/a", "..a",
                             "a..", "x.", ".hidden", "sub\\.cfg", "Data\\Sub\\b.bin",
                             "x\\y z\\", "CONFIG.SYS", "com10.txt"}) {
        EXPECT_TRUE(IsSafeRelativePath(good)) << good;
    }
    for (const char* bad : {"", "\\abs.txt", "/abs.txt", "\\\\server\\share\\x", "C:x.txt",
                            "c:\\x.txt", "c:/x.txt", "a.txt:stream", ".", ".\\", "..",
                            "..\\x", "../x", "a\\..\\..\\x", "a/./b", "a\\...\\x",
                            "a\\.. \\x", "sub\\. ", "a\\\\b", "a//b", "CON", "con.txt",
                            "a\\NUL", "a\\com1.log", "LPT9", "a*", "a?b", "a|b", "a\"b",
                            "a<b", "a>b", "a\tb", "bad\x01name"}) {
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
    }
}

TEST(HandoverContractTest, RecordsComeBackAsWritten) {
    const std::string record =
        UninstallRecord(TaskKind::RegistryValue, {"2147483649", "Software\\T", ""});
    EXPECT_EQ(record, "6|2147483649|Software\\T|");
    ParsedRecord parsed = ParseUninstallRecord(record);
    EXPECT_EQ(parsed.Kind, int(TaskKind::RegistryValue));
    EXPECT_EQ(parsed.Fields, (std::vector<std::string>{"2147483649", "Software\\T", ""}))
        << "an empty last field (the default value) is kept";
    EXPECT_EQ(ParseUninstallRecord(UninstallRecord(TaskKind::Association, {"txt", "t.exe"})).Kind,
              10);
    for (const char* bad : {"", "|x", "x|a", "1234|a", "-1|a", " 5|a"}) {
        EXPECT_EQ(ParseUninstallRecord(bad).Kind, -1) << bad;
    }
    EXPECT_TRUE(ParseUninstallRecord("7").Fields.empty());
}

TEST(HandoverContractTest, UninstallKeyNamesOneKeyOfTheList) {
    const std::string list = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    EXPECT_EQ(UninstallKeyFor("{G}", "Tool"), list + "{G}");
    EXPECT_EQ(UninstallKeyFor("", "My Tool"), list + "My Tool");
    EXPECT_EQ(UninstallKeyFor("", ""), "");
    EXPECT_EQ(UninstallKeyFor("a\\b", "Tool"), "") << "a GUID with a separator is no key name";
    EXPECT_EQ(UninstallKeyFor("", "x/y"), "");
    EXPECT_EQ(LogFileKey(1), "F001");
    EXPECT_EQ(LogDirKey(12), "D012");
    EXPECT_EQ(LogTaskKey(10), "Task10");
    EXPECT_EQ(LogFileKey(1000), "F1000");
}

class HandoverRoundTripTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        fake::ShellSetSystemFolder("C:\\WINDOWS\\system32");
        root_ = FreshTestDir("wb_handover_").string() + "/";
        prog_ = root_ + "prog/";
        menu_ = root_ + "menu/Tool/";
        fs::create_directories(prog_ + "v1..2");
        fs::create_directories(menu_);
        wb::Setup = SetupState{};
        CreateLanguageTable();
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        std::error_code ec;
        fs::remove_all(root_, ec);
        fake::ResetAll();
    }
    static void Put(const std::string& path, const std::string& bytes = "x") {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string root_, prog_, menu_;
};

TEST_F(HandoverRoundTripTest, WhatTheInstallerWritesTheUninstallerReadsAndRemoves) {
    // The authoring tool's base log for a program with two-dot names.
    IniText ini = ParseIniText("[Info]\r\nTitel = Tool\r\nVersion = 3.1\r\n"
                               "[Task]\r\nNoDelAll = 1\r\nMutexString = ToolRuns\r\n");
    std::vector<TreeItem> program(4);
    program[0].StoredName = "notes..txt";
    program[1].StoredName = "tool.exe";
    program[2].StoredName = "v1..2\\";
    program[2].IsFolder = true;
    program[3].StoredName = "v1..2\\notes..txt";
    program[3].Depth = 1;
    for (const char* f : {"notes..txt", "tool.exe", "v1..2/notes..txt", "uninstall.exe"}) {
        Put(prog_ + f);
    }
    Put(prog_ + kUninstallLogName, MakeUninstallLog(ini, program));
    Put(menu_ + "tool.lnk");
    Put(root_ + "extra..cfg");

    // The installer completes it.
    wb::Setup.InstallDir = prog_;
    wb::Setup.ProgExe = "tool.exe";
    wb::Setup.GUID = "{G-7}";
    wb::Setup.ProgLink = "";
    wb::Setup.StartMenuDir = menu_;
    wb::Setup.DesktopLink = "";
    wb::Setup.Language.Texts[size_t(LangId::UninstallerTitel)] = "Entfernen";
    wb::Setup.Language.Texts[size_t(LangId::RequesterRQ4Msg)] = "Erst '$Titel' beenden";
    wb::Setup.Language.Texts[size_t(LangId::RequesterRQ4Msg2)] = "dann OK";
    wb::Setup.UninstallRecords = {
        UninstallRecord(TaskKind::PackageFile, {root_ + "extra..cfg"}),
        UninstallRecord(TaskKind::RegistryValue, {"2147483649", "Software\\Tool", "Path"}),
    };
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Tool", "Path", "x");
    fake::RegistrySetText(RegRoot::LocalMachine, UninstallKeyFor("{G-7}", "tool"),
                          "UninstallString", "\"" + prog_ + "uninstall.exe\"");
    WriteUninstallLog();

    // The uninstaller reads every value the other two wrote.
    UninstallLog log;
    ASSERT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
    EXPECT_EQ(log.ProgName, "Tool");
    EXPECT_EQ(log.Version, "3.1");
    EXPECT_TRUE(log.NoDelAll);
    EXPECT_EQ(log.MutexString, "ToolRuns");
    EXPECT_EQ(log.ProgDir, prog_);
    EXPECT_EQ(log.ProgExe, "tool.exe");
    EXPECT_EQ(log.GUID, "{G-7}");
    EXPECT_EQ(log.ProgLink, "tool");
    EXPECT_EQ(log.StartMenu, menu_);
    EXPECT_EQ(log.DesktopIcon, "");
    EXPECT_EQ(log.Files, (std::vector<std::string>{"notes..txt", "tool.exe", "v1..2\\notes..txt",
                                                   "uninstall.exe", "uninstall.dat"}));
    EXPECT_EQ(log.Dirs, std::vector<std::string>{"v1..2\\"});
    ASSERT_EQ(log.StartMenuLinks.size(), size_t(LogLink::Count));
    EXPECT_EQ(log.StartMenuLinks[size_t(LogLink::Program)], menu_ + "tool.lnk");
    EXPECT_EQ(log.StartMenuLinks[size_t(LogLink::Uninstall)],
              menu_ + TrimBlanks(LangText(LangId::InstallUninstall)) + ".lnk");
    EXPECT_EQ(log.Tasks, wb::Setup.UninstallRecords);
    EXPECT_EQ(log.Texts.Titel, "Entfernen");
    EXPECT_EQ(log.Texts.Mutex, "Erst '$Titel' beenden|dann OK");
    EXPECT_EQ(log.Texts.Cancel, LangText(LangId::UninstallerCancel));
    EXPECT_EQ(log.Texts.Ready, LangText(LangId::UninstallerReady));

    // ... and removes all of it, the two-dot names included.
    RemovalOptions options;
    options.SelfPath = prog_ + "uninstall.exe";
    RemovalResult result = RemoveInstallation(log, options);
    EXPECT_EQ(result.Failed, 0);
    for (const char* gone : {"notes..txt", "tool.exe", "v1..2/notes..txt", "v1..2",
                             "uninstall.dat", "uninstall.exe"}) {
        EXPECT_FALSE(fs::exists(prog_ + gone)) << gone;
    }
    EXPECT_FALSE(fs::exists(prog_)) << "the emptied installation folder goes too";
    EXPECT_FALSE(fs::exists(root_ + "extra..cfg"));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::CurrentUser, "Software\\Tool", "Path"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::LocalMachine, UninstallKeyFor("{G-7}", "")));
}

}  // namespace
}  // namespace wb
