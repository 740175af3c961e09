// Shortcuts: how CreateShortcut hands its parameters to the shell-link object, and the
// program's Start-menu folder with its standard links.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "install/internet_shortcut.h"
#include "install/shortcuts.h"
#include "state/setup_state.h"
#include "unit/test_support.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

// A desktop or Start-menu folder that cannot be found (none, or none the code page can
// reach) comes as empty text: the link is not made rather than put in the current folder.
TEST(CreateShortcutTest, ALinkWhoseFolderIsUnknownIsNotMadeAnywhere) {
    fake::ResetAll();
    EXPECT_EQ(CreateShortcut("C:\\P\\app.exe", "App.lnk", "", "", 1, "", 0, "|", 0), 0);
    EXPECT_EQ(CreateShortcut("https://example.invalid/", "Web.lnk", "", "", 1, "", 0, "", 0), 0);
    EXPECT_TRUE(fake::ShellLinkCalls().empty());
    EXPECT_EQ(CreateShortcut("C:\\P\\app.exe", "\\\\server\\share\\App.lnk", "", "", 1, "", 0,
                             "|", 0),
              1);
}

TEST(CreateShortcutTest, EachParameterReachesItsOwnField) {
    fake::ResetAll();
    EXPECT_EQ(CreateShortcut("C:\\P\\app.exe", "C:\\L\\App.lnk", "C:\\W\\", "-a -b", 3, "note",
                             0x0741, "C:\\I\\icons.dll", 5),
              1);
    ASSERT_EQ(fake::ShellLinkCalls().size(), 1u);
    const fake::LinkCall& c = fake::ShellLinkCalls()[0];
    EXPECT_EQ(c.LinkPath, "C:\\L\\App.lnk");
    EXPECT_EQ(c.Fields.Target, "C:\\P\\app.exe");
    EXPECT_EQ(c.Fields.WorkDir, "C:\\W\\");
    EXPECT_EQ(c.Fields.Arguments, "-a -b");
    EXPECT_EQ(c.Fields.ShowCmd, 3);
    EXPECT_EQ(c.Fields.Description, "note");
    EXPECT_EQ(c.Fields.HotKey, 0x0741);
    EXPECT_EQ(c.Fields.IconFile, "C:\\I\\icons.dll");
    EXPECT_EQ(c.Fields.IconIndex, 5);
    // Each call starts and ends COM around its own work.
    EXPECT_TRUE(c.ComActive);
    EXPECT_EQ(fake::ComStartCount(), 1);
    EXPECT_EQ(fake::ComEndCount(), 1);
}

TEST(CreateShortcutTest, BarIconFileIsTheTargetAndMinusOneIsIndexZero) {
    fake::ResetAll();
    CreateShortcut("C:\\P\\app.exe", "C:\\L\\a.lnk", "", "", 1, "", 0, "|", 3);
    CreateShortcut("C:\\P\\app.exe", "C:\\L\\b.lnk", "", "", 1, "", 0, "C:\\I\\x.ico", -1);
    CreateShortcut("C:\\P\\app.exe", "C:\\L\\c.lnk", "", "", 1, "", 0, "|", -1);
    // Only a lone bar stands for the target.
    CreateShortcut("C:\\P\\app.exe", "C:\\L\\d.lnk", "", "", 1, "", 0, "||", 0);
    const auto& calls = fake::ShellLinkCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].Fields.IconFile, "C:\\P\\app.exe");
    EXPECT_EQ(calls[0].Fields.IconIndex, 3);
    EXPECT_EQ(calls[1].Fields.IconFile, "C:\\I\\x.ico");
    EXPECT_EQ(calls[1].Fields.IconIndex, 0);
    EXPECT_EQ(calls[2].Fields.IconFile, "C:\\P\\app.exe");
    EXPECT_EQ(calls[2].Fields.IconIndex, 0);
    EXPECT_EQ(calls[3].Fields.IconFile, "||");
}

