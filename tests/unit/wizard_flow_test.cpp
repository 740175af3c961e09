// The wizard's pages and page flow against the fake window layer: the build, the
// filling of the pages, Next and Back with the licence and readme skips, the folder
// fields, the bottom buttons, and the rows the installation writes.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <filesystem>
#include <fstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "platform/posix/host_window.h"
#include "state/setup_state.h"
#include "startup/wizard_flow.h"
#include "install/install_wizard.h"
#include "ui/wizard_controls.h"
#include "ui/wizard_window.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

const char* kIni =
    "[Info]\r\nTitel = Tool\r\nVersion = 2.0\r\nGUID = {G}\r\nWeb = http://example.test/\r\n"
    "Author = Ann\r\nEMail = ann@example.test\r\nDate = 2024-05-01\r\n"
    "[Settings]\r\nProgExe = Tool.exe\r\nDefaultDir = C:\\Apps\\MyProg\r\n"
    "[StartMenue]\r\nDefaultDir = Vendor\\Tool\r\n"
    "[Task]\r\nStartMenu = 1\r\nDesktop = 1\r\nStartProg = 1\r\n";

class WizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        HostWindowReset();
        wb::Setup = SetupState{};
        root_ = FreshTestDir("wb-wizard-");
        wb::Setup.TempDir = root_.string() + "/";
        wb::Setup.SetupIni = wb::Setup.TempDir + "setup.ini";
        wb::Setup.Titel = "Tool";
        wb::Setup.Version = "2.0";
        wb::Setup.GUID = "{G}";
        wb::Setup.PrgSize = "3 MB";
        wb::Setup.Page = 1;
        CreateLanguageTable();
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(root_ / name, std::ios::binary) << text;
    }
    // Builds and fills the wizard over `ini`, with the optional licence and readme texts.
    void Start(const std::string& ini = kIni) {
        Write("setup.ini", ini);
        wb::Setup.ProgExe = ini.find("Tool.exe") != std::string::npos ? "Tool.exe" : "Tool.EXE";
        ASSERT_TRUE(BuildWizardWindow("Tool 2.0"));
        FillWizardPages();
    }
    static bool Shown(int n) {
        const fake::FakeControl* c = fake::WindowControl(n);
        return c && c->Visible;
    }
    static bool Enabled(int n) { return fake::WindowControl(n)->Enabled; }
    static void Press(int n) { HandleWizardEvent({kWizardWindow, n, EventKind::Command}); }
    static void Leave(int n) { HandleWizardEvent({kWizardWindow, n, EventKind::FocusLost}); }
    static std::string Text(int n) { return fake::WindowControl(n)->Text; }

    static bool RegistryHas(const std::string& name, const std::string& text) {
        std::string bytes;
        return fake::RegistryGetBytes(RegRoot::CurrentUser, "SOFTWARE\\Wendlebox\\{G}", name,
                                      bytes) &&
               bytes == text + std::string(1, '\0');
    }

    fs::path root_;
};

