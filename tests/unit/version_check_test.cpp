// The version check before a single file is replaced: the date mask, the version
// summary, the quiet run's decision, and the Copy File dialog over the window fake.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "install/copy_file_dialog.h"
#include "install/date_mask.h"
#include "install/quiet_replace.h"
#include "install/version_check.h"
#include "platform/files.h"
#include "state/setup_state.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

TEST(DateMaskTest, TokensAndLiterals) {
    CalendarTime t{2007, 3, 9, 7, 5, 4};
    EXPECT_EQ(FormatDateMask("%yyyy-%mm-%dd  %hh:%ii", t), "2007-03-09  07:05");
    EXPECT_EQ(FormatDateMask("%yy/%ss", t), "07/04");
    EXPECT_EQ(FormatDateMask("%YYYY%MM%Dd %Hh%iI%SS", t), "20070309 070504");
    // A "%" that starts no token, and the token letters without "%", are copied.
    EXPECT_EQ(FormatDateMask("100% yyyy %x %", t), "100% yyyy %x %");
    EXPECT_EQ(FormatDateMask("%%yyyy", t), "%2007");
    EXPECT_EQ(FormatDateMask("%yyy", t), "07y");
    EXPECT_EQ(FormatDateMask("", t), "");
    EXPECT_EQ(FormatDateMask("%hh:%ii", CalendarTime{1999, 12, 31, 23, 59, 0}), "23:59");
}

TEST(DateMaskTest, FakeClockConvertsFileTimes) {
    fake::ResetAll();
    // 2024-02-29 12:34:56 UTC as a file time.
    const uint64_t fileTime = (1709210096ULL * 10000000ULL) + 116444736000000000ULL;
    CalendarTime t;
    ASSERT_TRUE(FileTimeToLocalCalendar(fileTime, t));
    EXPECT_EQ(FormatDateMask("%yyyy-%mm-%dd %hh:%ii:%ss", t), "2024-02-29 12:34:56");
    fake::SystemSetTimeZoneOffset(120);
    ASSERT_TRUE(FileTimeToLocalCalendar(fileTime, t));
    EXPECT_EQ(FormatDateMask("%yyyy-%mm-%dd %hh:%ii", t), "2024-02-29 14:34");
    fake::SystemSetTimeZoneOffset(0);
    ASSERT_TRUE(FileTimeToLocalCalendar(116444736000000000ULL, t));  // the Unix epoch
    EXPECT_EQ(FormatDateMask("%yyyy-%mm-%dd %hh:%ii", t), "1970-01-01 00:00");
}

TEST(VersionSummaryTest, SplitsThreeFieldsKeepingBarsInTheDescription) {
    VersionSummary s = SplitVersionSummary("1.0|My tool|English (United States)");
    EXPECT_EQ(s.Version, "1.0");
    EXPECT_EQ(s.Description, "My tool");
    EXPECT_EQ(s.Language, "English (United States)");
    s = SplitVersionSummary("||");
    EXPECT_EQ(s.Version + s.Description + s.Language, "");
    s = SplitVersionSummary("2|a|b|German");
    EXPECT_EQ(s.Version, "2");
    EXPECT_EQ(s.Description, "a|b");
    EXPECT_EQ(s.Language, "German");
}

class VersionCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        wb::Setup = SetupState{};
        CreateLanguageTable();
        dir_ = FreshTestDir("wb-version-");
        source_ = Write("new.dll", "new contents");
        dest_ = (dir_ / "current.dll").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static FileVersionInfo Info(uint64_t fixed, const std::string& text = "",
                                const std::string& description = "",
                                const std::string& language = "") {
        FileVersionInfo info;
        info.FixedVersion = fixed;
        info.HasFixedVersion = true;
        info.FileVersion = text;
        info.Description = description;
        info.Language = language;
        return info;
    }
    static uint64_t V(unsigned a, unsigned b, unsigned c, unsigned d) {
        return (uint64_t(a) << 48) | (uint64_t(b) << 32) | (uint64_t(c) << 16) | d;
    }

    fs::path dir_;
    std::string source_, dest_;
};