TEST(CreateShortcutTest, ResultTellsWhetherTheObjectCouldBeAskedToSave) {
    fake::ResetAll();
    fake::ShellLinkFailNext(ShellLinkOutcome::SaveFailed);
    EXPECT_EQ(CreateShortcut("t", "C:\\L\\l.lnk", "", "", 1, "", 0, "", 0), 1);
    fake::ShellLinkFailNext(ShellLinkOutcome::NoObject);
    EXPECT_EQ(CreateShortcut("t", "C:\\L\\l.lnk", "", "", 1, "", 0, "", 0), 0);
    fake::ShellLinkFailNext(ShellLinkOutcome::NoFileInterface);
    EXPECT_EQ(CreateShortcut("t", "C:\\L\\l.lnk", "", "", 1, "", 0, "", 0), 0);
    EXPECT_EQ(CreateShortcut("t", "C:\\L\\l.lnk", "", "", 1, "", 0, "", 0), 1);
    // COM is balanced whatever became of the link.
    EXPECT_EQ(fake::ComStartCount(), 4);
    EXPECT_EQ(fake::ComEndCount(), 4);
}

TEST(CreateShortcutTest, FailedComStartIsNotBalancedButTheLinkIsStillTried) {
    fake::ResetAll();
    fake::ComSetStartResult(false);
    EXPECT_EQ(CreateShortcut("t", "C:\\L\\l.lnk", "", "", 1, "", 0, "", 0), 1);
    EXPECT_EQ(fake::ShellLinkCalls().size(), 1u);
    EXPECT_EQ(fake::ComEndCount(), 0);
}

TEST(WebLinkTest, WhatCountsAsAWebAddress) {
    for (const char* web : {"http://example.com", "https://x.test/a?b=c", "ftp://host/f",
                            "mailto:someone@example.com", "HTTPS://X", "svn+ssh://h/r",
                            "ms-settings:display", "x1:y"}) {
        EXPECT_TRUE(IsWebAddress(web)) << web;
    }
    // Drive letters, relative, UNC and macro paths are files; a scheme needs its colon.
    for (const char* file : {"C:\\Apps\\tool.exe", "c:/apps/tool.exe", "docs\\manual.txt",
                             "\\\\server\\share\\f.exe", "%ProgDir%x.exe", "www.example.com",
                             "http", "1http://x", "-a:b", "h:", "", ":x", "ht tp://x"}) {
        EXPECT_FALSE(IsWebAddress(file)) << file;
    }
}

TEST(WebLinkTest, LinkPathAndFileText) {
    EXPECT_EQ(WebLinkPath("C:\\M\\Site.lnk"), "C:\\M\\Site.url");
    EXPECT_EQ(WebLinkPath("C:\\M\\Site.LNK"), "C:\\M\\Site.url");
    EXPECT_EQ(WebLinkPath("C:\\M\\Site"), "C:\\M\\Site.url");
    EXPECT_EQ(WebLinkPath("C:\\M\\a.lnk.txt"), "C:\\M\\a.lnk.txt.url");
    EXPECT_EQ(ShortcutFileFor("https://x", "C:\\D\\W.lnk"), "C:\\D\\W.url");
    EXPECT_EQ(ShortcutFileFor("C:\\P\\a.exe", "C:\\D\\W.lnk"), "C:\\D\\W.lnk");

    EXPECT_EQ(InternetShortcutText("https://example.com/a b", "", 0),
              "[InternetShortcut]\r\nURL=https://example.com/a b\r\n");
    EXPECT_EQ(InternetShortcutText("http://x", "C:\\I\\web.ico", 2),
              "[InternetShortcut]\r\nURL=http://x\r\nIconFile=C:\\I\\web.ico\r\nIconIndex=2\r\n");
}

class WebShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_weblink_");
        fake::ResetAll();
        base_ = dir_.string() + "\\";
    }
    void TearDown() override {
        fake::ResetAll();
        fs::remove_all(dir_);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir_;
    std::string base_;
};

