// The Language table: built-in English texts with title and version, language files
// that define only some texts, and the line-break rule of the two page titles.
#include <gtest/gtest.h>

#include "unit/test_support.h"
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "config/language_table.h"
#include "state/setup_state.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

class LanguageTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_lang_");
        wb::Setup = SetupState{};
        wb::Setup.Titel = "Tool";
        wb::Setup.Version = "1.5";
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        fs::remove_all(dir_);
    }
    std::string Write(const std::string& text, const char* name = "lang.lng") const {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    fs::path dir_;
};

TEST_F(LanguageTableTest, BuiltInTextsWithTitleAndVersion) {
    LoadLanguageTable((dir_ / "missing.lng").string());
    ASSERT_EQ(wb::Setup.Language.Texts.size(), kLanguageRowCount);
    EXPECT_EQ(LangText("Install", "Window"), "Install 'Tool'");
    EXPECT_EQ(LangText("Install", "Msg4"), "Program will start right after Wendlebox has been closed");
    EXPECT_EQ(LangText("Page01", "Titel"), "Welcome to the installation of\n'Tool'");
    EXPECT_EQ(LangText("Page01", "Msg1"), "Wendlebox will now install 'Tool' version 1.5 on your computer.");
    EXPECT_EQ(LangText("Page02", "Titel"), "Licence Agreement");
    EXPECT_EQ(LangText("Page03", "Msg"), "Installation Directory, StartMenu Folder and Desktop Icon");
    EXPECT_EQ(LangText("Page03", "NoStartMenu"), "Create no startmenu entry.");
    EXPECT_EQ(LangText("Page05", "Titel1"), "Installation of\n'Tool'");
    EXPECT_EQ(LangText("Page05", "Install"), "Install Program 'Tool'");
    EXPECT_EQ(LangText("Requester", "RQ4_Msg"), "Close Program 'Tool' first!");
    EXPECT_EQ(LangText("Requester", "RQ5_Msg"),
              "Associate File Extension '$Extension' with the program?");
    EXPECT_EQ(LangText("FileVersion", "NotAvailable"), "--- not available ---");
    EXPECT_EQ(LangText("Buttons", "Finish"), "Exit");
    EXPECT_EQ(LangText("Uninstaller", "Titel"), "uninstall Program");
    EXPECT_EQ(LangText("Uninstaller", "Msg"), "Program files And registry entries will be removed.");
    EXPECT_EQ(LangText("Uninstaller", "DelAll"),
              "Delete all(!) files in the directory (including user files).");
    EXPECT_EQ(LangText(LangId::UninstallerReady), "Ready");
}

TEST_F(LanguageTableTest, EveryRowIsReachableByItsGroupAndKey) {
    LoadLanguageTable(dir_.string());  // a folder: nothing to read
    std::set<std::string> seen;
    for (size_t row = 0; row < kLanguageRowCount; ++row) {
        const char* group = LanguageRowGroup(LangId(row));
        const char* key = LanguageRowKey(LangId(row));
        EXPECT_TRUE(seen.insert(std::string(group) + "/" + key).second) << group << " " << key;
        EXPECT_EQ(&LangText(group, key), &LangText(LangId(row))) << group << " " << key;
        EXPECT_FALSE(LangText(LangId(row)).empty()) << group << " " << key;
    }
    EXPECT_EQ(&LangText("buttons", "NEXT"), &LangText(LangId::ButtonsNext));
    EXPECT_EQ(LangText("Buttons", "Nope"), "");
    EXPECT_EQ(LangText("Page06", "Titel"), "");
}

TEST_F(LanguageTableTest, EmptyVersionLeavesTheGap) {
    wb::Setup.Version = "";
    LoadLanguageTable("");
    EXPECT_EQ(LangText(LangId::Page01Msg1),
              "Wendlebox will now install 'Tool' version  on your computer.");
}

TEST_F(LanguageTableTest, TextsBeforeTheTableExistAreEmpty) {
    EXPECT_EQ(LangText(LangId::ButtonsNext), "");
    CreateLanguageTable();
    EXPECT_EQ(LangText(LangId::ButtonsNext), "Next");
    EXPECT_EQ(LangText(LangId::InstallWindow), "Install 'Tool'");
}

TEST_F(LanguageTableTest, FileWithOnlyButtonsChangesOnlyButtons) {
    std::string path = Write("[Buttons]\nNext = Weiter\nBack = Zur\xFC" "ck\nFinish =\n");
    LoadLanguageTable(path);
    EXPECT_EQ(LangText("Buttons", "Next"), "Weiter");
    EXPECT_EQ(LangText("Buttons", "Back"), "Zur\xFC" "ck");
    EXPECT_EQ(LangText("Buttons", "Finish"), "");  // present but empty
    EXPECT_EQ(LangText("Buttons", "Cancel"), "Cancel");
    EXPECT_EQ(LangText("Page02", "Titel"), "Licence Agreement");
    EXPECT_EQ(LangText("Page01", "Titel"), "Welcome to the installation of\n'Tool'");
}

TEST_F(LanguageTableTest, LineBreaksOnlyInThePageTitles) {
    std::string path = Write(
        "[Page01]\nTitel = Willkommen|zur Installation|von $Titel\n"
        "Msg2 = a|b\n"
        "[Page05]\nTitel1 = |x|\nTitel2 = y|z\n"
        "[Requester]\nRQ4_Msg = Bitte '$Titel' beenden!\n");
    LoadLanguageTable(path);
    EXPECT_EQ(LangText("Page01", "Titel"), "Willkommen\nzur Installation\nvon $Titel");
    EXPECT_EQ(LangText("Page01", "Msg2"), "a|b");
    EXPECT_EQ(LangText("Page05", "Titel1"), "\nx\n");
    EXPECT_EQ(LangText("Page05", "Titel2"), "y|z");
    // Placeholders are left for the code that shows the text.
    EXPECT_EQ(LangText("Requester", "RQ4_Msg"), "Bitte '$Titel' beenden!");
    EXPECT_EQ(LangText("Requester", "RQ5_Msg"),
              "Associate File Extension '$Extension' with the program?");
}

TEST_F(LanguageTableTest, Utf8LanguageFile) {
    std::string path = Write("\xEF\xBB\xBF[Page04]\nTitel = Informa\xC3\xA7\xC3\xA3o\n"
                             "Msg = \xD0\x9F\xD1\x80\xD0\xB8\n");
    LoadLanguageTable(path);
    EXPECT_EQ(LangText("Page04", "Titel"), "Informa\xE7\xE3o");
    EXPECT_EQ(LangText("Page04", "Msg"), "");  // beyond Latin-1
}

TEST_F(LanguageTableTest, LoadingLeavesTheFileAlone) {
    const std::string text = "[Buttons]\nNext=Weiter\n\n";
    std::string path = Write(text);
    LoadLanguageTable(path);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text);
}

}  // namespace
}  // namespace wb
