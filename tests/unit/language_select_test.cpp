// Language selection: matching the user's language, the single-entry and empty-list
// rules, and the chooser's list for long lists.
#include <gtest/gtest.h>

#include "unit/test_support.h"
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "startup/language_select.h"
#include "state/setup_state.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

class LanguageSelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_lsel_");
        fake::ResetAll();
        wb::Setup = SetupState{};
        wb::Setup.TempDir = dir_.string() + "/";
        wb::Setup.Titel = "Tool";
        std::ofstream(dir_ / "Deutsch.lng", std::ios::binary) << "[Buttons]\nNext = Weiter\n";
        std::ofstream(dir_ / "English.lng", std::ios::binary) << "[Buttons]\nNext = Onward\n";
        std::ofstream(dir_ / "Fran.lng", std::ios::binary) << "[Buttons]\nNext = Suivant\n";
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        fake::ResetAll();
        fs::remove_all(dir_);
    }
    // Selects from `list` for a user of `languageId`; returns the Next button's text.
    std::string Select(const std::string& list, uint16_t languageId) {
        fake::SystemSetLanguage(languageId);
        wb::Setup.LanguageList = list;
        wb::Setup.LanguageFile = "stale";
        SelectLanguage();
        return LangText(LangId::ButtonsNext);
    }
    fs::path dir_;
};

TEST_F(LanguageSelectTest, UserLanguageMatchesByItsLowNineBits) {
    fake::SystemSetLanguage(0x0C07);  // German (Austria)
    EXPECT_EQ(FindLanguageFile("English.lng#9|Deutsch.lng#7|"), "Deutsch.lng");
    fake::SystemSetLanguage(0x0409);
    EXPECT_EQ(FindLanguageFile("English.lng#9|Deutsch.lng#7|"), "English.lng");
    fake::SystemSetLanguage(0x040C);
    EXPECT_EQ(FindLanguageFile("English.lng#9|Deutsch.lng#7|"), "");
    // Bit 8 is part of the compared number; a sublanguage in bits 10..15 is not.
    fake::SystemSetLanguage(0x0107);
    EXPECT_EQ(FindLanguageFile("A.lng#263|B.lng#7|"), "A.lng");
}

TEST_F(LanguageSelectTest, EntryParsing) {
    fake::SystemSetLanguage(0x0407);
    EXPECT_EQ(FindLanguageFile("A.lng#7|B.lng#7|"), "B.lng");          // last match wins
    EXPECT_EQ(FindLanguageFile("A.lng#7|B.lng#9|C.lng#7"), "A.lng");   // unclosed last entry
    EXPECT_EQ(FindLanguageFile("A.lng# 7x|B.lng#9|"), "A.lng");        // blanks, trailing text
    EXPECT_EQ(FindLanguageFile("A.lng#seven|B.lng#07|"), "B.lng");
    fake::SystemSetLanguage(0x0400);
    EXPECT_EQ(FindLanguageFile("A.lng#seven|B.lng|"), "B.lng");  // no number compares as 0
    EXPECT_EQ(CountLanguageEntries("a|b|c"), 2);
    EXPECT_EQ(ListField("a#1|b#2|", '|', 2), "b#2");
    EXPECT_EQ(ListField("a#1|b#2|", '|', 3), "");
    EXPECT_EQ(ListField("a#1|b#2|", '|', 4), "");
    EXPECT_EQ(ListField("abc", '#', 2), "");
}

TEST_F(LanguageSelectTest, MatchingFileIsLoadedAndRemembered) {
    EXPECT_EQ(Select("Deutsch.lng#7|English.lng#9|", 0x0407), "Weiter");
    EXPECT_EQ(wb::Setup.LanguageFile, "Deutsch.lng");
    EXPECT_EQ(Select("Deutsch.lng#7|English.lng#9|", 0x0809), "Onward");
    EXPECT_EQ(wb::Setup.LanguageFile, "English.lng");
}

TEST_F(LanguageSelectTest, NoMatchWithoutChooserKeepsTheBuiltInTexts) {
    EXPECT_EQ(Select("Deutsch.lng#7|English.lng#9|", 0x040C), "Next");
    EXPECT_EQ(wb::Setup.LanguageFile, "");
    EXPECT_EQ(Select("Deutsch.lng#7|English.lng#9|Fran.lng#12", 0x040C), "Next");
}