TEST_F(WebShortcutTest, WebAddressBecomesAnInternetShortcutAndNoShellLink) {
    EXPECT_EQ(CreateShortcut("https://example.com/", base_ + "Site.lnk", "C:\\W\\", "-x", 1,
                             "", 0, "C:\\I\\site.ico", -1),
              1);
    EXPECT_TRUE(fake::ShellLinkCalls().empty());
    EXPECT_FALSE(fs::exists(dir_ / "Site.lnk"));
    EXPECT_EQ(Read("Site.url"),
              "[InternetShortcut]\r\nURL=https://example.com/\r\n"
              "IconFile=C:\\I\\site.ico\r\nIconIndex=0\r\n");
    // The target's own icon and the URL handler's stand for none.
    CreateShortcut("mailto:a@b.test", base_ + "Mail.lnk", "", "", 1, "", 0, "|", 3);
    CreateShortcut("ftp://h/f", base_ + "Ftp.lnk", "", "", 1, "", 0, kWebLinkIconFile, 0);
    EXPECT_EQ(Read("Mail.url"), "[InternetShortcut]\r\nURL=mailto:a@b.test\r\n");
    EXPECT_EQ(Read("Ftp.url"), "[InternetShortcut]\r\nURL=ftp://h/f\r\n");
    // Writing again replaces the file rather than adding to it.
    CreateShortcut("https://two.test/", base_ + "Site.lnk", "", "", 1, "", 0, "", 0);
    EXPECT_EQ(Read("Site.url"), "[InternetShortcut]\r\nURL=https://two.test/\r\n");
    EXPECT_TRUE(fake::ShellLinkCalls().empty());
}

TEST_F(WebShortcutTest, UnwritableOrInjectedWebLinkLeavesNoFileAndReportsIt) {
    EXPECT_EQ(CreateShortcut("https://x.test/", base_ + "missing\\S.lnk", "", "", 1, "", 0, "",
                             0),
              0);
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
    // An address carrying a line break would smuggle keys of its own into the file.
    EXPECT_EQ(CreateShortcut("https://x.test/\r\nIconFile=\\\\evil\\i.ico", base_ + "E.lnk",
                             "", "", 1, "", 0, "", 0),
              0);
    EXPECT_FALSE(fs::exists(dir_ / "E.url"));
}

class StartMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_startmenu_");
        fake::ResetAll();
        wb::Setup = SetupState{};
        wb::Setup.SetupIni = (dir_ / "setup.ini").string();
        wb::Setup.InstallDir = "C:\\Apps\\Tool\\";
        wb::Setup.ProgExe = "tool.exe";
        wb::Setup.ProgLink = "My Tool";
        wb::Setup.ProgParameter = "/fast";
        CreateLanguageTable();
        programs_ = (dir_ / "Programs").string() + "\\";
        fake::ShellSetFolder(2, programs_);
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        fake::ResetAll();
        fs::remove_all(dir_);
    }
    void WriteIni(const std::string& startMenue) const {
        std::ofstream(wb::Setup.SetupIni, std::ios::binary) << "[StartMenue]\r\n" << startMenue;
    }
    static std::vector<std::string> LinkPaths() {
        std::vector<std::string> paths;
        for (const auto& c : fake::ShellLinkCalls()) paths.push_back(c.LinkPath);
        return paths;
    }
    static void ExpectStandard(const fake::LinkCall& c) {
        EXPECT_EQ(c.Fields.ShowCmd, 1) << c.LinkPath;
        EXPECT_EQ(c.Fields.Description, "") << c.LinkPath;
        EXPECT_EQ(c.Fields.HotKey, 0) << c.LinkPath;
        EXPECT_EQ(c.Fields.IconIndex, 0) << c.LinkPath;
    }
    fs::path dir_;
    std::string programs_;
};