TEST_F(WizardTest, BuildsTheWindowWithEveryControlInPlace) {
    Start();
    const fake::FakeWindowRecord* w = fake::WindowRecord(kWizardWindow);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Title, " Tool 2.0");
    EXPECT_EQ(w->Width, 480);
    EXPECT_EQ(w->Height, 335);
    EXPECT_EQ(w->Placement, WindowPlacement::CentreOnScreen);
    EXPECT_TRUE(w->Shown);

    // Build order: the options 14 before 15 (14 opens the group), buttons last.
    std::vector<int> order = fake::WindowControlOrder();
    std::vector<int> expected = {26, 27, 28, 30, 1,  17, 2,  3,  12, 13, 14, 15, 16, 18, 19, 20,
                                 21, 22, 23, 24, 25, 38, 39, 10, 11, 31, 32, 33, 34, 36, 35, 37,
                                 4,  5,  6,  8,  7,  9};
    EXPECT_EQ(order, expected);

    const fake::FakeControl* licence = fake::WindowControl(kLicencePanel);
    EXPECT_EQ(licence->Style & kStyleEdge, kStyleEdge);
    const fake::FakeControl* accept = fake::WindowControl(kAcceptOption);
    EXPECT_EQ(accept->Panel, kLicencePanel);
    EXPECT_EQ(accept->Kind, ControlKind::Option);
    EXPECT_EQ(accept->Y, 208);
    const fake::FakeFont* f3 = fake::WindowFont(accept->Font);
    ASSERT_NE(f3, nullptr);
    EXPECT_EQ(f3->Face, "Arial");
    EXPECT_EQ(f3->Points, 9);
    EXPECT_EQ(f3->Weight, 400);
    const fake::FakeFont* f6 = fake::WindowFont(fake::WindowControl(kInstallButton)->Font);
    EXPECT_EQ(f6->Face, "MS Sans Serif");
    EXPECT_EQ(f6->Weight, 700);
    EXPECT_EQ(fake::WindowControl(kProgDirField)->Panel, kSettingsPanel);
    EXPECT_EQ(fake::WindowControl(kNextButton)->Panel, 0);
    EXPECT_EQ(Text(kBackButton), "< Back");
    EXPECT_EQ(Text(kNextButton), "Next >");
    EXPECT_EQ(Text(kExitButton), "Exit");
    EXPECT_EQ(Text(kWelcomeText),
              LangText("Page01", "Msg1") + "\n\n" + LangText("Page01", "Msg2") + "\n\n" +
                  LangText("Page01", "Msg3"));

    // White parts and the run-program box's colour entry.
    EXPECT_EQ(fake::WindowControl(kWelcomeTitle)->Background, 0xFFFFFF);
    EXPECT_TRUE(fake::WindowControl(kRunProgramBox)->Coloured);
    EXPECT_EQ(fake::WindowControl(kRunProgramBox)->Background, 0xFFFFFF);
    EXPECT_FALSE(fake::WindowControl(kSettingsPanel)->Coloured);
    EXPECT_EQ(fake::WindowControl(kHomepageLink)->HoverColour, 0x804000u);

    // Page 1 as it starts.
    for (int n : {1, 10, 12, 16, 31, 36, 5, 8, 37, 9}) EXPECT_FALSE(Shown(n)) << n;
    for (int n : {26, 30, 4, 6, 7}) EXPECT_TRUE(Shown(n)) << n;
    ASSERT_EQ(fake::WindowSeparators().size(), 1u);
    EXPECT_EQ(fake::WindowSeparators()[0].Y, 300);
    EXPECT_EQ(fake::WindowSeparators()[0].W, 483);
}

TEST_F(WizardTest, CaptionWithoutVersionHasNoTrailingBlank) {
    ASSERT_TRUE(BuildWizardWindow("Tool"));
    EXPECT_EQ(fake::WindowRecord(kWizardWindow)->Title, " Tool");
}

TEST_F(WizardTest, FillsThePagesFromTheSetup) {
    Write("licence.rtf", "{\\rtf1 Licence}");
    Write("licence.txt", "plain");
    Start();
    EXPECT_EQ(fake::WindowControl(kLicenceViewer)->ViewerFile, wb::Setup.TempDir + "licence.rtf");
    EXPECT_EQ(GetControlState(kDeclineOption), 1);
    EXPECT_EQ(GetControlState(kAcceptOption), 0);
    EXPECT_EQ(Text(kHomepageLink), "http://example.test/");
    EXPECT_TRUE(Shown(kHomepageLink));
    EXPECT_EQ(Text(kProgDirField), "C:\\Apps\\MyProg");
    EXPECT_EQ(Text(kStartMenuField), "Vendor\\Tool");
    EXPECT_EQ(GetControlState(kDesktopIconBox), 1);
    EXPECT_EQ(Text(kInstallStatus), "Required disk space: 3 MB");
    EXPECT_EQ(wb::Setup.StartProg, 1);
}

