// The one reader of uninstall.dat: what it takes from a log, and the one rule for a task
// count that the records do not bear out, as the uninstaller, the merge and the upgrade
// all meet it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/pref_file.h"
#include "handover/log_merge.h"
#include "handover/log_reader.h"
#include "log/install_log.h"
#include "unit/test_support.h"
#include "uninstaller/uninstall_log_reader.h"

namespace wb {
namespace {

using Strings = std::vector<std::string>;

const std::string kSettings = "[Settings]\r\nProgName = Tool\r\nGUID = {G}\r\nVersion = 2.0\r\n";

LogRead Read(const std::string& text, LogContents& out) {
    return ReadLogContents(text.data(), text.size(), out);
}

TEST(LogReader, ReadsEveryGroupWhateverTheirOrder) {
    // UserTask and StartMenu before Settings, keys in other letter cases, a UTF-8 mark.
    const std::string text =
        "\xEF\xBB\xBF[usertask]\r\nnumber = 2\r\nTASK2 = 5|C:\\P\\b.txt\r\nTask1 = 0|C:\\D\\T.lnk\r\n"
        "[StartMenu]\r\nHelp = C:\\M\\Help.lnk\r\n[Files]\r\nF001 = tool.exe\r\nF002 =\r\n"
        "F004 = after.gap\r\n[Language]\r\nError = Kaputt\r\nOK =\r\n" + kSettings +
        "NoDelAll = 1\r\nScope = USER\r\nProgDir = C:\\P\\\r\n";
    LogContents c;
    ASSERT_EQ(Read(text, c), LogRead::Ok);
    EXPECT_EQ(c.Tasks, (Strings{"0|C:\\D\\T.lnk", "5|C:\\P\\b.txt"}));
    EXPECT_EQ(c.Links, (Strings{"", "", "C:\\M\\Help.lnk", "", ""}));
    EXPECT_EQ(c.Files, (Strings{"tool.exe", ""})) << "numbered keys stop at the first gap";
    EXPECT_TRUE(c.Dirs.empty());
    EXPECT_EQ(c.GUID, "{G}");
    EXPECT_TRUE(c.HasGuid);
    EXPECT_EQ(c.ProgDir, "C:\\P\\");
    EXPECT_TRUE(c.NoDelAll);
    EXPECT_TRUE(c.PerUser);
    EXPECT_TRUE(c.HasText[size_t(LogText::Error)]);
    EXPECT_EQ(c.Texts[size_t(LogText::Error)], "Kaputt");
    EXPECT_TRUE(c.HasText[size_t(LogText::OK)]) << "an empty text is still the log's";
    EXPECT_FALSE(c.HasText[size_t(LogText::Titel)]);
}

TEST(LogReader, NoTasksNeedNoCount) {
    LogContents c;
    EXPECT_EQ(Read(kSettings, c), LogRead::Ok);
    EXPECT_TRUE(c.Tasks.empty());
    EXPECT_TRUE(c.Links.empty()) << "no StartMenu group, no links";
    EXPECT_EQ(Read(kSettings + "[UserTask]\r\n", c), LogRead::Ok);
    EXPECT_EQ(Read(kSettings + "[UserTask]\r\nNumber = 0\r\n", c), LogRead::Ok);
    EXPECT_EQ(Read(kSettings + "[UserTask]\r\nNumber = 1\r\nTask1 =\r\n", c), LogRead::Ok);
    EXPECT_EQ(c.Tasks, (Strings{""})) << "a record written empty is still a record";
}

TEST(LogReader, ACountTheRecordsDoNotBearOutIsDamage) {
    const struct {
        const char* Why;
        std::string UserTask;
    } cases[] = {
        {"not a number", "Number = two\r\nTask1 = 5|a\r\n"},
        {"a number with a tail", "Number = 1x\r\nTask1 = 5|a\r\n"},
        {"empty", "Number =\r\nTask1 = 5|a\r\n"},
        {"negative", "Number = -1\r\n"},
        {"beyond what a log may hold", "Number = " + std::to_string(kMostTasks + 1) + "\r\n"},
        {"far beyond", "Number = 99999999999\r\n"},
        {"more than the records present", "Number = 3\r\nTask1 = 5|a\r\nTask2 = 5|b\r\n"},
        {"a record missing in between", "Number = 2\r\nTask2 = 5|b\r\n"},
        {"records without a count", "Task1 = 5|a\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Why);
        LogContents out;
        EXPECT_EQ(Read(kSettings + "[UserTask]\r\n" + c.UserTask, out), LogRead::BadTaskCount);
        EXPECT_TRUE(out.Tasks.empty());
        EXPECT_EQ(out.GUID, "{G}") << "the rest of the log is still read";
    }
}

TEST(LogReader, TextWithoutSettingsIsNoLog) {
    LogContents c;
    EXPECT_EQ(Read("", c), LogRead::NoSettings);
    const std::string junk("MZ\x90\0\x03[x] not a log at all", 24);
    EXPECT_EQ(Read(junk, c), LogRead::NoSettings);
    EXPECT_EQ(Read("[Files]\r\nF001 = a\r\n[UserTask]\r\nNumber = 0\r\n", c), LogRead::NoSettings);
    EXPECT_EQ(Read("[Settings]\r\nProgName = Tool\r\n", c), LogRead::Ok);
    EXPECT_FALSE(c.HasGuid);
}

TEST(LogReader, TheSameCountLimitAsTheWriters) {
    std::string text = kSettings + "[UserTask]\r\nNumber = " + std::to_string(kMostTasks) + "\r\n";
    for (int32_t i = 1; i <= kMostTasks; ++i) {
        text += "Task" + std::to_string(i) + " = 5|x" + std::to_string(i) + "\r\n";
    }
    LogContents c;
    ASSERT_EQ(Read(text, c), LogRead::Ok);
    ASSERT_EQ(c.Tasks.size(), size_t(kMostTasks));
    EXPECT_EQ(c.Tasks.back(), "5|x" + std::to_string(kMostTasks));
}

// What each caller does with a damaged count, on a real file.
class LogReaderFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_logreader_").string() + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void Write(const std::string& text) const {
        std::ofstream(dir_ + "uninstall.dat", std::ios::binary) << text;
    }
    std::string dir_;
};

TEST_F(LogReaderFileTest, AMissingFileIsNotADamagedOne) {
    LogContents c;
    EXPECT_EQ(ReadLogFile(dir_, c), LogRead::Missing);
    Write("");
    EXPECT_EQ(ReadLogFile(dir_, c), LogRead::NoSettings);
    Write(kSettings + "ProgDir = " + dir_ + "\r\n[UserTask]\r\nNumber = 1\r\nTask1 = 5|a\r\n");
    EXPECT_EQ(ReadLogFile(dir_, c), LogRead::Ok);
    EXPECT_EQ(c.Tasks, (Strings{"5|a"}));
}

TEST_F(LogReaderFileTest, TheUninstallerRemovesNothingByADamagedCount) {
    Write(kSettings + "ProgDir = " + dir_ + "\r\n[Language]\r\nError = Kaputt\r\n"
          "[UserTask]\r\nNumber = 2\r\nTask1 = 5|a\r\n");
    UninstallLog log;
    EXPECT_EQ(ReadUninstallLog(dir_, log), LogStatus::Damaged);
    EXPECT_EQ(log.Texts.Error, "Kaputt") << "its message is still the log's own";
}

TEST_F(LogReaderFileTest, TheMergeLeavesADamagedEarlierLogOutAndSaysSo) {
    Write(kSettings + "ProgDir = " + dir_ + "\r\n[Files]\r\nF001 = old.txt\r\n"
          "[UserTask]\r\nNumber = 5\r\nTask1 = 5|a\r\n");
    ASSERT_TRUE(OpenInstallLog(dir_ + "setup.log"));
    RememberEarlierLog(dir_);
    Write(kSettings + "ProgDir = " + dir_ + "\r\n[Files]\r\nF001 = new.txt\r\n");
    ASSERT_EQ(PrefOpen((dir_ + "uninstall.dat").c_str()), 1);
    PrefGroup("UserTask");
    PrefWriteNumber("Number", 0);
    MergeEarlierLog("{G}");
    PrefClose();
    CloseInstallLog();

    UninstallLog log;
    ASSERT_EQ(ReadUninstallLog(dir_, log), LogStatus::Ok);
    EXPECT_EQ(log.Files, (Strings{"new.txt"}));
    EXPECT_TRUE(log.Tasks.empty());
    std::ifstream in(dir_ + "setup.log", std::ios::binary);
    const std::string said((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(said.find("is damaged (a task count its records do not bear out): not merged"),
              std::string::npos)
        << said;
}

}  // namespace
}  // namespace wb
