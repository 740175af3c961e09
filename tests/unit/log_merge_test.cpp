// Upgrades and reinstalls: what the earlier Uninstall log of the same program recorded
// survives into the new one, written the installer's way and read the uninstaller's way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/pref_file.h"
#include "fakes/fakes.h"
#include "contract/contract.h"
#include "handover/log_merge.h"
#include "log/install_log.h"
#include "unit/test_support.h"
#include "uninstaller/uninstall_log_reader.h"

namespace wb {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(LogMerge, EarlierOnlyKeepsWhatTheNewVersionDropped) {
    LogContents earlier;
    earlier.Files = {"tool.exe", "Help\\manual.txt", "old.dll", "uninstall.dat"};
    earlier.Dirs = {"Help\\", "plugins\\"};
    earlier.Links = {"C:\\Menu\\Tool\\Tool.lnk", "C:\\Menu\\Tool\\.lnk",
                     "C:\\Menu\\Tool\\Help.lnk", "Homepage.lnk", ""};
    earlier.DesktopIcon = "C:\\Desktop\\Tool.lnk";
    earlier.Tasks = {"6|2147483649|Software\\Acme\\Old|Path", "0|C:\\Desktop\\Tasklink.lnk",
                     "6|2147483649|Software\\Acme\\Both|Path"};
    LogContents current;
    current.Files = {"TOOL.EXE", "uninstall.dat", "new.dll"};  // letter case does not matter
    current.Dirs = {"help\\"};
    current.Links = {"C:\\Menu\\Tool\\Tool.lnk", "C:\\Menu\\Tool\\.lnk", "C:\\Menu\\Tool\\Help.lnk",
                     "", ""};
    current.Tasks = {"6|2147483649|Software\\Acme\\Both|Path", "6|2147483649|Software\\Acme\\New|Path"};

    const LogAdditions add = EarlierOnly(earlier, current);
    EXPECT_EQ(add.Files, (Strings{"Help\\manual.txt", "old.dll"}));
    EXPECT_EQ(add.Dirs, (Strings{"plugins\\"}));
    // Earlier records first; links the new log does not name become shortcut records; a
    // bare link name (no Start-menu folder then) made nothing and stays out; the desktop
    // shortcut the new run did not make is recorded as one.
    EXPECT_EQ(add.Tasks, (Strings{"6|2147483649|Software\\Acme\\Old|Path",
                                  "0|C:\\Desktop\\Tasklink.lnk", "0|C:\\Desktop\\Tool.lnk"}));
}

TEST(LogMerge, NothingIsRepeatedWhenTheSameVersionIsInstalledAgain) {
    LogContents same;
    same.Files = {"a.txt"};
    same.Dirs = {"d\\"};
    same.Links = {"C:\\M\\T.lnk", "", "", "", ""};
    same.DesktopIcon = "C:\\D\\T.lnk";
    same.Tasks = {"1|C:\\M\\Extra.lnk", "5|C:\\X\\f.txt"};
    const LogAdditions add = EarlierOnly(same, same);
    EXPECT_TRUE(add.Files.empty());
    EXPECT_TRUE(add.Dirs.empty());
    EXPECT_TRUE(add.Tasks.empty());
}

class LogMergeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        prog_ = FreshTestDir("wb_merge_").string() + "/";
    }
    void TearDown() override {
        PrefClose();
        CloseInstallLog();
        std::error_code ec;
        fs::remove_all(prog_, ec);
        fake::ResetAll();
    }
    void WriteLog(const std::string& text) const {
        std::ofstream(prog_ + "uninstall.dat", std::ios::binary) << text;
    }
    std::string Settings(const std::string& guid, const std::string& version) const {
        return "[Settings]\r\nProgName = Tool\r\nVersion = " + version +
               "\r\nNoDelAll = 0\r\nMutexString =\r\nProgDir = " + prog_ +
               "\r\nProgExe = tool.exe\r\nGUID = " + guid + "\r\nProgLink = Tool\r\n"
               "StartMenu = /menu/Tool/\r\nDesktopIcon =\r\n";
    }
    // What an installation does: remember, unpack the new base log, complete it, merge.
    void Reinstall(const std::string& newBase, const Strings& records, const std::string& guid,
                   bool trusted = true) {
        RememberEarlierLog(prog_, trusted);
        WriteLog(newBase);
        ASSERT_EQ(PrefOpen((prog_ + "uninstall.dat").c_str()), 1);
        PrefGroup("StartMenu");
        PrefWriteString("Program", "/menu/Tool/Tool.lnk");
        PrefGroup("UserTask");
        PrefWriteNumber("Number", int32_t(records.size()));
        for (size_t i = 0; i < records.size(); ++i) {
            PrefWriteString(("Task" + std::to_string(i + 1)).c_str(), records[i].c_str());
        }
        MergeEarlierLog(guid);
        PrefClose();
    }
    std::string prog_;
};