TEST_F(StartMenuTest, AllFiveStandardLinksInOrder) {
    WriteIni("Help = doc\\help.chm\r\nURL = http://example.com/tool\r\nExe = Tools\\Conf.exe\r\n"
             "Unistall = 1\r\n");
    CreateStartMenuEntries("Vendor\\Tool");
    const std::string s = programs_ + "Vendor\\Tool\\";
    EXPECT_EQ(wb::Setup.StartMenuDir, s);
    EXPECT_EQ(wb::Setup.AdditionalExe, "Tools\\Conf.exe");
    EXPECT_TRUE(fs::is_directory(dir_ / "Programs" / "Vendor" / "Tool"));

    const auto& calls = fake::ShellLinkCalls();
    ASSERT_EQ(LinkPaths(), (std::vector<std::string>{s + "My Tool.lnk", s + "Conf.lnk",
                                                     s + "Help.lnk", s + "Uninstall.lnk"}));
    for (const auto& c : calls) ExpectStandard(c);

    EXPECT_EQ(calls[0].Fields.Target, "C:\\Apps\\Tool\\tool.exe");
    EXPECT_EQ(calls[0].Fields.WorkDir, "C:\\Apps\\Tool\\");
    EXPECT_EQ(calls[0].Fields.Arguments, "/fast");
    EXPECT_EQ(calls[0].Fields.IconFile, "C:\\Apps\\Tool\\tool.exe");

    // The additional program starts in its own subfolder.
    EXPECT_EQ(calls[1].Fields.Target, "C:\\Apps\\Tool\\Tools\\Conf.exe");
    EXPECT_EQ(calls[1].Fields.WorkDir, "C:\\Apps\\Tool\\Tools\\");
    EXPECT_EQ(calls[1].Fields.Arguments, "");
    EXPECT_EQ(calls[1].Fields.IconFile, "C:\\Apps\\Tool\\Tools\\Conf.exe");

    EXPECT_EQ(calls[2].Fields.Target, "C:\\Apps\\Tool\\doc\\help.chm");
    EXPECT_EQ(calls[2].Fields.WorkDir, "C:\\Apps\\Tool\\");
    EXPECT_EQ(calls[2].Fields.IconFile, "C:\\Apps\\Tool\\doc\\help.chm");

    // The web address becomes an Internet Shortcut in its place, as written.
    std::ifstream web(dir_ / "Programs" / "Vendor" / "Tool" / "Homepage.url", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(web), {}),
              "[InternetShortcut]\r\nURL=http://example.com/tool\r\n");
    EXPECT_EQ(wb::Setup.HomepageUrl, "http://example.com/tool");

    EXPECT_EQ(calls[3].Fields.Target, "C:\\Apps\\Tool\\uninstall.exe");
    EXPECT_EQ(calls[3].Fields.WorkDir, "C:\\Apps\\Tool\\");
    EXPECT_EQ(calls[3].Fields.IconFile, "C:\\Apps\\Tool\\uninstall.exe");
}

TEST_F(StartMenuTest, EmptyNameTakesTheProgramFileUpToItsFirstDot) {
    wb::Setup.ProgExe = "main.setup.exe";
    WriteIni("");
    CreateStartMenuEntries("");
    EXPECT_EQ(wb::Setup.StartMenuDir, programs_ + "main\\");
    EXPECT_TRUE(fs::is_directory(dir_ / "Programs" / "main"));
    EXPECT_EQ(LinkPaths(), std::vector<std::string>{programs_ + "main\\My Tool.lnk"});
}

TEST_F(StartMenuTest, NameEndingInBackslashGetsNoSecondOne) {
    WriteIni("");
    CreateStartMenuEntries("Tool\\");
    EXPECT_EQ(wb::Setup.StartMenuDir, programs_ + "Tool\\");
}

