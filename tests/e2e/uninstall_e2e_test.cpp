// The uninstaller under Wine: an installation laid out by hand in the prefix (files,
// folders, shortcut files, registry values, uninstall.dat), then uninstall.exe run quietly
// or through its window, and what is gone and what stays afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kEntryKey =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool Exists(const std::string& linuxPath) {
    std::error_code ec;
    return fs::exists(linuxPath, ec);
}

void RegAdd(const std::string& key, const std::string& value, const std::string& data) {
    std::vector<std::string> args = {"add", key};
    if (value.empty()) {
        args.push_back("/ve");
    } else {
        args.insert(args.end(), {"/v", value});
    }
    args.insert(args.end(), {"/d", data, "/f"});
    RunResult r = RunWine("reg", args, 60);
    ASSERT_EQ(r.ExitCode, 0) << key << " " << value << ": " << r.Output;
}

bool RegKeyExists(const std::string& key) { return RunWine("reg", {"query", key}, 60).ExitCode == 0; }

bool RegValueExists(const std::string& key, const std::string& value) {
    bool found = false;
    RegRead(key, value, &found);
    return found;
}

// The default value of `key` ("reg query /ve"); `found` tells whether it is set.
std::string RegDefault(const std::string& key, bool* found) {
    RunResult r = RunWine("reg", {"query", key, "/ve"}, 60);
    *found = false;
    size_t type = r.ExitCode == 0 ? r.Output.find("REG_SZ") : std::string::npos;
    if (type == std::string::npos) return {};
    size_t begin = r.Output.find_first_not_of(' ', type + 6);
    size_t end = r.Output.find_first_of("\r\n", type);
    std::string data = (begin == std::string::npos || begin >= end)
                           ? std::string()
                           : r.Output.substr(begin, end - begin);
    // reg prints a default value that is not set as this text.
    *found = data != "(value not set)";
    return *found ? data : std::string();
}

// One installation of "Tool" in Program Files\<name>, as the installer leaves it.
struct Installation {
    std::string Name;
    std::string WinDir, Dir;          // the program folder, Windows (with "\") and Linux
    std::string WinDesktop, Desktop;  // the desktop folder
    std::string WinMenu, Menu;        // the program's Start-menu folder (with "\")
    std::string Guid;
};