TEST_F(LogMergeFileTest, TheUninstallerReadsTheMergedLogWhole) {
    WriteLog(Settings("{G}", "1.0") +
             "[Files]\r\nF001 = tool.exe\r\nF002 = docs\\old.txt\r\nF003 = uninstall.dat\r\n"
             "[Dirs]\r\nD001 = docs\\\r\n[StartMenu]\r\nProgram = /menu/Tool/Tool.lnk\r\n"
             "Help = /menu/Tool/Help.lnk\r\n[UserTask]\r\nNumber = 2\r\n"
             "Task1 = 6|2147483649|Software\\Acme\\Old|Path\r\nTask2 = 0|/desk/Task.lnk\r\n");
    ASSERT_TRUE(OpenInstallLog(prog_ + "setup.log"));
    Reinstall(Settings("{G}", "2.0") + "[Files]\r\nF001 = tool.exe\r\nF002 = uninstall.dat\r\n"
                                       "F003 = new.txt\r\n[Dirs]\r\n",
              {"6|2147483649|Software\\Acme\\New|Path"}, "{g}");
    CloseInstallLog();

    UninstallLog log;
    ASSERT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
    EXPECT_EQ(log.Version, "2.0");
    EXPECT_EQ(log.Files, (Strings{"tool.exe", "uninstall.dat", "new.txt", "docs\\old.txt"}));
    EXPECT_EQ(log.Dirs, (Strings{"docs\\"}));
    EXPECT_EQ(log.Tasks, (Strings{"6|2147483649|Software\\Acme\\Old|Path", "0|/desk/Task.lnk",
                                  "1|/menu/Tool/Help.lnk",
                                  "6|2147483649|Software\\Acme\\New|Path"}));
    EXPECT_NE(ReadAll(prog_ + "setup.log").find("Upgrade over version 1.0 of this program: its "
                                                "Uninstall log is merged (1 files, 1 folders, 3 "
                                                "records"),
              std::string::npos)
        << ReadAll(prog_ + "setup.log");
}

TEST_F(LogMergeFileTest, ALogOfAnotherProgramIsNotTakenOver) {
    WriteLog(Settings("{OTHER}", "9") + "[Files]\r\nF001 = other.exe\r\n[UserTask]\r\n"
                                        "Number = 1\r\nTask1 = 5|/x/other.cfg\r\n");
    ASSERT_TRUE(OpenInstallLog(prog_ + "setup.log"));
    Reinstall(Settings("{G}", "2.0") + "[Files]\r\nF001 = tool.exe\r\n", {}, "{G}");
    CloseInstallLog();
    UninstallLog log;
    ASSERT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
    EXPECT_EQ(log.Files, (Strings{"tool.exe"}));
    EXPECT_TRUE(log.Tasks.empty());
    EXPECT_NE(ReadAll(prog_ + "setup.log").find("Uninstall log of another program (GUID {OTHER})"),
              std::string::npos);
}

// Upgrade after upgrade, the earlier records pile up; one record past what the
// uninstaller reads would make it call the log damaged and remove nothing at all.
TEST_F(LogMergeFileTest, AMergedLogStaysWithinWhatTheUninstallerReads) {
    std::string earlier = Settings("{G}", "1.0") + "[Files]\r\nF001 = tool.exe\r\n[UserTask]\r\n"
                          "Number = " + std::to_string(kMostTasks) + "\r\n";
    for (int32_t i = 1; i <= kMostTasks; ++i) {
        earlier += "Task" + std::to_string(i) + " = 5|/x/old" + std::to_string(i) + ".txt\r\n";
    }
    WriteLog(earlier);
    ASSERT_TRUE(OpenInstallLog(prog_ + "setup.log"));
    // Two of this version's records repeat (in another letter case): one is dropped.
    Reinstall(Settings("{G}", "2.0") + "[Files]\r\nF001 = tool.exe\r\n",
              {"5|/x/new1.txt", "5|/x/old5.txt", "5|/X/NEW1.TXT", "5|/x/new2.txt"}, "{G}");
    CloseInstallLog();

    UninstallLog log;
    ASSERT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
    ASSERT_EQ(log.Tasks.size(), size_t(kMostTasks));
    // The earlier records fill what room this version's three leave, oldest first (old5,
    // which this version records again, once).
    EXPECT_EQ(log.Tasks[0], "5|/x/old1.txt");
    EXPECT_EQ(log.Tasks[4], "5|/x/old6.txt");
    EXPECT_EQ(log.Tasks[size_t(kMostTasks) - 4], "5|/x/old32765.txt");
    EXPECT_EQ(Strings(log.Tasks.end() - 3, log.Tasks.end()),
              (Strings{"5|/x/new1.txt", "5|/x/old5.txt", "5|/x/new2.txt"}));
    const std::string setupLog = ReadAll(prog_ + "setup.log");
    EXPECT_NE(setupLog.find("The Uninstall log is full: the record 5|/x/old32766.txt is not kept"),
              std::string::npos) << setupLog.substr(0, 2000);
    EXPECT_NE(setupLog.find("5|/x/old32767.txt is not kept"), std::string::npos);
    EXPECT_EQ(setupLog.find("old32765.txt is not kept"), std::string::npos);
}