TEST_F(VersionCheckTest, QuietDecisionTable) {
    FileVersionInfo none;
    struct Case {
        FileVersionInfo New, Current;
        bool Replace;
        const char* Why;
    } cases[] = {
        {Info(V(2, 0, 0, 0)), Info(V(1, 9, 9, 9)), true, "higher major"},
        {Info(V(1, 0, 0, 2)), Info(V(1, 0, 0, 1)), true, "higher revision"},
        {Info(V(1, 0, 0, 1)), Info(V(1, 0, 0, 2)), false, "lower revision"},
        {Info(V(1, 2, 0, 0)), Info(V(1, 2, 0, 0)), false, "equal"},
        {Info(V(0, 0, 0, 1)), none, true, "current has none"},
        {none, Info(V(0, 0, 0, 0)), false, "new has none"},
        {none, none, false, "neither has one"},
    };
    for (const Case& c : cases) EXPECT_EQ(QuietReplaceDecision(c.New, c.Current), c.Replace) << c.Why;
}

TEST_F(VersionCheckTest, MissingDestinationIsCopiedWithoutAsking) {
    for (uint8_t quiet : {0, 1}) {
        wb::Setup.QuietMode = quiet;
        fs::remove(dest_);
        EXPECT_EQ(CopyWithVersionCheck(source_, dest_), 1);
        EXPECT_EQ(Read(dest_), "new contents");
    }
    EXPECT_EQ(fake::WindowOpenCount(), 0);
    // A file copied onto itself stays whole.
    EXPECT_FALSE(FileCopy(source_.c_str(), source_.c_str()));
    EXPECT_EQ(Read(source_), "new contents");
    // A copy that fails is not reported.
    EXPECT_EQ(CopyWithVersionCheck((dir_ / "absent.dll").string(),
                                   (dir_ / "nofolder" / "x.dll").string()),
              1);
}

TEST_F(VersionCheckTest, QuietRunReplacesOnlyAHigherVersionAndOpensNoWindow) {
    wb::Setup.QuietMode = 1;
    Write("current.dll", "old contents");
    fake::VersionSetInfo(source_, Info(V(1, 0, 0, 0)));
    fake::VersionSetInfo(dest_, Info(V(1, 0, 0, 1)));
    EXPECT_EQ(CopyWithVersionCheck(source_, dest_), 0);
    EXPECT_EQ(Read(dest_), "old contents");

    fake::VersionSetInfo(source_, Info(V(1, 0, 1, 0)));
    EXPECT_EQ(CopyWithVersionCheck(source_, dest_), 1);
    EXPECT_EQ(Read(dest_), "new contents");
    EXPECT_EQ(fake::WindowOpenCount(), 0);
}

TEST_F(VersionCheckTest, SummaryOfAFileAndOfNothing) {
    fake::VersionSetInfo(source_, Info(V(1, 0, 0, 0), "1.0 beta", "A tool", "English"));
    EXPECT_EQ(ReadVersionInfo(source_), "1.0 beta|A tool|English");
    // The string value, not the fixed number, is what the dialog shows.
    fake::VersionSetInfo(source_, Info(V(3, 0, 0, 0), "", "A tool", "English"));
    EXPECT_EQ(ReadVersionInfo(source_), "|A tool|English");
    // Missing and empty files are not even asked about.
    int reads = fake::VersionReadCount();
    std::string empty = Write("empty.dll", "");
    fake::VersionSetInfo(empty, Info(V(1, 0, 0, 0), "1", "d", "l"));
    EXPECT_EQ(ReadVersionInfo(empty), "||");
    EXPECT_EQ(ReadVersionInfo((dir_ / "missing.dll").string()), "||");
    EXPECT_EQ(ReadVersionInfo(dir_.string()), "||");
    EXPECT_EQ(fake::VersionReadCount(), reads);
}