Installation Lay(const std::string& name, const std::string& settings,
                 const std::vector<std::string>& tasks, const std::string& files,
                 const std::string& dirs) {
    Installation in;
    in.Name = name;
    in.Guid = "{7E57" + std::to_string(std::hash<std::string>{}(name) % 100000) +
              "-0000-4000-8000-0000000000E2}";
    in.WinDir = WinFolder("PROGRAMFILES") + "\\" + name + "\\";
    in.Dir = LinuxFolder("PROGRAMFILES") + "/" + name;
    in.WinDesktop = WinFolder("USERPROFILE") + "\\Desktop\\";
    in.Desktop = LinuxPath(in.WinDesktop);
    in.WinMenu = WinFolder("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs\\" + name + "\\";
    in.Menu = LinuxPath(in.WinMenu);
    fs::remove_all(in.Dir);
    fs::remove_all(in.Menu);
    fs::create_directories(in.Dir + "/data/deep");
    fs::create_directories(in.Desktop);
    fs::create_directories(in.Menu);
    fs::copy_file(Win32BinPath("uninstall.exe"), in.Dir + "/uninstall.exe");
    WriteFile(in.Dir + "/tool.exe", "program");
    WriteFile(in.Dir + "/data/a.txt", "a");
    WriteFile(in.Dir + "/data/deep/b.txt", "b");
    // Shortcut files: the uninstaller deletes them by name, whatever they hold.
    WriteFile(in.Desktop + "/" + name + ".lnk", "L");
    for (const char* link : {"Tool.lnk", "Help.lnk", "Uninstall.lnk"}) {
        WriteFile(in.Menu + "/" + link, "L");
    }
    std::string log =
        "; Uninstall log of Tool; the installation adds to it.\r\n[Settings]\r\n"
        "ProgName = Tool\r\nVersion = 2.5\r\n" + settings +
        "ProgDir = " + in.WinDir + "\r\nProgExe = tool.exe\r\nGUID = " + in.Guid + "\r\n"
        "ProgLink = Tool\r\nStartMenu = " + in.WinMenu + "\r\n"
        "DesktopIcon = " + in.WinDesktop + name + ".lnk\r\n"
        "[Files]\r\n" + files + "[Dirs]\r\n" + dirs +
        "[Language]\r\nTitel = uninstall Program\r\nMsg = Program files And registry entries will be removed.\r\n"
        "Version = Version\r\nUninstInfo = Remove the following Program from your computer:\r\n"
        "DelAll = Delete all(!) files in the directory (including user files).\r\n"
        "Error = Uninstalling Program Not possible.\r\nMutex = Close Program '$Titel' first!|Then press OK!\r\n"
        "Status = Uninstalling completed.\r\nOK = OK\r\nCancel = Cancel\r\nReady = Ready\r\n"
        "[StartMenu]\r\nProgram = " + in.WinMenu + "Tool.lnk\r\nAddExe = " + in.WinMenu + ".lnk\r\n"
        "Help = " + in.WinMenu + "Help.lnk\r\nHomepage = " + in.WinMenu + "Homepage.lnk\r\n"
        "Uninstall = " + in.WinMenu + "Uninstall.lnk\r\n"
        "[UserTask]\r\nNumber = " + std::to_string(tasks.size()) + "\r\n";
    for (size_t i = 0; i < tasks.size(); ++i) {
        log += "Task" + std::to_string(i + 1) + " = " + tasks[i] + "\r\n";
    }
    WriteFile(in.Dir + "/uninstall.dat", log);
    RegAdd(kEntryKey + in.Guid, "DisplayName", "Tool  2.5");
    RegAdd(kEntryKey + in.Guid, "UninstallString", in.WinDir + "uninstall.exe");
    return in;
}

const std::string kFiles =
    "F001 = tool.exe\r\nF002 = data\\a.txt\r\nF003 = data\\deep\\b.txt\r\n"
    "F004 = uninstall.exe\r\nF005 = uninstall.dat\r\n";
const std::string kDirs = "D001 = data\\deep\\\r\nD002 = data\\\r\n";

std::string Uninstaller(const Installation& in) { return in.WinDir + "uninstall.exe"; }

void ExpectProgramGone(const Installation& in) {
    for (const char* f : {"/tool.exe", "/data/a.txt", "/data/deep", "/uninstall.dat"}) {
        EXPECT_FALSE(Exists(in.Dir + f)) << f;
    }
    EXPECT_FALSE(Exists(in.Desktop + "/" + in.Name + ".lnk"));
    EXPECT_FALSE(Exists(in.Menu)) << "the emptied Start-menu folder goes";
    EXPECT_FALSE(RegKeyExists(kEntryKey + in.Guid));
}

void ExpectNothingRemoved(const Installation& in) {
    for (const char* f : {"/tool.exe", "/data/a.txt", "/data/deep/b.txt", "/uninstall.exe",
                          "/uninstall.dat"}) {
        EXPECT_TRUE(Exists(in.Dir + f)) << f;
    }
    EXPECT_TRUE(Exists(in.Desktop + "/" + in.Name + ".lnk"));
    EXPECT_TRUE(Exists(in.Menu + "/Tool.lnk"));
    EXPECT_TRUE(RegKeyExists(kEntryKey + in.Guid));
}

// The window's controls as wbdriver prints them: number -> text, only visible ones.
std::map<int, std::string> VisibleControls(const std::string& output) {
    std::map<int, std::string> controls;
    size_t begin = 0;
    while (begin < output.size()) {
        size_t end = output.find('\n', begin);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(begin, end - begin);
        begin = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cols;
        size_t at = 0;
        for (size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1) {
            cols.push_back(line.substr(at, tab - at));
        }
        cols.push_back(line.substr(at));
        if (cols.size() == 4 && cols[2] == "1") controls[std::atoi(cols[0].c_str())] = cols[3];
    }
    return controls;
}

TEST(UninstallE2E, QuietRunUndoesTheTasksAndRemovesEverythingRecorded) {
    const std::string classes = "HKLM\\Software\\Classes\\";
    const std::string userKey = "HKCU\\Software\\WbUninstE2E";
    std::string extraLink = WinFolder("USERPROFILE") + "\\Desktop\\Tool Extra.lnk";
    std::string copied = WinFolder("APPDATA") + "\\ToolSettings.cfg";
    std::string foreign = WinFolder("APPDATA") + "\\NotOurs.cfg";
    WriteFile(LinuxPath(extraLink), "L");
    WriteFile(LinuxPath(copied), "c");
    WriteFile(LinuxPath(foreign), "f");
    std::string progDir = WinFolder("PROGRAMFILES") + "\\UninstQuiet\\";
    RegAdd(userKey, "Path", progDir);
    RegAdd(userKey, "Keep", "user data");
    // Kind 10, machine-wide layout: ours, and one another program took over since.
    RegAdd(classes + ".wbue1", "", "tool.exe");
    RegAdd(classes + "tool.exe", "", "Tool file");
    RegAdd(classes + "tool.exe\\shell\\open\\command", "", "\"" + progDir + "tool.exe\" \"%1\"");
    RegAdd(classes + ".wbue2", "", "Other.Document");
    // Kind 10, per-user layout.
    const std::string fileExts =
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.wbue3";
    RegAdd("HKCR\\Applications\\tool.exe\\shell\\open\\command", "",
           "\"" + progDir + "tool.exe\" \"%1\"");
    RegAdd("HKCR\\.wbue3", "", "wbue3_auto_file");
    RegAdd("HKCR\\wbue3_auto_file", "", "Tool file");
    RegAdd(fileExts, "Application", "tool.exe");
    Installation in = Lay("UninstQuiet", "NoDelAll = 0\r\nMutexString = WbUninstQuietMutex\r\n",
                          {"0|" + extraLink, "5|" + copied, "6|2147483649|Software\\WbUninstE2E|Path",
                           "10|wbue1|tool.exe", "10|wbue2|tool.exe", "10|wbue3|tool.exe",
                           "8|nothing to undo"},
                          kFiles, kDirs);
    WriteFile(in.Dir + "/data/user notes.txt", "mine");

    RunResult r = RunWine(Uninstaller(in), {"/Q"}, 90);
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    ExpectProgramGone(in);
    EXPECT_FALSE(Exists(LinuxPath(extraLink)));
    EXPECT_FALSE(Exists(LinuxPath(copied)));
    EXPECT_TRUE(Exists(LinuxPath(foreign)));
    EXPECT_FALSE(RegValueExists(userKey, "Path"));
    EXPECT_TRUE(RegValueExists(userKey, "Keep"));
    EXPECT_FALSE(RegKeyExists(classes + "tool.exe"));
    bool found = true;
    RegDefault(classes + ".wbue1", &found);
    EXPECT_FALSE(found) << "our association's class default went";
    EXPECT_EQ(RegDefault(classes + ".wbue2", &found), "Other.Document");
    EXPECT_TRUE(found);
    EXPECT_FALSE(RegKeyExists("HKCR\\Applications\\tool.exe"));
    EXPECT_FALSE(RegKeyExists("HKCR\\wbue3_auto_file"));
    RegDefault("HKCR\\.wbue3", &found);
    EXPECT_FALSE(found);
    EXPECT_FALSE(RegValueExists(fileExts, "Application"));
    // Without DelAll the user's file stays, and with it its folders.
    EXPECT_TRUE(Exists(in.Dir + "/data/user notes.txt"));
    EXPECT_TRUE(GoneWithin(in.Dir + "/uninstall.exe", 20));
    EXPECT_TRUE(Exists(in.Dir));
}

TEST(UninstallE2E, UninstallerRemovesItselfAndTheFolder) {
    Installation in = Lay("UninstSelf", "NoDelAll = 0\r\nMutexString =\r\n", {}, kFiles, kDirs);
    RunResult r = RunWine(Uninstaller(in), {"/q"}, 90);
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    ExpectProgramGone(in);
    EXPECT_TRUE(GoneWithin(in.Dir, 20)) << "uninstall.exe and the folder go once it has ended";
}

TEST(UninstallE2E, RunningProgramStopsTheQuietRemoval) {
    Installation in = Lay("UninstBusy", "NoDelAll = 0\r\nMutexString = WbUninstBusyMutex\r\n",
                          {}, kFiles, kDirs);
    std::string ready = ScratchDir("uninst-busy") + "/held";
    RunResult holder;
    std::thread program(
        [&] { holder = RunWine(Win32BinPath("mutex_holder.exe"), {"WbUninstBusyMutex", WinPath(ready), "60"}, 90); });
    for (int i = 0; i < 300 && !Exists(ready); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(Exists(ready)) << "the program holding the mutex did not start";
    RunResult r = RunWine(Uninstaller(in), {"/Q"}, 90);
    fs::remove(ready);
    program.join();
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    ExpectNothingRemoved(in);

    // Once the program has ended the same log removes everything.
    RunResult again = RunWine(Uninstaller(in), {"/Q"}, 90);
    EXPECT_EQ(again.ExitCode, 0) << again.Output;
    ExpectProgramGone(in);
}

TEST(UninstallE2E, RunningProgramMakesTheWindowAskFirst) {
    Installation in = Lay("UninstAsk", "NoDelAll = 0\r\nMutexString = WbUninstAskMutex\r\n",
                          {}, kFiles, kDirs);
    std::string ready = ScratchDir("uninst-ask") + "/held";
    RunResult holder;
    std::thread program([&] {
        holder = RunWine(Win32BinPath("mutex_holder.exe"), {"WbUninstAskMutex", WinPath(ready), "60"}, 90);
    });
    for (int i = 0; i < 300 && !Exists(ready); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(Exists(ready)) << "the program holding the mutex did not start";
    RunResult run;
    std::thread uninstaller([&] { run = RunWine(Uninstaller(in), {}, 120); });
    ASSERT_EQ(Driver({"wait", " uninstall Program", "30"}).ExitCode, 0);
    EXPECT_EQ(Driver({"click", " uninstall Program", "1"}).ExitCode, 0);
    // The question comes on top of the window, under the same caption.
    std::string question;
    for (int i = 0; i < 30 && question.find("first!") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        question = Driver({"texts", " uninstall Program"}).Output;
    }
    EXPECT_NE(question.find("Close Program 'Tool' first!|Then press OK!"), std::string::npos)
        << question;
    EXPECT_EQ(Driver({"dismiss", " uninstall Program", "2"}).ExitCode, 0);
    uninstaller.join();
    fs::remove(ready);
    program.join();
    EXPECT_EQ(run.ExitCode, 1);
    ExpectNothingRemoved(in);
}

TEST(UninstallE2E, UninstallersOfBothArchitecturesImportOnlySystemLibraries) {
    const std::vector<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll",
                                              "advapi32.dll", "shell32.dll", "ole32.dll",
                                              "msvcrt.dll"};
    for (const char* arch : {"win32", "win64"}) {
        SCOPED_TRACE(arch);
        std::string out;
        ASSERT_EQ(RunHost(ToolPrefix(arch) + "objdump -p '" + OutDir() + "/" + arch +
                              "/uninstall.exe'", &out), 0) << out;
        int imports = 0;
        for (size_t at = out.find("DLL Name: "); at != std::string::npos;
             at = out.find("DLL Name: ", at + 1)) {
            std::string name = out.substr(at + 10, out.find('\n', at) - at - 10);
            for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name;
            ++imports;
        }
        EXPECT_GT(imports, 0);
    }
}

TEST(UninstallE2E, TamperedLogDeletesNothingOutsideTheFolder) {
    std::string winIni = LinuxFolder("WINDIR") + "/win.ini";
    std::string bait = LinuxFolder("PROGRAMFILES") + "/bait.txt";
    if (!Exists(winIni)) WriteFile(winIni, "[windows]\r\n");
    WriteFile(bait, "do not delete");
    Installation in = Lay("UninstTampered", "NoDelAll = 0\r\nMutexString =\r\n", {},
                          "F001 = tool.exe\r\nF002 = ..\\..\\windows\\win.ini\r\nF003 = " +
                              WinPath(bait) + "\r\nF004 = ..\\bait.txt\r\nF005 = C:bait.txt\r\n",
                          "D001 = ..\\\r\nD002 = ..\\..\\windows\\\r\n");
    RunResult r = RunWine(Uninstaller(in), {"/Q"}, 90);
    EXPECT_EQ(r.ExitCode, 2) << "refused entries leave something behind: " << r.Output;
    EXPECT_TRUE(Exists(winIni));
    EXPECT_TRUE(Exists(bait));
    EXPECT_TRUE(Exists(LinuxFolder("PROGRAMFILES")));
    EXPECT_FALSE(Exists(in.Dir + "/tool.exe")) << "what the log names inside still goes";

    // A log claiming another folder as the installation removes nothing at all.
    Installation moved = Lay("UninstMoved", "NoDelAll = 0\r\nMutexString =\r\n", {}, kFiles, kDirs);
    std::string log = ReadFile(moved.Dir + "/uninstall.dat");
    log.replace(log.find("ProgDir = "), std::string("ProgDir = ").size() + moved.WinDir.size(),
                "ProgDir = " + WinFolder("WINDIR") + "\\");
    WriteFile(moved.Dir + "/uninstall.dat", log);
    RunResult m = RunWine(Uninstaller(moved), {"/Q"}, 90);
    EXPECT_EQ(m.ExitCode, 2);
    ExpectNothingRemoved(moved);
}

TEST(UninstallE2E, MissingLogRemovesNothing) {
    Installation in = Lay("UninstNoLog", "NoDelAll = 0\r\n", {}, kFiles, kDirs);
    fs::remove(in.Dir + "/uninstall.dat");
    RunResult r = RunWine(Uninstaller(in), {"/Q"}, 90);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_TRUE(Exists(in.Dir + "/tool.exe"));
    EXPECT_TRUE(Exists(in.Dir + "/uninstall.exe"));
    EXPECT_TRUE(RegKeyExists(kEntryKey + in.Guid));
}

TEST(UninstallE2E, WindowWithDelAllTickedRemovesTheUsersFilesToo) {
    Installation in = Lay("UninstWindow", "NoDelAll = 0\r\nMutexString =\r\n", {}, kFiles, kDirs);
    WriteFile(in.Dir + "/data/user notes.txt", "mine");
    WriteFile(in.Dir + "/saved.cfg", "mine");
    RunResult run;
    std::thread uninstaller([&] { run = RunWine(Uninstaller(in), {}, 120); });
    RunResult texts = Driver({"texts", " uninstall Program"});
    std::map<int, std::string> controls = VisibleControls(texts.Output);
    EXPECT_EQ(controls[10], "Program files And registry entries will be removed.") << texts.Output;
    EXPECT_EQ(controls[11], "Remove the following Program from your computer:");
    EXPECT_EQ(controls[12], "Tool||Version 2.5");
    EXPECT_EQ(controls[13], "Delete all(!) files in the directory (including user files).");
    EXPECT_EQ(controls[1], "OK");
    EXPECT_EQ(controls[2], "Cancel");
    EXPECT_EQ(Driver({"click", " uninstall Program", "13"}).ExitCode, 0);
    EXPECT_EQ(Driver({"click", " uninstall Program", "1"}).ExitCode, 0);
    // The end of the removal: Ready on the button and Status on the line.
    std::map<int, std::string> done;
    for (int i = 0; i < 30 && done[1] != "Ready"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        done = VisibleControls(Driver({"texts", " uninstall Program"}).Output);
    }
    EXPECT_EQ(done[1], "Ready");
    EXPECT_EQ(done[14], "Uninstalling completed.");
    EXPECT_EQ(done.count(2), 0u) << "Cancel is gone once the removal ran";
    EXPECT_EQ(Driver({"dismiss", " uninstall Program", "1"}).ExitCode, 0);
    uninstaller.join();
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    ExpectProgramGone(in);
    EXPECT_TRUE(GoneWithin(in.Dir, 20)) << "DelAll: the user's files went too";
}

TEST(UninstallE2E, NoDelAllHidesTheBoxAndCancelKeepsEverything) {
    Installation in = Lay("UninstNoDelAll", "NoDelAll = 1\r\nMutexString =\r\n", {}, kFiles, kDirs);
    RunResult run;
    std::thread uninstaller([&] { run = RunWine(Uninstaller(in), {}, 120); });
    RunResult texts = Driver({"texts", " uninstall Program"});
    std::map<int, std::string> controls = VisibleControls(texts.Output);
    EXPECT_EQ(controls.count(1), 1u) << texts.Output;
    EXPECT_EQ(controls.count(13), 0u) << "NoDelAll: no DelAll box";
    EXPECT_EQ(Driver({"dismiss", " uninstall Program", "2"}).ExitCode, 0);
    uninstaller.join();
    EXPECT_EQ(run.ExitCode, 1);
    ExpectNothingRemoved(in);
}

TEST(UninstallE2E, DamagedLogShowsTheErrorText) {
    Installation in = Lay("UninstDamaged", "NoDelAll = 0\r\n", {}, kFiles, kDirs);
    WriteFile(in.Dir + "/uninstall.dat",
              "[Language]\r\nTitel = Deinstallation\r\nError = Deinstallation nicht moeglich.\r\n");
    RunResult run;
    std::thread uninstaller([&] { run = RunWine(Uninstaller(in), {}, 120); });
    RunResult texts = Driver({"texts", " Deinstallation"});
    EXPECT_NE(texts.Output.find("Deinstallation nicht moeglich."), std::string::npos)
        << texts.Output;
    EXPECT_EQ(Driver({"dismiss", " Deinstallation", "1"}).ExitCode, 0);
    uninstaller.join();
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(Exists(in.Dir + "/tool.exe"));
}

TEST(UninstallE2E, BuiltSetupCarriesTheRealUninstaller) {
    std::string project = MakeProject("uninst-pack", {
        {"setup.ini", "[Info]\r\nTitel = Tool\r\nVersion = 2.5\r\n[Settings]\r\nProgExe = tool.exe\r\n"},
        {"program/tool.exe", "program"}});
    std::string setup = ScratchDir("uninst-pack-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    std::string out;
    ASSERT_EQ(RunHost("'" + WbpackPath() + "' list '" + setup + "'", &out), 0) << out;
    std::string size = std::to_string(fs::file_size(Win32BinPath("uninstall.exe")));
    size_t line = out.find("uninstall.exe");
    ASSERT_NE(line, std::string::npos) << out;
    std::string row = out.substr(out.rfind('\n', line) + 1, line - out.rfind('\n', line) - 1);
    EXPECT_NE(row.find(" " + size + " "), std::string::npos) << row;
}

}  // namespace
}  // namespace e2e