TEST_F(WizardTest, FillingHidesWhatTheSetupDoesNotOffer) {
    // An upper-case extension is not "exe"; no homepage; no Start menu; a reboot.
    Start("[Info]\r\nTitel = Tool\r\n[Settings]\r\nProgExe = Tool.EXE\r\n"
          "DefaultDir = C:\\Apps\\MyProg\r\n[Task]\r\nStartMenu = 0\r\nDesktop = 1\r\n"
          "StartProg = 1\r\nReboot = 1\r\n");
    EXPECT_FALSE(Shown(kHomepageLink));
    EXPECT_FALSE(Shown(kDesktopIconBox));
    EXPECT_EQ(GetControlState(kDesktopIconBox), 1);  // hidden, but its state stands
    for (int n : {21, 22, 23, 24}) EXPECT_FALSE(Shown(n)) << n;
    EXPECT_EQ(wb::Setup.StartProg, 0);
    // A setup of one scope does not ask who it installs for.
    EXPECT_FALSE(Shown(kScopeAllUsers));
    EXPECT_FALSE(Shown(kScopeOnlyMe));
}

// A setup offering both scopes asks on the settings page; each choice proposes its own
// folder, and "for all users" without administrator rights hands the wizard over to an
// elevated copy of the setup on leaving the page.
class WizardScopeTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        wb::Setup.ScopeOffered = ScopeOffer::Both;
        wb::Setup.ScopeAsked = 1;
        wb::Setup.PerUser = 1;  // not elevated: the proposal is the current user
        fake::ScopeSetUserProgramFiles("C:\\Users\\ann\\AppData\\Local\\Programs");
        fake::SystemSetElevation(0);
        Start();
        while (wb::Setup.Page < 3) Press(kNextButton);
    }
    static void Choose(int option) {
        fake::WindowSetState(option, 1);
        Press(option);
    }
};

TEST_F(WizardScopeTest, EachChoiceProposesItsOwnFolder) {
    EXPECT_TRUE(Shown(kScopeAllUsers) && Shown(kScopeOnlyMe));
    EXPECT_TRUE(Enabled(kScopeAllUsers) && Enabled(kScopeOnlyMe));
    EXPECT_EQ(GetControlState(kScopeOnlyMe), 1);
    EXPECT_EQ(Text(kProgDirField), "C:\\Users\\ann\\AppData\\Local\\Programs\\MyProg");
    Choose(kScopeAllUsers);
    EXPECT_EQ(wb::Setup.PerUser, 0);
    EXPECT_EQ(Text(kProgDirField), "C:\\Apps\\MyProg");
    EXPECT_EQ(GetControlState(kScopeOnlyMe), 0);
    Choose(kScopeOnlyMe);
    EXPECT_EQ(wb::Setup.PerUser, 1);
    EXPECT_EQ(Text(kProgDirField), "C:\\Users\\ann\\AppData\\Local\\Programs\\MyProg");
    // Only for me needs nobody: Next goes on in this process.
    Press(kNextButton);
    EXPECT_EQ(wb::Setup.Page, 5);
    EXPECT_TRUE(fake::ScopeElevatedRuns().empty());
}

TEST_F(WizardScopeTest, ForAllUsersTheElevatedSetupTakesOverWithTheChoices) {
    fake::ProcessSetCommandLine("setup.exe /R:3");
    wb::Setup.SetupExe = "C:\\Downloads\\setup.exe";
    Choose(kScopeAllUsers);
    SetControlText(kProgDirField, "D:\\Tools\\MyProg");
    fake::ScopeSetElevatedRun(ElevatedRun::Ended, 0);
    Press(kNextButton);
    EXPECT_EQ(fake::ScopeElevatedRuns(),
              std::vector<std::string>{"C:\\Downloads\\setup.exe|/R:3 /ALLUSERS "
                                       "\"/P:D:\\Tools\\MyProg\" \"/S:Vendor\\Tool\""});
    EXPECT_EQ(wb::Setup.QuitLoop, 1) << "this wizard ends once the elevated one has";
    EXPECT_EQ(wb::Setup.Cancelled, 1) << "and runs no AfterWB.exe of its own";
    EXPECT_FALSE(fake::WindowRecord(kWizardWindow)->Shown);
}

