// The Start-menu folder chooser: finding a field's folder in the tree, the selected
// item's path, collecting the folders of both roots, completing the answer, and the
// chooser window answered with a pick, with Apply on nothing and with its close box.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "platform/posix/host_window.h"
#include "ui/start_menu_chooser.h"
#include "unit/test_support.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

// Acme, Acme\Tools, Acme\Tools\Old, Acme\Zip, Games
FolderTree SampleTree() {
    return TreeFromFolders({"Acme", "Acme\\Tools", "Acme\\Tools\\Old", "Acme\\Zip", "Games"});
}

TEST(StartMenuTree, FindTreeItemMatchesTheLongestLeadingPart) {
    FolderTree t = SampleTree();
    EXPECT_EQ(FindTreeItem(t, "Acme"), 0);
    EXPECT_EQ(FindTreeItem(t, "Acme\\Tools\\Old"), 2);
    EXPECT_EQ(FindTreeItem(t, "Acme\\Zip"), 3);
    EXPECT_EQ(FindTreeItem(t, "Games"), 4);
    EXPECT_EQ(FindTreeItem(t, "Acme\\Missing"), 0) << "the deepest matching ancestor";
    EXPECT_EQ(FindTreeItem(t, "Acme\\Tools\\New\\X"), 1);
    EXPECT_EQ(FindTreeItem(t, "Nothing"), -1);
    EXPECT_EQ(FindTreeItem(t, "acme"), -1) << "names compare with letter case";
    EXPECT_EQ(FindTreeItem(t, ""), -1);
    // A later top-level folder is not searched once the matching branch has ended.
    EXPECT_EQ(FindTreeItem(t, "Old"), -1);
    EXPECT_EQ(FindTreeItem(FolderTree{}, "Acme"), -1);
}

TEST(StartMenuTree, GetTreePathWalksUpToTheRoot) {
    FolderTree t = SampleTree();
    t.Selected = 2;
    EXPECT_EQ(GetTreePath(t), "Acme\\Tools\\Old");
    t.Selected = 3;
    EXPECT_EQ(GetTreePath(t), "Acme\\Zip");
    t.Selected = 4;
    EXPECT_EQ(GetTreePath(t), "Games");
    t.Selected = -1;
    EXPECT_EQ(GetTreePath(t), "");
    t.Selected = 99;
    EXPECT_EQ(GetTreePath(t), "");
    for (int i = 0; i < 5; ++i) {
        t.Selected = i;
        EXPECT_EQ(FindTreeItem(t, GetTreePath(t)), i) << i;
    }
}

TEST(StartMenuTree, CompletionAppendsTheDefaultsLeaf) {
    EXPECT_EQ(CompleteStartMenuChoice("Acme", "Vendor\\Tool"), "Acme\\Tool");
    EXPECT_EQ(CompleteStartMenuChoice("Acme\\Tool", "Vendor\\Tool"), "Acme\\Tool");
    EXPECT_EQ(CompleteStartMenuChoice("Acme\\", "Tool"), "Acme\\Tool");
    EXPECT_EQ(CompleteStartMenuChoice("Acme\\tool", "Tool"), "Acme\\tool\\Tool");
    EXPECT_EQ(CompleteStartMenuChoice("", "Tool"), "");
    EXPECT_EQ(CompleteStartMenuChoice("Acme", ""), "Acme");
}

class StartMenuChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_smc_");
        fake::ResetAll();
        HostWindowReset();
        CreateLanguageTable();
        fs::create_directories(dir_ / "user" / "Acme" / "Tools");
        fs::create_directories(dir_ / "user" / "games");
        fs::create_directories(dir_ / "common" / "Acme");
        fs::create_directories(dir_ / "common" / "Games");
        fs::create_directories(dir_ / "common" / "Zeta");
        std::ofstream((dir_ / "common" / "file.lnk").string()) << "not a folder";
        fake::ShellSetFolder(2, (dir_ / "user").string());
        fake::ShellSetFolder(23, (dir_ / "common").string());
        // The wizard with its Start-menu folder field.
        ASSERT_TRUE(OpenWindow(1, "wizard", 0, 0, 500, 360, WindowPlacement::CentreOnScreen));
        ASSERT_TRUE(AddControl(1, 22, ControlKind::Text, 0, 0, 10, 10, "Acme\\Missing"));
    }
    void TearDown() override {
        fake::ResetAll();
        HostWindowReset();
        fs::remove_all(dir_);
    }
    fs::path dir_;
};

TEST_F(StartMenuChooserTest, CollectsBothRootsOnceEachSortedWithoutCase) {
    std::vector<std::string> list;
    CollectStartMenuFolders(list);
    // "Acme" is in both roots; "games" and "Games" differ in letter case, so both stay.
    EXPECT_EQ(list, (std::vector<std::string>{"Acme", "Acme\\Tools", "games", "Games", "Zeta"}));
}

int g_pick = -1;
void Pick() {
    const fake::FakeTree* t = fake::TreeControl(38);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->Focused);
    EXPECT_EQ(t->Selected, 0) << "Acme\\Missing preselects Acme";
    fake::TreeSetSelected(38, g_pick);
    fake::WindowQueueEvent({1, 20, EventKind::Command});  // a wizard click: ignored
    fake::WindowQueueEvent({2, 39, EventKind::Command});
    fake::WindowOnWait(nullptr);
}

TEST_F(StartMenuChooserTest, ApplyReturnsThePickedPath) {
    g_pick = 1;
    fake::WindowOnWait(Pick);
    std::string chosen = ChooseStartMenuFolder();
    const fake::FakeWindowRecord* w = fake::WindowRecord(2);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Title, " Select Directory");
    EXPECT_EQ(w->Width, 220);
    EXPECT_EQ(w->Height, 300);
    EXPECT_EQ(w->Owner, 1);
    EXPECT_FALSE(WindowIsOpen(2));
    const fake::FakeTree* t = fake::TreeControl(38);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->Items.size(), 5u);
    EXPECT_EQ(t->Items[1].Text, "Tools");
    EXPECT_EQ(t->Items[1].Level, 1);
    EXPECT_EQ(chosen, "Acme\\Tools");
    EXPECT_TRUE(HostMessageBoxes().empty());
}

TEST_F(StartMenuChooserTest, ApplyWithNothingSelectedWarnsAndKeepsTheField) {
    SetControlText(22, "Nowhere\\Tool");
    struct Apply {
        static void Now() {
            EXPECT_EQ(fake::TreeControl(38)->Selected, -1);
            fake::WindowQueueEvent({2, 39, EventKind::Command});
            fake::WindowOnWait(nullptr);
        }
    };
    fake::WindowOnWait(Apply::Now);
    EXPECT_EQ(ChooseStartMenuFolder(), "Nowhere\\Tool");
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_EQ(HostMessageBoxes()[0].Caption, " Select Start Menu Folder");
    EXPECT_EQ(HostMessageBoxes()[0].Text, "No valid start menu folder.");
    EXPECT_EQ(HostMessageBoxes()[0].Type, 0x10u);
}

TEST_F(StartMenuChooserTest, CloseBoxOrNoWindowGivesNothing) {
    fake::WindowQueueEvent({2, 0, EventKind::CloseRequest});
    EXPECT_EQ(ChooseStartMenuFolder(), "");
    EXPECT_FALSE(WindowIsOpen(2));
    fake::TreeSetUnavailable(true);
    fake::WindowQueueEvent({2, 39, EventKind::Command});
    EXPECT_EQ(ChooseStartMenuFolder(), "");
    EXPECT_TRUE(HostMessageBoxes().empty());
}

}  // namespace
}  // namespace wb