TEST(CopyFileColumnTest, EmptyFieldsShowCreationTimeAndNotAvailable) {
    fake::ResetAll();
    wb::Setup = SetupState{};
    CreateLanguageTable();
    VersionColumn c = MakeVersionColumn({"", "", ""}, "2020-01-02  03:04");
    EXPECT_EQ(c.Version, "2020-01-02  03:04");
    EXPECT_EQ(c.Language, "--- not available ---");
    EXPECT_EQ(c.Description, "--- not available ---");
    c = MakeVersionColumn({"1.0", "Desc", "Lang"}, "2020-01-02  03:04");
    EXPECT_EQ(c.Version, "1.0");
    EXPECT_EQ(c.Language, "Lang");
    EXPECT_EQ(c.Description, "Desc");
    EXPECT_EQ(MakeVersionColumn({}, "").Version, "--- not available ---");
    EXPECT_EQ(CopyFileDialogTitle("C:\\Windows\\System32\\x.dll"), " Copy File  'x.dll'");
    EXPECT_EQ(CopyFileDialogTitle("plain.dll"), " Copy File  'plain.dll'");
    EXPECT_EQ(CopyFileDialogTitle("a/b/c.ocx"), " Copy File  'c.ocx'");
}

// What the dialog showed while it waited, taken by the wait callback.
struct Seen {
    bool Open = false;
    bool Shown = false;
    std::string Title;
    std::map<int, std::string> Texts;
    std::map<int, ControlKind> Kinds;
    int Control49Font = 0;
    int Waits = 0;
} g_seen;

void LookAtDialog() {
    ++g_seen.Waits;
    if (g_seen.Waits > 1) return;
    g_seen.Open = WindowIsOpen(kCopyFileWindow);
    const fake::FakeWindowRecord* w = fake::WindowRecord(kCopyFileWindow);
    g_seen.Shown = w && w->Shown;
    g_seen.Title = GetWindowTitle(kCopyFileWindow);
    for (int n = 42; n <= 58; ++n) {
        if (const fake::FakeControl* c = fake::WindowControl(n)) {
            g_seen.Texts[n] = c->Text;
            g_seen.Kinds[n] = c->Kind;
            EXPECT_EQ(c->Window, kCopyFileWindow) << n;
        }
    }
    if (const fake::FakeControl* c = fake::WindowControl(49)) g_seen.Control49Font = c->Font;
}

