// The install log of /L: where it goes, what a line looks like, and that a log which
// cannot be written never gets in the way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fakes/fakes.h"
#include "log/install_log.h"
#include "startup/command_line.h"
#include "state/setup_state.h"
#include "unit/test_support.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class InstallLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        dir_ = FreshTestDir("wb_log_").string() + "/";
    }
    void TearDown() override {
        CloseInstallLog();
        std::error_code ec;
        fs::remove_all(dir_, ec);
        fake::ResetAll();
    }
    std::string dir_;
};

TEST_F(InstallLogTest, LinesCarryDateAndTimeAndEndInCrLf) {
    ASSERT_TRUE(OpenInstallLog(dir_ + "setup.log"));
    EXPECT_TRUE(InstallLogIsOpen());
    LogLine("File written: C:\\Tool\\a.txt");
    fake::SystemSetNow(CalendarTime{2027, 1, 2, 3, 4, 5});
    LogLine("two\r\nlines");
    CloseInstallLog();
    EXPECT_FALSE(InstallLogIsOpen());
    LogLine("after closing");  // dropped, and no crash
    EXPECT_EQ(ReadAll(dir_ + "setup.log"),
              "2026-12-08 09:30:15  File written: C:\\Tool\\a.txt\r\n"
              "2027-01-02 03:04:05  two  lines\r\n");
}

TEST_F(InstallLogTest, OpeningReplacesAnOlderFileAndCreatesMissingFolders) {
    std::ofstream(dir_ + "old.log") << "an older and much longer run's log\r\n";
    ASSERT_TRUE(OpenInstallLog(dir_ + "old.log"));
    LogLine("x");
    CloseInstallLog();
    EXPECT_EQ(ReadAll(dir_ + "old.log"), "2026-12-08 09:30:15  x\r\n");

    ASSERT_TRUE(OpenInstallLog(dir_ + "Logs Dir\\deeper\\setup.log"));
    LogLine("y");
    CloseInstallLog();
    EXPECT_EQ(ReadAll(dir_ + "Logs Dir/deeper/setup.log"), "2026-12-08 09:30:15  y\r\n");
}

TEST_F(InstallLogTest, ALogThatCannotBeCreatedIsNoError) {
    // A file where the folder would have to be: nothing can be created below it.
    std::ofstream(dir_ + "blocker") << "x";
    EXPECT_FALSE(OpenInstallLog(dir_ + "blocker\\setup.log"));
    EXPECT_FALSE(InstallLogIsOpen());
    LogLine("goes nowhere");
    EXPECT_FALSE(OpenInstallLog(""));
}

TEST_F(InstallLogTest, ANewFileEachTimeInTheTemporaryFolderNeverAnEarlierOne) {
    const std::string named = dir_ + "named.log";
    std::ofstream(named) << "an older run's log";
    EXPECT_EQ(OpenRequestedLog(named, dir_, "Wendlebox Setup Log"), named)
        << "a file the administrator names is the log, as before";
    CloseInstallLog();

    const std::string first = OpenRequestedLog("", dir_, "Wendlebox Setup Log");
    EXPECT_EQ(first, dir_ + "Wendlebox Setup Log 2026-12-08 #001.txt");
    LogLine("first run");
    CloseInstallLog();
    // #002 is taken by another process's file (or link): it is skipped, never written.
    const std::string taken = dir_ + "Wendlebox Setup Log 2026-12-08 #002.txt";
    std::ofstream(taken) << "not ours";
    EXPECT_EQ(OpenRequestedLog("", dir_, "Wendlebox Setup Log"),
              dir_ + "Wendlebox Setup Log 2026-12-08 #003.txt");
    LogLine("second run");
    CloseInstallLog();
    EXPECT_EQ(ReadAll(first), "2026-12-08 09:30:15  first run\r\n");
    EXPECT_EQ(ReadAll(taken), "not ours");
    // Past #999 the number grows a digit instead of reusing #999.
    for (int n = 4; n <= 999; ++n) {
        std::ofstream(dir_ + "Wendlebox Setup Log 2026-12-08 #" +
                      std::string(n < 10 ? "00" : n < 100 ? "0" : "") + std::to_string(n) + ".txt")
            << "x";
    }
    EXPECT_EQ(OpenRequestedLog("", dir_, "Wendlebox Setup Log"),
              dir_ + "Wendlebox Setup Log 2026-12-08 #1000.txt");
    CloseInstallLog();
    // Another day starts again at 001.
    fake::SystemSetNow(CalendarTime{2026, 12, 9, 0, 0, 1});
    EXPECT_EQ(OpenRequestedLog("", dir_, "Wendlebox Uninstall Log"),
              dir_ + "Wendlebox Uninstall Log 2026-12-09 #001.txt");
    CloseInstallLog();
    // A temporary folder that takes no file gives no log, and no endless search.
    EXPECT_EQ(OpenRequestedLog("", dir_ + "missing\\", "Wendlebox Setup Log"), "");
    EXPECT_FALSE(InstallLogIsOpen());
}

TEST(InstallLogSwitch, SlashLAloneOrWithAFileInEitherCase) {
    SetupState state;
    ParseCommandLine("setup.exe /Q /L", state);
    EXPECT_EQ(state.LogRequested, 1);
    EXPECT_EQ(state.CmdLogFile, "");
    ParseCommandLine("setup.exe \"/l:C:\\Logs Dir\\setup.log\" /Q", state);
    EXPECT_EQ(state.LogRequested, 1);
    EXPECT_EQ(state.CmdLogFile, "C:\\Logs Dir\\setup.log");
    EXPECT_EQ(state.QuietMode, 1);
    // Unquoted, the part after the blank is another (ignored) parameter.
    ParseCommandLine("setup.exe /L:C:\\Logs Dir\\setup.log", state);
    EXPECT_EQ(state.CmdLogFile, "C:\\Logs");
    ParseCommandLine("setup.exe /Q", state);
    EXPECT_EQ(state.LogRequested, 0) << "a new parse starts without a log";
}

}  // namespace
}  // namespace wb