TEST_F(StartMenuTest, ConditionsOfTheStandardLinks) {
    // Only a homepage beside the program's link; the uninstall flag is 8-bit (256 is off).
    WriteIni("Help =\r\nURL = www.example.com\r\nExe =\r\nUnistall = 256\r\n");
    CreateStartMenuEntries("T");
    EXPECT_EQ(LinkPaths(), (std::vector<std::string>{programs_ + "T\\My Tool.lnk",
                                                     programs_ + "T\\Homepage.lnk"}));
    EXPECT_EQ(wb::Setup.AdditionalExe, "");

    // No program file: no program link, the others still come.
    fake::ShellLinkReset();
    wb::Setup.ProgExe.clear();
    WriteIni("Unistall = 1\r\n");
    CreateStartMenuEntries("T");
    EXPECT_EQ(LinkPaths(), std::vector<std::string>{programs_ + "T\\Uninstall.lnk"});
}

TEST_F(StartMenuTest, LanguageTextsWithBlanksGiveTrimmedLinkNames) {
    wb::Setup.Language.Texts[size_t(LangId::InstallHelp)] = "  Hilfe  ";
    wb::Setup.Language.Texts[size_t(LangId::InstallHomepage)] = " Web Seite ";
    wb::Setup.Language.Texts[size_t(LangId::InstallUninstall)] = "  Entfernen ";
    WriteIni("Help = h.chm\r\nURL = http://x\r\nUnistall = 1\r\n");
    CreateStartMenuEntries("T");
    EXPECT_EQ(LinkPaths(), (std::vector<std::string>{programs_ + "T\\My Tool.lnk",
                                                     programs_ + "T\\Hilfe.lnk",
                                                     programs_ + "T\\Entfernen.lnk"}));
    EXPECT_TRUE(fs::exists(dir_ / "Programs" / "T" / "Web Seite.url"));
}

TEST_F(StartMenuTest, LinksAfterAFailedOneAreStillMade) {
    WriteIni("Help = h.chm\r\nUnistall = 1\r\n");
    fake::ShellLinkFailNext(ShellLinkOutcome::NoObject);
    fake::ShellLinkFailNext(ShellLinkOutcome::SaveFailed);
    CreateStartMenuEntries("T");
    ASSERT_EQ(fake::ShellLinkCalls().size(), 3u);
    EXPECT_EQ(fake::ShellLinkCalls()[2].LinkPath, programs_ + "T\\Uninstall.lnk");
    EXPECT_EQ(fake::ShellLinkCalls()[2].Outcome, ShellLinkOutcome::Saved);
}

TEST_F(StartMenuTest, EmptyShortcutNameFallsBackToTheProgramFileName) {
    // The Uninstall log names the program link so; the link must be where it says.
    wb::Setup.ProgLink.clear();
    wb::Setup.ProgExe = "a.b.exe";
    WriteIni("");
    CreateStartMenuEntries("T");
    EXPECT_EQ(LinkPaths(), std::vector<std::string>{programs_ + "T\\a.lnk"});
    EXPECT_EQ(wb::Setup.ProgLink, "");
}

TEST_F(StartMenuTest, NoProgramsFolderOrNoNameMakesNothing) {
    WriteIni("Unistall = 1\r\n");
    fake::ShellSetFolder(2, "");
    CreateStartMenuEntries("T");
    EXPECT_EQ(wb::Setup.StartMenuDir, "");
    EXPECT_TRUE(fake::ShellLinkCalls().empty());

    // Neither a name nor a program file: not the Programs folder itself.
    fake::ShellSetFolder(2, programs_);
    wb::Setup.ProgExe.clear();
    wb::Setup.StartMenuDir = "stale";
    CreateStartMenuEntries("");
    EXPECT_EQ(wb::Setup.StartMenuDir, "");
    EXPECT_TRUE(fake::ShellLinkCalls().empty());
}

TEST_F(StartMenuTest, MissingSetupDescriptionMakesOnlyTheProgramLink) {
    CreateStartMenuEntries("T");
    EXPECT_EQ(LinkPaths(), std::vector<std::string>{programs_ + "T\\My Tool.lnk"});
}

}  // namespace
}  // namespace wb