TEST_F(LanguageSelectTest, SingleEntryIsLoadedWhateverTheLanguage) {
    EXPECT_EQ(Select("English.lng#9|", 0x0407), "Onward");
    // A single entry never touches the remembered match.
    EXPECT_EQ(wb::Setup.LanguageFile, "stale");
    EXPECT_EQ(Select("Fran.lng", 0x0407), "Suivant");
    EXPECT_EQ(Select("Fran.lng|", 0x0407), "Suivant");
    EXPECT_EQ(Select("Deutsch.lng#7", 0x0409), "Weiter");
    EXPECT_EQ(Select("", 0x0409), "Next");
    EXPECT_EQ(Select("Missing.lng#9|", 0x0409), "Next");
}

TEST_F(LanguageSelectTest, ChooserListForLongLists) {
    std::string list;
    for (int i = 0; i < 300; ++i) list += "Lang" + std::to_string(i) + ".v2.lng#" + std::to_string(i) + "|";
    list += "Unclosed.lng#1";
    std::vector<std::string> items = LanguageChooserItems(list);
    ASSERT_EQ(items.size(), 300u);
    EXPECT_EQ(items[0], " Lang0");
    EXPECT_EQ(items[299], " Lang299");
    // Indexes beyond what a signed byte holds still name their entries.
    EXPECT_EQ(LanguageChooserFile(list, 0), "Lang0.v2.lng");
    EXPECT_EQ(LanguageChooserFile(list, 128), "Lang128.v2.lng");
    EXPECT_EQ(LanguageChooserFile(list, 255), "Lang255.v2.lng");
    EXPECT_EQ(LanguageChooserFile(list, 299), "Lang299.v2.lng");
    EXPECT_EQ(LanguageChooserFile(list, 300), "");
    EXPECT_EQ(LanguageChooserFile(list, -1), "");
    EXPECT_EQ(LanguageChooserItems("Deutsch#7|English.lng#9|")[0], " Deutsch");
}

// The chooser answers from inside its own wait: the test looks at window 3 and picks.
int g_pick = 0;
void PickAndPressOk() {
    const fake::FakeControl* list = fake::WindowControl(40);
    if (!list) return;
    SelectListItem(40, g_pick);
    fake::WindowQueueEvent({1, 0, EventKind::Command});        // the wizard's: ignored
    fake::WindowQueueEvent({3, 41, EventKind::Command});
    fake::WindowOnWait(nullptr);
}

TEST_F(LanguageSelectTest, ChooserShowsTheEntriesAndLoadsThePick) {
    g_pick = 1;
    fake::WindowOnWait(PickAndPressOk);
    EXPECT_EQ(Select("Deutsch.lng#7|Fran.lng#12|", 0x0409), "Suivant");
    EXPECT_EQ(wb::Setup.LanguageFile, "") << "a chosen file is not a match";
    const fake::FakeWindowRecord* w = fake::WindowRecord(3);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Title, " Wendlebox");
    EXPECT_EQ(w->Width, 140);
    EXPECT_EQ(w->Height, 55);
    EXPECT_EQ(w->Placement, WindowPlacement::CentreOnScreen);
    EXPECT_TRUE(w->Shown);
    EXPECT_FALSE(WindowIsOpen(3));
}

TEST_F(LanguageSelectTest, ChooserItemsFirstSelectedAndOkTakesIt) {
    struct Seen {
        static void Look() {
            const fake::FakeControl* list = fake::WindowControl(40);
            const fake::FakeControl* ok = fake::WindowControl(41);
            ASSERT_NE(list, nullptr);
            ASSERT_NE(ok, nullptr);
            EXPECT_EQ(list->Kind, ControlKind::DropList);
            EXPECT_EQ(list->Items, (std::vector<std::string>{" Deutsch", " Fran"}));
            EXPECT_EQ(list->Selected, 0);
            EXPECT_EQ(ok->Text, "OK");
            EXPECT_EQ(ok->X, 40);
            EXPECT_EQ(ok->Y, 32);
            fake::WindowQueueEvent({3, 41, EventKind::Command});
            fake::WindowOnWait(nullptr);
        }
    };
    fake::WindowOnWait(Seen::Look);
    EXPECT_EQ(Select("Deutsch.lng#7|Fran.lng#12|", 0x0409), "Weiter");
}

TEST_F(LanguageSelectTest, ChooserClosedOrNotOpenedKeepsTheBuiltInTexts) {
    fake::WindowQueueEvent({3, 0, EventKind::CloseRequest});
    EXPECT_EQ(Select("Deutsch.lng#7|Fran.lng#12|", 0x0409), "Next");
    EXPECT_FALSE(WindowIsOpen(3));
    fake::WindowFailNextOpen();
    fake::WindowQueueEvent({3, 41, EventKind::Command});
    EXPECT_EQ(Select("Deutsch.lng#7|Fran.lng#12|", 0x0409), "Next");
}

}  // namespace
}  // namespace wb