TEST_F(VersionCheckTest, DialogShowsBothFilesAndYesReplaces) {
    g_seen = Seen{};
    Write("current.dll", "old contents");
    fake::VersionSetInfo(source_, Info(V(2, 0, 0, 0), "2.0", "New build", "German"));
    fake::VersionSetInfo(dest_, Info(V(1, 0, 0, 0), "", "", ""));
    fake::WindowOnWait(LookAtDialog);
    // Presses elsewhere are swallowed before the answer.
    fake::WindowQueueEvent({1, 6, EventKind::Command});
    fake::WindowQueueEvent({kCopyFileWindow, 0, EventKind::CloseRequest});
    fake::WindowQueueEvent({kCopyFileWindow, 49, EventKind::Command});
    fake::WindowQueueEvent({kCopyFileWindow, kCopyFileYes, EventKind::Command});
    EXPECT_EQ(CopyWithVersionCheck(source_, dest_), 1);
    EXPECT_EQ(Read(dest_), "new contents");
    EXPECT_EQ(g_seen.Waits, 4);
    EXPECT_FALSE(WindowIsOpen(kCopyFileWindow));

    ASSERT_TRUE(g_seen.Open);
    EXPECT_TRUE(g_seen.Shown);
    EXPECT_EQ(g_seen.Title, " Copy File  'new.dll'");
    const fake::FakeWindowRecord* w = fake::WindowRecord(kCopyFileWindow);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Width, 340);
    EXPECT_EQ(w->Height, 236);
    EXPECT_EQ(w->Placement, WindowPlacement::CentreOnActive);
    EXPECT_EQ(w->X, 201);
    EXPECT_EQ(w->Y, 130);

    ASSERT_EQ(g_seen.Texts.size(), 17u);
    EXPECT_EQ(g_seen.Texts[42], "Current File Version");
    EXPECT_EQ(g_seen.Texts[50], "New File Version");
    EXPECT_EQ(g_seen.Kinds[42], ControlKind::Frame);
    EXPECT_EQ(g_seen.Kinds[50], ControlKind::Frame);
    for (int n : {43, 51}) EXPECT_EQ(g_seen.Texts[n], "Version:");
    for (int n : {44, 52}) EXPECT_EQ(g_seen.Texts[n], "Language:");
    for (int n : {45, 53}) EXPECT_EQ(g_seen.Texts[n], "Description:");
    EXPECT_EQ(g_seen.Texts[49], "Replace the current file with this file version?");
    // The current file has no version text: its creation time stands in.
    EXPECT_EQ(g_seen.Texts[46].size(), 17u) << g_seen.Texts[46];
    EXPECT_EQ(g_seen.Texts[46].substr(10, 2), "  ");
    EXPECT_EQ(g_seen.Texts[47], "--- not available ---");
    EXPECT_EQ(g_seen.Texts[48], "--- not available ---");
    EXPECT_EQ(g_seen.Texts[54], "2.0");
    EXPECT_EQ(g_seen.Texts[55], "German");
    EXPECT_EQ(g_seen.Texts[56], "New build");
    EXPECT_EQ(g_seen.Texts[57], "Yes");
    EXPECT_EQ(g_seen.Texts[58], "No");
    EXPECT_EQ(g_seen.Kinds[57], ControlKind::Button);
    EXPECT_EQ(g_seen.Kinds[58], ControlKind::Button);
    const fake::FakeFont* f = fake::WindowFont(g_seen.Control49Font);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Face, "Arial");
    EXPECT_EQ(f->Points, 8);
    EXPECT_EQ(f->Weight, 700);
}

TEST_F(VersionCheckTest, NoKeepsTheCurrentFile) {
    Write("current.dll", "old contents");
    fake::WindowQueueEvent({kCopyFileWindow, kCopyFileNo, EventKind::Command});
    EXPECT_EQ(CopyWithVersionCheck(source_, dest_), 0);
    EXPECT_EQ(Read(dest_), "old contents");
    EXPECT_EQ(fake::WindowCloseCount(), 1);
}

TEST_F(VersionCheckTest, NoWindowOrAnEndedLoopKeepsTheCurrentFile) {
    Write("current.dll", "old contents");
    fake::WindowFailNextOpen();
    EXPECT_EQ(CopyWithVersionCheck(source_, dest_), 0);
    EXPECT_EQ(Read(dest_), "old contents");
    // An empty event queue is a quit request: the question ends unanswered.
    EXPECT_EQ(AskReplaceFile(source_, dest_), 0);
    EXPECT_EQ(Read(dest_), "old contents");
    EXPECT_FALSE(WindowIsOpen(kCopyFileWindow));
}

TEST_F(VersionCheckTest, LanguageFileTextsReachTheDialog) {
    Write("current.dll", "old contents");
    std::string lang = Write("de.lng",
                             "[FileVersion]\nWindow=Datei kopieren\nNotAvailable=---\n"
                             "[Buttons]\nYes=Ja\nNo=Nein\n");
    LoadLanguageTable(lang);
    static std::string title, yes, language;
    fake::WindowOnWait([] {
        title = GetWindowTitle(kCopyFileWindow);
        yes = GetControlText(kCopyFileYes);
        language = GetControlText(55);
    });
    fake::WindowQueueEvent({kCopyFileWindow, kCopyFileNo, EventKind::Command});
    EXPECT_EQ(AskReplaceFile(source_, dest_), 0);
    EXPECT_EQ(title, " Datei kopieren  'new.dll'");
    EXPECT_EQ(yes, "Ja");
    EXPECT_EQ(language, "---");
}

}  // namespace
}  // namespace wb
