// The wizard end to end under Wine: a real setup.exe shows its window, the test driver
// reads and presses its controls by number from outside, and the prefix shows what the
// run installed (files, the per-product key, the desktop shortcut) or did not.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGuid = "{5A1E2C3D-0000-4000-8000-00000000C001}";
constexpr const char* kCaption = " Wizard Tool 3.1";

struct Control {
    std::string Class;
    bool Visible = false;
    bool Enabled = false;
    bool Checked = false;
    std::string Text;
};

std::map<int, Control> ReadControls() {
    std::map<int, Control> controls;
    RunResult r = Driver({"controls", kCaption});
    std::istringstream lines(r.Output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) f.push_back(cell);
        if (f.size() < 5) continue;
        Control c{f[1], f[2] == "1", f[3] == "1", f[4] == "1", f.size() > 5 ? f[5] : ""};
        if (!c.Text.empty() && c.Text.back() == '\r') c.Text.pop_back();
        controls[std::atoi(f[0].c_str())] = c;
    }
    return controls;
}

// Polls the window until `done` holds (the driver's presses arrive asynchronously).
std::map<int, Control> WaitFor(const std::function<bool(std::map<int, Control>&)>& done,
                               int seconds = 30) {
    std::map<int, Control> c;
    for (int i = 0; i < seconds * 2; ++i) {
        c = ReadControls();
        if (!c.empty() && done(c)) return c;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return c;
}

bool Shown(std::map<int, Control>& c, int n) { return c.count(n) && c[n].Visible; }

void Press(int n) { ASSERT_EQ(Driver({"click", kCaption, std::to_string(n)}).ExitCode, 0) << n; }

std::vector<std::string> Rows(int n) {
    std::vector<std::string> rows;
    std::istringstream lines(Driver({"rows", kCaption, std::to_string(n)}).Output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        rows.push_back(line);
    }
    return rows;
}

void DeleteKey(const std::string& key) {
    RunWine("C:\\windows\\system32\\reg.exe", {"delete", key, "/f"}, 60);
}

// Enough text that its compressed entry is the largest of the program files.
std::string DataText() {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i * 7919 % 1000) + "\r\n";
    return text;
}

// A setup with licence and readme, a program, and an AfterWB.exe that notes its run.

struct WizardSetup {
    std::string Dir, Setup, Marker, Install, DesktopLink;
    std::vector<std::string> TempBefore;