TEST(LogMerge, FitWithinReadLimitsCutsEachGroupAtItsOwnLimit) {
    Strings own = {"a", "b", "A"};
    LogAdditions add;
    add.Files = {"f1", "f2", "f3"};
    add.Dirs = {"d1\\"};
    add.Tasks = {"t1"};
    const LogAdditions left = FitWithinReadLimits(kMostLogNumbered - 1, 0, own, add);
    EXPECT_EQ(own, (Strings{"a", "b"}));
    EXPECT_EQ(add.Files, (Strings{"f1"}));
    EXPECT_EQ(left.Files, (Strings{"f2", "f3"}));
    EXPECT_EQ(add.Dirs, (Strings{"d1\\"}));
    EXPECT_EQ(add.Tasks, (Strings{"t1"}));
    EXPECT_TRUE(left.Dirs.empty() && left.Tasks.empty());
}

// An elevated run over a log that ordinary users could have written takes only what stays
// inside the installation folder, and says how much it refused.
TEST_F(LogMergeFileTest, AnUntrustedLogGivesOnlyWhatStaysInsideTheFolder) {
    WriteLog(Settings("{G}", "1.0") +
             "[Files]\r\nF001 = tool.exe\r\nF002 = docs\\old.txt\r\n[Dirs]\r\nD001 = docs\\\r\n"
             "[StartMenu]\r\nHelp = /menu/Tool/Help.lnk\r\n[UserTask]\r\nNumber = 5\r\n"
             "Task1 = 6|2147483650|Software\\Victim|Run\r\n"
             "Task2 = 5|" + prog_ + "data\\tool.cfg\r\n"
             "Task3 = 5|/etc/victim.conf\r\n"
             "Task4 = 0|" + prog_ + "..\\outside.lnk\r\n"
             "Task5 = 10|exe|tool.exe\r\n");
    ASSERT_TRUE(OpenInstallLog(prog_ + "setup.log"));
    Reinstall(Settings("{G}", "2.0") + "[Files]\r\nF001 = tool.exe\r\n", {}, "{G}", false);
    CloseInstallLog();
    UninstallLog log;
    ASSERT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
    EXPECT_EQ(log.Files, (Strings{"tool.exe", "docs\\old.txt"}));
    EXPECT_EQ(log.Dirs, (Strings{"docs\\"}));
    EXPECT_EQ(log.Tasks, (Strings{"5|" + prog_ + "data\\tool.cfg"}));
    EXPECT_NE(ReadAll(prog_ + "setup.log").find("REFUSED 5 record(s) of the earlier Uninstall log"),
              std::string::npos)
        << ReadAll(prog_ + "setup.log");

    // Links and registry records are dropped wherever they appear; what is left stays inside.
    LogContents records;
    const std::string text = ReadAll(prog_ + "uninstall.dat");
    ASSERT_EQ(ReadLogContents(text.data(), text.size(), records), LogRead::Ok);
    records.Tasks.push_back("6|2147483650|Software\\Victim|Run");
    EXPECT_EQ(KeepInsideFolder(records, prog_), 2u) << "the new Program link and the value";
    EXPECT_EQ(KeepInsideFolder(records, prog_), 0u);
}

TEST_F(LogMergeFileTest, AFreshInstallationMergesNothing) {
    Reinstall(Settings("{G}", "1.0") + "[Files]\r\nF001 = tool.exe\r\n", {"5|/x/a.txt"}, "{G}");
    UninstallLog log;
    ASSERT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
    EXPECT_EQ(log.Files, (Strings{"tool.exe"}));
    EXPECT_EQ(log.Tasks, (Strings{"5|/x/a.txt"}));
}

}  // namespace
}  // namespace wb