TEST_F(WizardScopeTest, ADeclinedPromptKeepsTheSettingsPage) {
    Choose(kScopeAllUsers);
    fake::ScopeSetElevatedRun(ElevatedRun::Declined);
    Press(kNextButton);
    EXPECT_EQ(wb::Setup.Page, 3);
    EXPECT_EQ(wb::Setup.QuitLoop, 0);
    EXPECT_TRUE(fake::WindowRecord(kWizardWindow)->Shown);
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_NE(HostMessageBoxes()[0].Text.find("administrator"), std::string::npos);
    // Elevated, all users goes on in place.
    fake::SystemSetElevation(1);
    Press(kNextButton);
    EXPECT_EQ(wb::Setup.Page, 5);
    EXPECT_EQ(fake::ScopeElevatedRuns().size(), 1u);
}

TEST_F(WizardScopeTest, ASettledScopeIsShownButNotOffered) {
    wb::Setup.ScopeAsked = 0;
    wb::Setup.PerUser = 0;
    FillWizardPages();
    EXPECT_EQ(GetControlState(kScopeAllUsers), 1);
    EXPECT_FALSE(Enabled(kScopeAllUsers));
    EXPECT_FALSE(Enabled(kScopeOnlyMe));
}

TEST_F(WizardTest, RememberedDesktopChoiceWins) {
    fake::RegistrySetText(RegRoot::CurrentUser, "SOFTWARE\\Wendlebox\\{G}", "DesktopIcon", "0");
    Start();
    EXPECT_EQ(GetControlState(kDesktopIconBox), 0);
}

struct PagesCase {
    bool Licence;
    bool Readme;
    std::vector<int> Forward;  // pages from 1 by Next until Install shows
};

class WizardPagesTest : public WizardTest, public ::testing::WithParamInterface<PagesCase> {};

// The panel that each page shows.
int PanelOf(int page) {
    switch (page) {
        case 1: return kWelcomePanel;
        case 2: return kLicencePanel;
        case 3: return kSettingsPanel;
        case 4: return kInfoPanel;
        default: return kInstallPanel;
    }
}

void ExpectOnlyPage(int page) {
    for (int p = 1; p <= 5; ++p) {
        const fake::FakeControl* c = fake::WindowControl(PanelOf(p));
        EXPECT_EQ(c->Visible, p == page) << "page " << page << ", panel of " << p;
    }
    const bool header = page >= 2 && page <= 4;
    EXPECT_EQ(fake::WindowControl(kHeaderPanel)->Visible, header) << page;
    EXPECT_EQ(fake::WindowControl(kSideImage)->Visible, !header) << page;
    EXPECT_EQ(fake::WindowControl(kBackButton)->Visible, page != 1) << page;
    EXPECT_EQ(fake::WindowControl(kNextButton)->Visible, page != 5) << page;
    EXPECT_EQ(fake::WindowControl(kInstallButton)->Visible, page == 5) << page;
    EXPECT_TRUE(fake::WindowControl(kCancelButton)->Visible) << page;
    if (header) {
        const char* group = page == 2 ? "Page02" : page == 3 ? "Page03" : "Page04";
        EXPECT_EQ(fake::WindowControl(kHeaderTitle)->Text, LangText(group, "Titel")) << page;
        EXPECT_EQ(fake::WindowControl(kHeaderSubtitle)->Text, LangText(group, "Msg")) << page;
    }
}