    explicit WizardSetup(const std::string& name, bool damaged = false) {
        Dir = ScratchDir("wizard-" + name);
        Marker = Dir + "/hooks.txt";
        const std::string ini =
            std::string("[Info]\r\nTitel = Wizard Tool\r\nVersion = 3.1\r\nGUID = ") + kGuid +
            "\r\nAuthor = Ann Author\r\nEMail = ann@example.invalid\r\nDate = 2024-05-01\r\n"
            "PrgSize = 1 KB\r\n"
            "[Settings]\r\nProgExe = Tool.exe\r\nDefaultDir = C:\\WbWizard\\Default\\WizTool\r\n"
            "[StartMenue]\r\nDefaultDir = Wizard Tool\r\nProgLink = Wizard Tool\r\n"
            "[Task]\r\nDesktop = 1\r\nStartMenu = 1\r\nStartProg = 0\r\n";
        std::map<std::string, std::string> files = {
            {"setup.ini", ini},
            {"licence.txt", "You may use this tool.\r\n"},
            {"readme.txt", "Read me first.\r\n"},
            {"program/Tool.exe", "MZ wizard tool"},
            {"program/data.txt", DataText()},
            {"program/docs/notes.txt", "notes"},
            {"splash.tga", SideImage()},
            {"AfterWB.exe", ReadFile(Win32BinPath("wbhook.exe"))},
            {"AfterWB.cfg", "exit=0\r\nmarker=" + WinPath(Marker) + "\r\n"}};
        const std::string project = MakeProject("wizard-" + name + "-project", files);
        Setup = Dir + "/setup.exe";
        // Entries compressed one by one carry checksums, so a flipped byte is found.
        EXPECT_EQ(BuildSetup(project, Setup, StubPath(), damaged ? "--per-file" : ""), 0);
        if (damaged) {
            EXPECT_TRUE(DamageInnerPackage(Setup));
        }
        Install = LinuxPath("C:\\") + "WbWizard";
        DesktopLink = LinuxFolder("USERPROFILE") + "/Desktop/Wizard Tool.lnk";
        Forget();
        TempBefore = GuidFolders(SetupTempLinux());
    }
    void Forget() {
        fs::remove_all(Install);
        fs::remove(DesktopLink);
        fs::remove_all(LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/Wizard Tool");
        DeleteKey(std::string("HKCU\\Software\\Wendlebox\\") + kGuid);
        DeleteKey(std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                  kGuid);
    }
    std::vector<std::string> NewTempFolders() const {
        return NewFolders(TempBefore, GuidFolders(SetupTempLinux()));
    }
};

class WizardE2E : public ::testing::Test {};

TEST_F(WizardE2E, FullRunThroughAllPagesInstallsAndExits) {
    WizardSetup s("full");
    RunResult run;
    std::thread installer([&] { run = RunWine(s.Setup, {}, 240); });
    std::map<int, Control> c = WaitFor([](auto& c) { return Shown(c, 26); }, 60);

    // Page 1: the welcome panel with the side image; the header and Back hidden. The side
    // image comes from the setup's splash.tga, the header icon is the built-in one.
    EXPECT_EQ(Driver({"image", kCaption, "30"}).Output.substr(0, 8), "bitmap 1");
    EXPECT_EQ(Driver({"image", kCaption, "3"}).Output.substr(0, 6), "icon 1");
    EXPECT_TRUE(Shown(c, 26));
    EXPECT_FALSE(Shown(c, 1));
    EXPECT_FALSE(Shown(c, 5));
    EXPECT_TRUE(Shown(c, 6));
    EXPECT_EQ(c[6].Text, "Next >");
    EXPECT_EQ(c[7].Text, "Cancel");
    EXPECT_FALSE(Shown(c, 4)) << "no homepage: no link";

    // Page 2: the licence; Next waits for the accept option, decline disables it again.
    Press(6);
    c = WaitFor([](auto& c) { return Shown(c, 12); });
    ASSERT_TRUE(Shown(c, 12));
    EXPECT_TRUE(Shown(c, 1));
    EXPECT_EQ(c[17].Text, "Licence Agreement");
    EXPECT_NE(c[13].Text.find("You may use this tool."), std::string::npos) << c[13].Text;
    EXPECT_TRUE(c[15].Checked);
    EXPECT_FALSE(c[6].Enabled);
    ASSERT_EQ(Driver({"select", kCaption, "14"}).ExitCode, 0);
    c = WaitFor([](auto& c) { return c[6].Enabled; });
    EXPECT_TRUE(c[6].Enabled);
    EXPECT_TRUE(c[14].Checked);
    ASSERT_EQ(Driver({"select", kCaption, "15"}).ExitCode, 0);
    c = WaitFor([](auto& c) { return !c[6].Enabled; });
    EXPECT_FALSE(c[6].Enabled) << "declining again disables Next";
    ASSERT_EQ(Driver({"select", kCaption, "14"}).ExitCode, 0);
    c = WaitFor([](auto& c) { return c[6].Enabled; });
    ASSERT_TRUE(c[6].Enabled);

    // Page 3: the settings; a typed folder is completed when the field is left.
    Press(6);
    c = WaitFor([](auto& c) { return Shown(c, 16); });
    ASSERT_TRUE(Shown(c, 16));
    EXPECT_FALSE(Shown(c, 12));
    EXPECT_EQ(c[19].Text, "C:\\WbWizard\\Default\\WizTool");
    EXPECT_EQ(c[22].Text, "Wizard Tool");
    EXPECT_TRUE(c[25].Checked);
    ASSERT_EQ(Driver({"settext", kCaption, "19", "C:\\WbWizard\\Typed"}).ExitCode, 0);
    ASSERT_EQ(Driver({"leave", kCaption, "19"}).ExitCode, 0);
    c = WaitFor([](auto& c) { return c[19].Text != "C:\\WbWizard\\Typed"; });
    EXPECT_EQ(c[19].Text, "C:\\WbWizard\\Typed\\WizTool");

    // Page 4: the readme; page 5: Install instead of Next.
    Press(6);
    c = WaitFor([](auto& c) { return Shown(c, 10); });
    ASSERT_TRUE(Shown(c, 10));
    EXPECT_NE(c[11].Text.find("Read me first."), std::string::npos);
    Press(6);
    c = WaitFor([](auto& c) { return Shown(c, 31); });
    ASSERT_TRUE(Shown(c, 31));
    EXPECT_TRUE(Shown(c, 8));
    EXPECT_FALSE(Shown(c, 6));
    EXPECT_FALSE(Shown(c, 1));
    EXPECT_EQ(c[34].Text, "Required disk space: 1 KB");

    // Install: log rows, then Exit and the run-program box replace Cancel and the bar.
    Press(8);
    c = WaitFor([](auto& c) { return Shown(c, 9); }, 120);
    ASSERT_TRUE(Shown(c, 9));
    EXPECT_FALSE(Shown(c, 7));
    EXPECT_FALSE(Shown(c, 8));
    EXPECT_FALSE(Shown(c, 5));
    EXPECT_FALSE(Shown(c, 37));
    EXPECT_TRUE(Shown(c, 36));
    EXPECT_FALSE(c[36].Checked);
    EXPECT_EQ(c[34].Text, "Installation completed");
    std::vector<std::string> rows = Rows(35);
    std::vector<std::string> expected = {
        "Wizard Tool  -  Version 3.1   (2024-05-01)",
        "\xA9 Ann Author   ( ann@example.invalid )",
        "",
        "Copy Program Files   -->   *** Completed ***",
        "",
        "Create Uninstaller Entry",
        "Create Desktop Icon",
        "Create Startmenu Shortcuts",
        "Create additional Links"};
    EXPECT_EQ(rows, expected);

    Press(9);
    installer.join();
    ASSERT_FALSE(run.TimedOut) << run.Output;
    EXPECT_EQ(run.ExitCode, 0);

    const std::string prog = s.Install + "/Typed/WizTool/";
    EXPECT_EQ(ReadFile(prog + "Tool.exe"), "MZ wizard tool");
    EXPECT_EQ(ReadFile(prog + "docs/notes.txt"), "notes");
    const std::string key = std::string("HKCU\\Software\\Wendlebox\\") + kGuid;
    EXPECT_EQ(RegRead(key, "InstallDir"), "C:\\WbWizard\\Typed\\WizTool\\");
    EXPECT_EQ(RegRead(key, "StartMenu"), "Wizard Tool");
    EXPECT_EQ(RegRead(key, "DesktopIcon"), "1");
    EXPECT_TRUE(fs::exists(s.DesktopLink));
    const std::string menu =
        LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/Wizard Tool";
    EXPECT_TRUE(fs::is_directory(menu)) << "the Start-menu folder of field 22";
    EXPECT_FALSE(fs::is_empty(menu));
    EXPECT_NE(ReadFile(s.Marker).find("AfterWB.exe"), std::string::npos) << "AfterWB.exe ran";
    EXPECT_TRUE(s.NewTempFolders().empty()) << "the finish removes the temporary folder";
    s.Forget();
}

// Pages from the welcome page to the install page, accepting the licence on the way.
void GoToInstallPage() {
    std::map<int, Control> c = WaitFor([](auto& c) { return Shown(c, 26); }, 60);
    ASSERT_TRUE(Shown(c, 26));
    for (int page = 2; page <= 5; ++page) {
        Press(6);
        c = WaitFor([page](auto& c) {
            return Shown(c, page == 2 ? 12 : page == 3 ? 16 : page == 4 ? 10 : 31);
        });
        if (page == 2) {
            ASSERT_EQ(Driver({"select", kCaption, "14"}).ExitCode, 0);
            c = WaitFor([](auto& c) { return c[6].Enabled; });
        }
    }
    ASSERT_TRUE(Shown(c, 8));
}

TEST_F(WizardE2E, DamagedProgramFilesShowTheMessageAndRegisterNothing) {
    WizardSetup s("damaged", true);
    RunResult run;
    std::thread installer([&] { run = RunWine(s.Setup, {}, 180); });
    GoToInstallPage();
    Press(8);
    RunResult texts = Driver({"texts", " Wendlebox"});
    RunResult press = Driver({"dismiss", " Wendlebox", "1"});
    std::map<int, Control> c = WaitFor([](auto& c) { return Shown(c, 9); }, 60);
    EXPECT_NE(texts.Output.find("damaged or incomplete"), std::string::npos) << texts.Output;
    EXPECT_EQ(press.ExitCode, 0) << press.Output;
    EXPECT_TRUE(Shown(c, 9)) << "Exit is the way out";
    EXPECT_FALSE(Shown(c, 7));
    EXPECT_FALSE(Shown(c, 36)) << "no program to start";
    Press(9);
    installer.join();
    ASSERT_FALSE(run.TimedOut) << run.Output;
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_FALSE(fs::exists(s.DesktopLink));
    bool found = true;
    RegRead(std::string("HKCU\\Software\\Wendlebox\\") + kGuid, "InstallDir", &found);
    EXPECT_FALSE(found) << "no choices saved";
    RegRead(std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                kGuid, "DisplayName", &found);
    EXPECT_FALSE(found) << "no uninstall entry";
    EXPECT_TRUE(s.NewTempFolders().empty());
    s.Forget();
}

TEST_F(WizardE2E, CancelInstallsNothingAndSkipsAfterWB) {
    WizardSetup s("cancel");
    RunResult run;
    std::thread installer([&] { run = RunWine(s.Setup, {}, 120); });
    std::map<int, Control> c = WaitFor([](auto& c) { return Shown(c, 26); }, 60);
    ASSERT_TRUE(Shown(c, 26));
    Press(6);
    c = WaitFor([](auto& c) { return Shown(c, 12); });
    ASSERT_TRUE(Shown(c, 12));
    Press(7);
    installer.join();
    ASSERT_FALSE(run.TimedOut) << run.Output;
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_FALSE(fs::exists(s.Install));
    EXPECT_FALSE(fs::exists(s.DesktopLink));
    bool found = true;
    RegRead(std::string("HKCU\\Software\\Wendlebox\\") + kGuid, "InstallDir", &found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(fs::exists(s.Marker)) << "AfterWB.exe does not run after Cancel";
    EXPECT_TRUE(s.NewTempFolders().empty());
    s.Forget();
}

TEST_F(WizardE2E, CloseRequestEndsTheRunAndRemovesTheTemporaryFolder) {
    WizardSetup s("close");
    RunResult run;
    std::thread installer([&] { run = RunWine(s.Setup, {}, 120); });
    std::map<int, Control> c = WaitFor([](auto& c) { return Shown(c, 26); }, 60);
    ASSERT_TRUE(Shown(c, 26));
    ASSERT_EQ(Driver({"close", kCaption}).ExitCode, 0);
    installer.join();
    ASSERT_FALSE(run.TimedOut) << run.Output;
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_FALSE(fs::exists(s.Install));
    EXPECT_FALSE(fs::exists(s.Marker)) << "AfterWB.exe went with the temporary folder";
    EXPECT_TRUE(s.NewTempFolders().empty());
    s.Forget();
}

// A setup offering both scopes asks on the settings page. Wine runs every program as
// administrator, so "for all users" is proposed and installs in place (on Windows without
// administrator rights Next would hand over to an elevated copy; the unit tests drive that
// through the fakes); "only for me" moves the proposed folder into the user's own program
// folder and registers with the user alone.
constexpr const char* kBothGuid = "{5A1E2C3D-0000-4000-8000-00000000C0B2}";

struct BothRun {
    std::string Folder;  // the proposed folder as the page showed it
    RunResult Run;
};

BothRun InstallBothScopes(const std::string& setup, bool onlyMe) {
    BothRun out;
    std::thread installer([&] { out.Run = RunWine(setup, {}, 240); });
    std::map<int, Control> c = WaitFor([](auto& c) { return Shown(c, 26); }, 60);
    Press(6);
    c = WaitFor([](auto& c) { return Shown(c, 16); });
    EXPECT_TRUE(Shown(c, 38) && Shown(c, 39)) << "the question is on the settings page";
    EXPECT_TRUE(c[38].Enabled && c[39].Enabled);
    EXPECT_EQ(c[38].Text, "Install for all users of this computer");
    EXPECT_EQ(c[39].Text, "Install only for me");
    EXPECT_TRUE(c[38].Checked) << "administrator rights propose all users";
    EXPECT_EQ(c[19].Text, "C:\\WbBoth\\Both Tool");
    if (onlyMe) {
        EXPECT_EQ(Driver({"select", kCaption, "39"}).ExitCode, 0);
        c = WaitFor([](auto& c) { return c[19].Text != "C:\\WbBoth\\Both Tool"; });
    }
    out.Folder = c[19].Text;
    Press(6);
    c = WaitFor([](auto& c) { return Shown(c, 31); });
    Press(8);
    c = WaitFor([](auto& c) { return Shown(c, 9); }, 120);
    EXPECT_TRUE(Shown(c, 9));
    Press(9);
    installer.join();
    return out;
}

TEST_F(WizardE2E, BothScopesAskOnTheSettingsPageAndEachChoiceInstallsThere) {
    const std::string ini = std::string("[Info]\r\nTitel = Wizard Tool\r\nVersion = 3.1\r\nGUID = ") +
                            kBothGuid + "\r\n[Settings]\r\nProgExe = Tool.exe\r\n"
                            "DefaultDir = C:\\WbBoth\\Both Tool\r\nScope = both\r\n"
                            "[Task]\r\nStartMenu = 0\r\nDesktop = 0\r\n";
    const std::string project = MakeProject("wizard-both-project",
                                            {{"setup.ini", ini}, {"program/Tool.exe", "MZ both"}});
    const std::string setup = ScratchDir("wizard-both") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    const std::string entry =
        std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kBothGuid;
    const std::string machine = LinuxPath("C:\\WbBoth");
    const std::string userWin = WinFolder("LOCALAPPDATA") + "\\Programs\\Both Tool";
    const std::string user = LinuxPath(userWin);
    fs::remove_all(machine);
    fs::remove_all(user);
    DeleteKey("HKLM\\" + entry);
    DeleteKey("HKCU\\" + entry);
    DeleteKey(std::string("HKCU\\Software\\Wendlebox\\") + kBothGuid);

    BothRun mine = InstallBothScopes(setup, true);
    ASSERT_FALSE(mine.Run.TimedOut) << mine.Run.Output;
    EXPECT_EQ(mine.Run.ExitCode, 0);
    EXPECT_EQ(mine.Folder, userWin);
    EXPECT_EQ(ReadFile(user + "/Tool.exe"), "MZ both");
    EXPECT_EQ(RegRead("HKCU\\" + entry, "InstallLocation"), userWin + "\\");
    EXPECT_EQ(RegRead("HKLM\\" + entry, "InstallLocation"), "");
    EXPECT_FALSE(fs::exists(machine));
    // The choice is remembered for this scope alone.
    EXPECT_EQ(RegRead(std::string("HKCU\\Software\\Wendlebox\\") + kBothGuid + "\\CurrentUser",
                      "InstallDir"),
              userWin + "\\");
    RunResult u = RunWine(user + "/uninstall.exe", {"/Q"});
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_TRUE(GoneWithin(user, 30));
    EXPECT_EQ(RegRead("HKCU\\" + entry, "InstallLocation"), "");

    BothRun all = InstallBothScopes(setup, false);
    ASSERT_FALSE(all.Run.TimedOut) << all.Run.Output;
    EXPECT_EQ(all.Run.ExitCode, 0);
    EXPECT_EQ(ReadFile(machine + "/Both Tool/Tool.exe"), "MZ both");
    EXPECT_EQ(RegRead("HKLM\\" + entry, "InstallLocation"), "C:\\WbBoth\\Both Tool\\");
    EXPECT_EQ(RegRead("HKCU\\" + entry, "InstallLocation"), "");
    EXPECT_FALSE(fs::exists(user));
    u = RunWine(machine + "/Both Tool/uninstall.exe", {"/Q"});
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_TRUE(GoneWithin(machine + "/Both Tool", 30));
    fs::remove_all(machine);
    DeleteKey(std::string("HKCU\\Software\\Wendlebox\\") + kBothGuid);
}

}  // namespace
}  // namespace e2e
