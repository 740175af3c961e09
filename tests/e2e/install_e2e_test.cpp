// The quiet installation end to end: the example setup with every Install task kind, run
// with "/Q" under Wine, and what it leaves in the prefix: files, registry, shortcuts, the
// Uninstall log, the programs it ran. Also the runs that must not install.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDemoGuid = "{6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}";

std::string Lines(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}

std::string TrimSlash(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

class InstallE2E : public ::testing::Test {
protected:
    void SetUp() override { ForgetDemoInstallation(); }
    void TearDown() override { ForgetDemoInstallation(); }
};

TEST_F(InstallE2E, DemoSetupInstallsEverythingQuietly) {
    const std::string setup = BuildDemoSetup("demo-full");
    ASSERT_FALSE(setup.empty());
    const std::string progDir = WinFolder("PROGRAMFILES") + "\\Hello Wendlebox\\";
    const std::string prog = LinuxPath(progDir);
    WatchedRun r = RunSetupWatched(setup, {"/Q"});
    ASSERT_FALSE(r.Run.TimedOut) << r.Run.Output;
    EXPECT_EQ(r.Run.ExitCode, 0) << r.Run.Output;
    EXPECT_TRUE(r.Windows.empty()) << "a quiet run showed: " << r.Windows.front();

    // The program files, with the protected hello.ini and the Preference key of task 10.
    for (const char* f : {"Hello.exe", "Hello.txt", "docs/manual.txt", "hello.ini",
                          "tools/taskrun.exe", "uninstall.exe", "uninstall.dat"}) {
        EXPECT_TRUE(fs::exists(prog + f)) << f;
    }
    std::string ini = Lines(ReadFile(prog + "hello.ini"));
    EXPECT_NE(ini.find("[Options]\nGreeting = Hello"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Paths]\nData = " + progDir + "data\\"), std::string::npos) << ini;

    // The uninstall entry: seven values, the command quoted.
    const std::string entry =
        std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kDemoGuid;
    EXPECT_EQ(RegRead(entry, "DisplayName"), "Hello Wendlebox  1.0");
    EXPECT_EQ(RegRead(entry, "DisplayIcon"), progDir + "Hello.exe");
    EXPECT_EQ(RegRead(entry, "URLInfoAbout"), "https://example.invalid/hello");
    EXPECT_EQ(RegRead(entry, "HelpLink"), "https://example.invalid/hello");
    EXPECT_EQ(RegRead(entry, "UninstallString"), "\"" + progDir + "uninstall.exe\"");
    // The quiet run names the publisher too: deployment tools match on it.
    bool found = false;
    EXPECT_EQ(RegRead(entry, "Publisher", &found), "The Wendlebox developers");
    EXPECT_TRUE(found);
    EXPECT_EQ(RegRead(entry, "Contact", &found), "hello@example.invalid");
    EXPECT_TRUE(found);

    // Task kind 6, and the association of kind 10 (asked first: the quiet run answers Yes)
    // in the per-user layout, which a system of Wine's default version (a Windows 10 build)
    // gets.
    EXPECT_EQ(RegRead("HKCU\\Software\\Wendlebox Demo\\Hello", "InstallPath"), progDir);
    EXPECT_EQ(RegRead("HKCR\\.hello", ""), "hello_auto_file");
    EXPECT_EQ(RegRead("HKCR\\hello_auto_file", ""), "Hello Document");
    EXPECT_EQ(RegRead("HKCR\\hello_auto_file\\DefaultIcon", ""), progDir + "Hello.exe,0");
    EXPECT_EQ(RegRead("HKCR\\Applications\\Hello.exe\\shell\\open\\command", ""),
              "\"" + progDir + "Hello.exe\" \"%1\"");
    EXPECT_EQ(RegRead("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.hello",
                      "Application"),
              "Hello.exe");

    // Shortcuts: the program's, the Start-menu folder with its standard links, kinds 0-4.
    const std::string desktop = WinFolder("USERPROFILE") + "\\Desktop\\";
    const std::string programs = WinFolder("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs\\";
    const std::string menu = programs + "Hello Wendlebox\\";
    LinkInfo program = ReadLink(desktop + "Hello Wendlebox.lnk");
    EXPECT_EQ(program.Target, progDir + "Hello.exe");
    EXPECT_EQ(program.Arguments, "/greet");
    EXPECT_EQ(TrimSlash(program.WorkingDir), TrimSlash(progDir));
    EXPECT_EQ(ReadLink(menu + "Hello Wendlebox.lnk").Target, progDir + "Hello.exe");
    // File names ignore case: the link and the file need not agree on it.
    EXPECT_EQ(Lower(ReadLink(menu + "Uninstall.lnk").Target), Lower(progDir + "uninstall.exe"));
    EXPECT_EQ(ReadLink(desktop + "Hello Notes.lnk").Target, progDir + "Hello.txt");
    LinkInfo manual = ReadLink(menu + "Hello Manual.lnk");
    EXPECT_EQ(manual.Target, progDir + "docs\\manual.txt");
    EXPECT_EQ(manual.IconFile, progDir + "Hello.exe");
    // Web links (kinds 2 and 3, and the homepage link of group StartMenue) are Internet
    // Shortcuts holding the address; no shell link is made for them.
    const std::string urlFile = "[InternetShortcut]\r\nURL=https://example.invalid/hello\r\n";
    EXPECT_EQ(ReadFile(LinuxPath(desktop + "Hello on the Web.url")), urlFile);
    EXPECT_EQ(ReadFile(LinuxPath(menu + "Hello Homepage.url")), urlFile);
    EXPECT_EQ(ReadFile(LinuxPath(menu + "Homepage.url")), urlFile);
    for (const std::string& lnk : {desktop + "Hello on the Web.lnk", menu + "Hello Homepage.lnk",
                                   menu + "Homepage.lnk"}) {
        EXPECT_FALSE(fs::exists(LinuxPath(lnk))) << lnk;
    }
    LinkInfo startup = ReadLink(programs + "Startup\\Hello at Start-up.lnk");
    EXPECT_EQ(startup.Target, progDir + "Hello.exe");
    EXPECT_EQ(startup.Arguments, "/hold");
    // Kind 5: the setup's file under the link name in the program folder.
    EXPECT_EQ(ReadFile(prog + "Hello Guide.lnk"), "A guide to Hello Wendlebox.\r\n");

    // Kind 9 ran the program the installer brought, with InstallDir in its environment; the
    // Hook programs ran around the installation.
    std::string log = Lines(ReadFile(LinuxFolder("TEMP") + "/wendlebox-demo.log"));
    EXPECT_NE(log.find("BeforeWB.exe ran InstallDir=\n"), std::string::npos) << log;
    EXPECT_NE(log.find("taskrun.exe ran InstallDir=" + progDir + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("AfterWB.exe ran InstallDir=" + progDir + "\n"), std::string::npos) << log;

    // The setup script saw the four constants.
    std::string script = Lines(ReadFile(LinuxFolder("TEMP") + "/wendlebox-demo-script.txt"));
    EXPECT_NE(script.find("wbProgDir=" + progDir + "\n"), std::string::npos) << script;
    EXPECT_NE(script.find("wbStartMenuDir=" + menu + "\n"), std::string::npos) << script;
    EXPECT_NE(script.find(std::string("wbGUID=") + kDemoGuid + "\n"), std::string::npos) << script;

    // The Uninstall log: the Package's groups first, then the installer's, every record of
    // the tasks that leave something to undo, in task order.
    std::string dat = Lines(ReadFile(prog + "uninstall.dat"));
    std::vector<size_t> at;
    for (const char* g : {"[Settings]", "[Files]", "[Dirs]", "[Language]", "[StartMenu]",
                          "[UserTask]"}) {
        at.push_back(dat.find(g));
        EXPECT_NE(at.back(), std::string::npos) << g << "\n" << dat;
    }
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << dat;
    EXPECT_NE(dat.find("ProgDir = " + progDir + "\n"), std::string::npos) << dat;
    EXPECT_NE(dat.find("StartMenu = " + menu + "\n"), std::string::npos) << dat;
    EXPECT_NE(dat.find("DesktopIcon = " + desktop + "Hello Wendlebox.lnk\n"), std::string::npos) << dat;
    const std::string records[] = {
        "Task1 = 0|" + desktop + "Hello Notes.lnk",
        "Task2 = 1|" + menu + "Hello Manual.lnk",
        "Task3 = 2|" + desktop + "Hello on the Web.url",
        "Task4 = 3|" + menu + "Hello Homepage.url",
        "Homepage = " + menu + "Homepage.url",
        "Task5 = 4|" + programs + "Startup\\Hello at Start-up.lnk",
        "Task6 = 5|" + progDir + "Hello Guide.lnk",
        "Task7 = 6|2147483649|Software\\Wendlebox Demo\\Hello|InstallPath",
        "Task8 = 9|" + WinFolder("WINDIR") + "\\system32\\|" + progDir + "tools\\taskrun.exe",
        "Task9 = 10|hello|Hello.exe",
    };
    // Wine spells the Startup folder "StartUp": compare as the file system does.
    for (const std::string& r : records) {
        EXPECT_NE(Lower(dat).find(Lower(r) + "\n"), std::string::npos) << r;
    }
    EXPECT_NE(dat.find("[UserTask]\nNumber = 9\n"), std::string::npos) << dat;

    // The quiet run does not remember choices, and its temporary setup folder is gone.
    bool remembered = true;
    RegRead(std::string("HKCU\\Software\\Wendlebox\\") + kDemoGuid, "InstallDir", &remembered);
    EXPECT_FALSE(remembered);
}

TEST_F(InstallE2E, DamagedInnerPackageInstallsNothingAndExitsWithTwo) {
    const std::string setup = BuildDemoSetup("demo-damaged", /*damageInnerPackage=*/true);
    ASSERT_FALSE(setup.empty());
    WatchedRun r = RunSetupWatched(setup, {"/Q"});
    ASSERT_FALSE(r.Run.TimedOut);
    EXPECT_EQ(r.Run.ExitCode, 2) << r.Run.Output;
    EXPECT_TRUE(r.Windows.empty());
    bool found = true;
    RegRead(std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                kDemoGuid, "DisplayName", &found);
    EXPECT_FALSE(found) << "an uninstall entry was registered";
    RegRead("HKCU\\Software\\Wendlebox Demo\\Hello", "InstallPath", &found);
    EXPECT_FALSE(found) << "an Install task ran";
    EXPECT_FALSE(fs::exists(LinuxFolder("USERPROFILE") + "/Desktop/Hello Wendlebox.lnk"));
    EXPECT_FALSE(fs::exists(LinuxFolder("APPDATA") +
                            "/Microsoft/Windows/Start Menu/Programs/Hello Wendlebox"));
    // What was unpacked is whole: no file holds less than its entry.
    const std::string prog = LinuxFolder("PROGRAMFILES") + "/Hello Wendlebox/";
    if (fs::exists(prog + "Hello.txt")) {
        EXPECT_EQ(ReadFile(prog + "Hello.txt"), ReadFile(SourceDir() + "/examples/hello/program/Hello.txt"));
    }
    EXPECT_FALSE(fs::exists(prog + "uninstall.dat") &&
                 ReadFile(prog + "uninstall.dat").find("[Language]") != std::string::npos);
}

TEST_F(InstallE2E, InstallationFolderThatCannotBeCreatedExitsWithThree) {
    const std::string setup = BuildDemoSetup("demo-blocked");
    ASSERT_FALSE(setup.empty());
    // A file where the installation folder's parent should be: nothing can go below it.
    WriteFile(LinuxPath("C:\\blocked"), "not a folder");
    WatchedRun r = RunSetupWatched(setup, {"/Q", "/P:C:\\blocked\\Hello"});
    fs::remove(LinuxPath("C:\\blocked"));
    ASSERT_FALSE(r.Run.TimedOut);
    EXPECT_EQ(r.Run.ExitCode, 3) << r.Run.Output;
    EXPECT_TRUE(r.Windows.empty());
}

TEST_F(InstallE2E, ProgramFilesOfTheSetupsOwnArchitecture) {
    // An x64 setup on 64-bit Windows installs into the native program-files folder; an x86
    // one into the folder the system gives 32-bit programs. Either way, the folder the
    // prefix's own programs of that architecture report.
    const std::string setup = BuildDemoSetup("demo-arch");
    ASSERT_FALSE(setup.empty());
    WatchedRun r = RunSetupWatched(setup, {"/Q"});
    ASSERT_EQ(r.Run.ExitCode, 0) << r.Run.Output;
    EXPECT_TRUE(fs::exists(LinuxFolder("PROGRAMFILES") + "/Hello Wendlebox/Hello.exe"));
    if (WineArch() == "win64") {
        EXPECT_EQ(WinFolder("PROGRAMFILES"), "C:\\Program Files");
        EXPECT_FALSE(fs::exists(LinuxPath("C:\\Program Files (x86)\\Hello Wendlebox")));
    }
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// A kind-5 task copies a versioned file over one already in the program folder: the quiet
// run replaces it only with a higher version, and asks nobody either way.
class QuietVersionAnswerE2E : public ::testing::TestWithParam<bool> {};

TEST_P(QuietVersionAnswerE2E, HigherVersionReplacesLowerIsKept) {
    const bool newerInSetup = GetParam();
    const std::string inSetup = newerInSetup ? "verfile_new.exe" : "verfile_old.exe";
    const std::string present = newerInSetup ? "verfile_old.exe" : "verfile_new.exe";
    const std::string name = newerInSetup ? "answer-newer" : "answer-older";
    const std::string progDir = "C:\\Version Answer " + name + "\\";
    std::string project = MakeProject(
        name, {{"setup.ini",
                "[Info]\r\nTitel = Version Answer\r\n[Settings]\r\nDefaultDir = " + progDir +
                    "\r\n[Task]\r\nNoUninstall = 1\r\n[UserTask]\r\nNumber = 1\r\n"
                    "Task1 = 5|Tool|tool.exe|%ProgDir%\r\n"},
               {"tool.exe", ReadFile(Win32BinPath(inSetup))},
               {"program/readme.txt", "r"}});
    std::string setup = ScratchDir(name + "-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath(), "--arch " + TargetArch()), 0);
    const std::string target = LinuxPath(progDir) + "Tool.lnk";
    std::filesystem::remove_all(LinuxPath(progDir));
    std::filesystem::create_directories(LinuxPath(progDir));
    WriteFile(target, ReadFile(Win32BinPath(present)));

    WatchedRun r = RunSetupWatched(setup, {"/Q"});
    ASSERT_FALSE(r.Run.TimedOut) << r.Run.Output;
    EXPECT_EQ(r.Run.ExitCode, 0) << r.Run.Output;
    EXPECT_TRUE(r.Windows.empty()) << "a quiet run showed: " << r.Windows.front();
    EXPECT_EQ(ReadFile(target), ReadFile(Win32BinPath("verfile_new.exe")))
        << (newerInSetup ? "the higher version was not copied" : "the higher version was replaced");
    std::filesystem::remove_all(LinuxPath(progDir));
}

INSTANTIATE_TEST_SUITE_P(Shapes, QuietVersionAnswerE2E, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) {
                             return i.param ? std::string("NewerInSetup") : std::string("OlderInSetup");
                         });

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

// Kind 9: a file of the setup copied to a folder of its own and run, with the installer
// waiting and InstallDir in the program's environment; and a library that came with the
// program files registered by regsvr32 under a path with blanks, which reaches it only
// quoted.
TEST(InstallTaskE2E, CopiedProgramRunsAndBundledLibraryIsRegistered) {
    const std::string progDir = "C:\\Register Task Test\\";
    std::filesystem::remove_all(LinuxPath(progDir));
    std::filesystem::remove(LinuxFolder("TEMP") + "/wendlebox-demo.log");
    // The first task names the folder without the program-folder macro, so the file is
    // copied out of the setup; the second names a library that came with the program.
    std::string project = MakeProject(
        "register-task",
        {{"setup.ini", "[Info]\r\nTitel = Register Test\r\n[Settings]\r\nDefaultDir = " + progDir +
                           "\r\n[Task]\r\nNoUninstall = 1\r\n[UserTask]\r\nNumber = 2\r\n"
                           "Task1 = 9|" + progDir + "|taskrun.exe|0\r\n"
                           "Task2 = 9|%ProgDir%lib\\|regtarget.dll|1\r\n"},
         {"taskrun.exe", ReadFile(BinDir() + "/demo/taskrun.exe")},
         {"program/lib/regtarget.dll", ReadFile(Win32BinPath("regtarget.dll"))}});
    std::string setup = ScratchDir("register-task-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath(), "--arch " + TargetArch()), 0);
    WatchedRun r = RunSetupWatched(setup, {"/Q"});
    ASSERT_FALSE(r.Run.TimedOut) << r.Run.Output;
    EXPECT_EQ(r.Run.ExitCode, 0) << r.Run.Output;
    EXPECT_TRUE(r.Windows.empty()) << "a quiet run showed: " << r.Windows.front();
    EXPECT_TRUE(ReadFile(LinuxPath(progDir + "taskrun.exe")) == ReadFile(BinDir() + "/demo/taskrun.exe"))
        << "the task's program was not copied";
    std::string log = ReadFile(LinuxFolder("TEMP") + "/wendlebox-demo.log");
    EXPECT_NE(log.find("taskrun.exe ran InstallDir=" + progDir), std::string::npos) << log;
    EXPECT_TRUE(std::filesystem::exists(LinuxPath(progDir + "lib\\registered.txt")))
        << "regsvr32 did not reach the library under its quoted path";
    std::filesystem::remove_all(LinuxPath(progDir));
}

}  // namespace
}  // namespace e2e