TEST_P(WizardPagesTest, NextAndBackVisitThePagesThatHaveContent) {
    const PagesCase& c = GetParam();
    // An existing but empty file counts as absent.
    Write("licence.txt", c.Licence ? "Terms" : "");
    if (c.Readme) Write("readme.rtf", "{\\rtf1 Notes}");
    Start();
    ExpectOnlyPage(1);
    for (size_t i = 1; i < c.Forward.size(); ++i) {
        if (wb::Setup.Page == 2) {
            EXPECT_FALSE(Enabled(kNextButton));
            SetControlState(kAcceptOption, 1);
            Press(kAcceptOption);
            EXPECT_TRUE(Enabled(kNextButton));
        }
        Press(kNextButton);
        EXPECT_EQ(wb::Setup.Page, c.Forward[i]);
        ExpectOnlyPage(c.Forward[i]);
    }
    for (size_t i = c.Forward.size() - 1; i > 0; --i) {
        Press(kBackButton);
        EXPECT_EQ(wb::Setup.Page, c.Forward[i - 1]);
        ExpectOnlyPage(c.Forward[i - 1]);
        // Back onto the licence page leaves Next enabled.
        EXPECT_TRUE(Enabled(kNextButton));
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, WizardPagesTest,
                         ::testing::Values(PagesCase{true, true, {1, 2, 3, 4, 5}},
                                           PagesCase{true, false, {1, 2, 3, 5}},
                                           PagesCase{false, true, {1, 3, 4, 5}},
                                           PagesCase{false, false, {1, 3, 5}}));

TEST_F(WizardTest, DecliningAgainDisablesNext) {
    Write("licence.txt", "Terms");
    Start();
    Press(kNextButton);
    ASSERT_EQ(wb::Setup.Page, 2);
    EXPECT_FALSE(Enabled(kNextButton));
    Press(kAcceptOption);
    EXPECT_TRUE(Enabled(kNextButton));
    Press(kDeclineOption);
    EXPECT_FALSE(Enabled(kNextButton));
}

TEST_F(WizardTest, ProgramFolderCompletion) {
    EXPECT_EQ(CompleteProgramFolder("D:\\Tools", "MyProg"), "D:\\Tools\\MyProg");
    EXPECT_EQ(CompleteProgramFolder("D:\\Tools\\", "MyProg"), "D:\\Tools\\MyProg");
    EXPECT_EQ(CompleteProgramFolder("D:\\MyProgOld", "MyProg"), "D:\\MyProgOld");
    EXPECT_EQ(CompleteProgramFolder("D:\\myprog", "MyProg"), "D:\\myprog\\MyProg");
    EXPECT_EQ(CompleteProgramFolder("D:\\Tools", ""), "D:\\Tools\\");

    EXPECT_EQ(CompletePickedProgramFolder("C:\\Apps\\MyProg\\", "MyProg"), "C:\\Apps\\MyProg\\");
    EXPECT_EQ(CompletePickedProgramFolder("C:\\Apps\\", "MyProg"), "C:\\Apps\\MyProg");
    EXPECT_EQ(CompletePickedProgramFolder("", "MyProg"), "");
}

TEST_F(WizardTest, StartMenuFolderCompletion) {
    EXPECT_EQ(CompleteStartMenuFolder("", "Vendor\\Tool"), "Vendor\\Tool");
    EXPECT_EQ(CompleteStartMenuFolder("Mine", "Vendor\\Tool"), "Mine\\Vendor\\Tool");
    EXPECT_EQ(CompleteStartMenuFolder("Mine\\", "Vendor\\Tool"), "Mine\\Vendor\\Tool");
    EXPECT_EQ(CompleteStartMenuFolder("X\\Vendor\\Tool", "Vendor\\Tool"), "X\\Vendor\\Tool");
    // Only the whole proposal counts when typed; the pick needs only its last part.
    EXPECT_EQ(CompleteStartMenuFolder("Tool", "Vendor\\Tool"), "Tool\\Vendor\\Tool");
    EXPECT_EQ(CompletePickedStartMenuFolder("Games", "Vendor\\Tool"), "Games\\Tool");
    EXPECT_EQ(CompletePickedStartMenuFolder("Games\\", "Vendor\\Tool"), "Games\\Tool");
    EXPECT_EQ(CompletePickedStartMenuFolder("Games\\Tool", "Vendor\\Tool"), "Games\\Tool");
    EXPECT_EQ(CompletePickedStartMenuFolder("", "Vendor\\Tool"), "");
}

TEST_F(WizardTest, FieldsAreCompletedWhenTheyLoseTheFocus) {
    Start();
    fake::WindowSetText(kProgDirField, "D:\\Tools");
    Leave(kProgDirField);
    EXPECT_EQ(Text(kProgDirField), "D:\\Tools\\MyProg");
    fake::WindowSetText(kStartMenuField, "");
    Leave(kStartMenuField);
    EXPECT_EQ(Text(kStartMenuField), "Vendor\\Tool");
    // A press on a field is not a focus loss.
    fake::WindowSetText(kProgDirField, "E:\\X");
    Press(kProgDirField);
    EXPECT_EQ(Text(kProgDirField), "E:\\X");
}

TEST_F(WizardTest, NoStartMenuBoxDisablesTheStartMenuChoice) {
    Start();
    fake::WindowSetState(kNoStartMenuBox, 1);
    Press(kNoStartMenuBox);
    EXPECT_FALSE(Enabled(kStartMenuField));
    EXPECT_FALSE(Enabled(kStartMenuChange));
    fake::WindowSetState(kNoStartMenuBox, 0);
    Press(kNoStartMenuBox);
    EXPECT_TRUE(Enabled(kStartMenuField));
    EXPECT_TRUE(Enabled(kStartMenuChange));
}

TEST_F(WizardTest, CancelEndsTheLoopWithoutStartOrRestart) {
    Start("[Info]\r\nTitel = Tool\r\n[Settings]\r\nProgExe = Tool.exe\r\n"
          "[Task]\r\nStartProg = 1\r\nReboot = 1\r\n");
    wb::Setup.StartProg = 1;
    fake::WindowQueueEvent({kWizardWindow, kNextButton, EventKind::Command});
    fake::WindowQueueEvent({kWizardWindow, kCancelButton, EventKind::Command});
    fake::WindowQueueEvent({kWizardWindow, kNextButton, EventKind::Command});
    RunWizard();
    EXPECT_EQ(wb::Setup.QuitLoop, 1);
    EXPECT_EQ(wb::Setup.Cancelled, 1);
    EXPECT_EQ(wb::Setup.StartProg, 0);
    EXPECT_EQ(wb::Setup.Reboot, 0);
    EXPECT_EQ(wb::Setup.Page, 3);  // the event after Cancel was not handled
    EXPECT_TRUE(fs::exists(root_ / "setup.ini"));
}

TEST_F(WizardTest, TheHomepageLinkStartsRunDll32OfTheSystemFolderOnly) {
    Start();
    fake::ShellSetSystemFolder("C:\\WINDOWS\\system32");
    Press(kHomepageLink);
    ASSERT_EQ(fake::LaunchCalls().size(), 1u);
    EXPECT_EQ(fake::LaunchCalls()[0].CommandLine,
              "\"C:\\WINDOWS\\system32\\RunDll32.exe\" Url.dll,FileProtocolHandler "
              "http://example.test/");
    // A bare name would be looked for in the setup's own folder first: without a system
    // folder nothing starts.
    fake::ShellSetSystemFolder("");
    Press(kHomepageLink);
    EXPECT_EQ(fake::LaunchCalls().size(), 1u);
}

TEST_F(WizardTest, ExitTakesTheRunProgramBox) {
    Start();
    SetControlState(kRunProgramBox, 0);
    Press(kExitButton);
    EXPECT_EQ(wb::Setup.QuitLoop, 1);
    EXPECT_EQ(wb::Setup.StartProg, 0);
    EXPECT_EQ(wb::Setup.Cancelled, 0);
}

TEST_F(WizardTest, CloseRequestRemovesTheTemporaryFolderAndLeavesTheFlags) {
    Start();
    wb::Setup.StartProg = 1;
    // Another window's close request is not the wizard's.
    HandleWizardEvent({2, 0, EventKind::CloseRequest});
    EXPECT_EQ(wb::Setup.QuitLoop, 0);
    HandleWizardEvent({kWizardWindow, 0, EventKind::CloseRequest});
    EXPECT_EQ(wb::Setup.QuitLoop, 1);
    EXPECT_EQ(wb::Setup.StartProg, 1);
    EXPECT_EQ(wb::Setup.Cancelled, 0);
    EXPECT_FALSE(fs::exists(root_));
}

TEST_F(WizardTest, InstallWritesTheLogRowsAndEndsOnExit) {
    Start();
    const fs::path target = root_ / "target";
    fake::WindowSetText(kProgDirField, target.string());
    fake::WindowSetState(kDesktopIconBox, 0);
    fake::WindowSetState(kNoStartMenuBox, 1);
    Press(kInstallButton);
    EXPECT_EQ(wb::Setup.InstallDir, target.string() + "\\");
    EXPECT_EQ(GetListRow(kInstallLog, 0), "Tool  -  Version 2.0   (2024-05-01)");
    EXPECT_EQ(GetListRow(kInstallLog, 1), "\xA9 Ann   ( ann@example.test )");
    EXPECT_EQ(GetListRow(kInstallLog, 2), "");
    EXPECT_EQ(GetListRow(kInstallLog, 3),
              "Copy Program Files   -->   *** Completed ***");
    EXPECT_EQ(GetListRow(kInstallLog, 4), "");
    EXPECT_EQ(GetListRow(kInstallLog, 5), "Create Uninstaller Entry");
    // No desktop row and no Start-menu row: both were switched off.
    EXPECT_EQ(GetListRow(kInstallLog, 6), "Create additional Links");
    EXPECT_EQ(ListRowCount(kInstallLog), 7);
    EXPECT_EQ(wb::Setup.StartMenuEnabled, 0);
    EXPECT_TRUE(wb::Setup.DesktopLink.empty());
    EXPECT_TRUE(RegistryHas("DesktopIcon", "0"));
    EXPECT_TRUE(RegistryHas("StartMenu", "Vendor\\Tool"));

    EXPECT_EQ(Text(kInstallStatus), "Installation completed");
    EXPECT_FALSE(Shown(kProgressBar));
    EXPECT_FALSE(Shown(kCancelButton));
    EXPECT_FALSE(Shown(kInstallButton));
    EXPECT_FALSE(Shown(kBackButton));
    EXPECT_TRUE(Shown(kExitButton));
    EXPECT_TRUE(Shown(kRunProgramBox));
    EXPECT_EQ(GetControlState(kRunProgramBox), 1);
    EXPECT_GT(HostDrainCount(), 3);
    Press(kExitButton);
    EXPECT_EQ(wb::Setup.StartProg, 1);
}

TEST_F(WizardTest, TheProgressBarCountsTheUnpackedBytes) {
    std::vector<uint8_t> pck;
    std::string error;
    PackWriteOptions options;
    ASSERT_TRUE(BuildPackage({PackFile("Tool.exe", std::string(5000, 't'), false, 1, 1),
                              PackFile("b.txt", "bee", true, 1, 1)},
                             options, pck, error))
        << error;
    std::ofstream(root_ / "setup.pck", std::ios::binary)
        .write(reinterpret_cast<const char*>(pck.data()), std::streamsize(pck.size()));
    Start();
    fake::WindowSetText(kProgDirField, (root_ / "target").string() + "/");
    fake::WindowSetState(kNoStartMenuBox, 1);
    Press(kInstallButton);
    const fake::FakeControl* bar = fake::WindowControl(kProgressBar);
    EXPECT_EQ(bar->Maximum, 5003);
    EXPECT_EQ(bar->State, 5003);
    EXPECT_EQ(fs::file_size(root_ / "target" / "Tool.exe"), 5000u);
    EXPECT_EQ(GetListRow(kInstallLog, 3), "Copy Program Files   -->   *** Completed ***");
}

TEST_F(WizardTest, ADamagedProgramPackageStopsTheInstallation) {
    std::ofstream(root_ / "setup.pck", std::ios::binary) << "not a package at all";
    Start();
    fake::WindowSetText(kProgDirField, (root_ / "target").string() + "/");
    Press(kInstallButton);
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_NE(HostMessageBoxes()[0].Text.find("damaged"), std::string::npos);
    EXPECT_EQ(ListRowCount(kInstallLog), 4) << "no step after the program files";
    std::string bytes;
    EXPECT_FALSE(fake::RegistryGetBytes(RegRoot::CurrentUser, "SOFTWARE\\Wendlebox\\{G}",
                                        "InstallDir", bytes));
    EXPECT_TRUE(Shown(kExitButton));
    EXPECT_FALSE(Shown(kCancelButton));
    EXPECT_FALSE(Shown(kRunProgramBox));
    EXPECT_EQ(wb::Setup.StartProg, 0);
}

}  // namespace
}  // namespace wb
