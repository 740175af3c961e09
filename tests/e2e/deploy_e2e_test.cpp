// Deployment under Wine: an upgrade that forgets nothing, the uninstall entry deployment
// tools read, and the install logs of /L for setup.exe and uninstall.exe.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kEntryKey =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void DeleteKey(const std::string& key) { RunWine("reg", {"delete", key, "/f"}, 60); }

bool KeyExists(const std::string& key) { return RunWine("reg", {"query", key}, 60).ExitCode == 0; }

// "REG_TYPE data" of a value as reg shows it; empty when it is missing.
std::string Typed(const std::string& key, const std::string& value) {
    RunResult r = RunWine("reg", {"query", key, "/v", value}, 60);
    std::istringstream lines(r.Output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t type = line.find("    REG_");
        if (type == std::string::npos) continue;
        std::string name = line.substr(0, type);
        name.erase(0, name.find_first_not_of(' '));
        if (Lower(name) != Lower(value)) continue;
        const size_t gap = line.find("    ", type + 4);
        const std::string kind = line.substr(type + 4, gap == std::string::npos ? gap : gap - type - 4);
        return kind + " " + (gap == std::string::npos ? "" : line.substr(gap + 4));
    }
    return {};
}

// Every file and folder below `root` (Linux), relative, skipping what Wine itself changes
// between runs (its own folder, temporary folders, caches).
std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> names;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (ec) break;
        const std::string rel = fs::relative(it->path(), root).generic_string();
        const std::string low = Lower(rel);
        if (low.rfind("windows", 0) == 0 || low.find("/temp") != std::string::npos ||
            low.find("/cache") != std::string::npos || low.rfind("programdata", 0) == 0 ||
            low.find("wine") != std::string::npos) {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        names.insert(rel);
    }
    return names;
}

std::string Lines(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += n + "\n";
    return text;
}

std::set<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::set<std::string> out;
    for (const std::string& n : a) {
        if (!b.count(n)) out.insert(n);
    }
    return out;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The last line of a log (without its CR LF) ends with `tail`.
bool LastLineEndsWith(const std::string& log, const std::string& tail) {
    const std::string end = tail + "\r\n";
    return log.size() >= end.size() && log.compare(log.size() - end.size(), end.size(), end) == 0;
}

// Every line of a log begins with a date and a time.
void ExpectTimedLines(const std::string& log) {
    std::istringstream lines(log);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        ASSERT_GE(line.size(), 21u) << line;
        EXPECT_TRUE(line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[13] == ':' &&
                    line[16] == ':' && line.back() == '\r')
            << line;
    }
    EXPECT_GT(count, 3);
}

// --- upgrade ------------------------------------------------------------------------------

constexpr const char* kUpGuid = "{5A1E2C3D-0000-4000-8000-0000000D3701}";

std::string UpgradeIni(const std::string& version, bool v1) {
    std::string ini = "[Info]\r\nTitel = Upgrader\r\nVersion = " + version + "\r\nGUID = " +
                      kUpGuid + "\r\nAuthor = Acme Tools Ltd\r\nEMail = support@acme.invalid\r\n"
                      "Web = https://acme.invalid/upgrader\r\n"
                      "[Settings]\r\nProgExe = tool.exe\r\nDefaultDir = %ProgramFiles%Upgrader\r\n"
                      "[StartMenue]\r\nDefaultDir = Upgrader\r\nProgLink = Upgrader\r\nUnistall = 1\r\n";
    if (v1) ini += "Help = docs\\manual.txt\r\n";
    ini += "[Task]\r\nDesktop = 1\r\nStartMenu = 1\r\n[UserTask]\r\n";
    if (v1) {
        ini += "Number = 2\r\nTask1 = 0|Upgrader Notes|notes.txt|-1||\r\n"
               "Task2 = 6|2147483649|Software\\Acme Upgrader\\Old|Path|%InstallDir%\r\n";
    } else {
        ini += "Number = 1\r\nTask1 = 6|2147483649|Software\\Acme Upgrader\\New|Path|%InstallDir%\r\n";
    }
    return ini;
}

std::string BuildUpgrade(const std::string& version, bool v1) {
    std::map<std::string, std::string> files = {{"setup.ini", UpgradeIni(version, v1)},
                                                {"program/tool.exe", "MZ tool " + version},
                                                {"program/notes.txt", "notes"},
                                                {"program/docs/manual.txt", "manual"}};
    if (v1) {
        files["program/old.txt"] = "only in 1.0";
        files["program/olddir/inside.txt"] = "only in 1.0";
    }
    const std::string project = MakeProject("upgrade-" + version, files);
    const std::string setup = ScratchDir("upgrade-" + version + "-out") + "/setup.exe";
    EXPECT_EQ(BuildSetup(project, setup, StubPath()), 0);
    return setup;
}

TEST(DeployE2E, UpgradeThenUninstallLeavesThePrefixAsBefore) {
    const std::string setup1 = BuildUpgrade("1.0", true);
    const std::string setup2 = BuildUpgrade("2.0", false);
    const std::string drive = LinuxPath("C:\\");
    const std::string prog = LinuxFolder("PROGRAMFILES") + "/Upgrader";
    const std::string menu =
        LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/Upgrader";
    const std::string desktop = LinuxFolder("USERPROFILE") + "/Desktop";
    const std::string entry = kEntryKey + std::string(kUpGuid);
    fs::remove_all(prog);
    fs::remove_all(menu);
    DeleteKey(entry);
    DeleteKey("HKCU\\Software\\Acme Upgrader");
    const std::set<std::string> before = Tree(drive);

    RunResult r1 = RunWine(setup1, {"/Q"});
    ASSERT_EQ(r1.ExitCode, 0) << r1.Output;
    ASSERT_EQ(ReadFile(prog + "/old.txt"), "only in 1.0");
    ASSERT_TRUE(fs::exists(menu + "/Help.lnk"));
    ASSERT_TRUE(fs::exists(desktop + "/Upgrader Notes.lnk"));
    ASSERT_TRUE(KeyExists("HKCU\\Software\\Acme Upgrader\\Old"));

    RunResult r2 = RunWine(setup2, {"/Q"});
    ASSERT_EQ(r2.ExitCode, 0) << r2.Output;
    EXPECT_EQ(ReadFile(prog + "/tool.exe"), "MZ tool 2.0") << "2.0 went where 1.0 lives";
    EXPECT_EQ(RegRead(entry, "DisplayVersion"), "2.0");
    EXPECT_TRUE(KeyExists("HKCU\\Software\\Acme Upgrader\\New"));
    const std::string log = ReadFile(prog + "/uninstall.dat");
    EXPECT_TRUE(Has(log, "old.txt") && Has(log, "olddir\\") && Has(log, "Upgrader Notes.lnk") &&
                Has(log, "Software\\Acme Upgrader\\Old") && Has(log, "Help.lnk"))
        << log;

    RunResult u = RunWine(LinuxPath(WinFolder("PROGRAMFILES") + "\\Upgrader\\uninstall.exe"), {"/Q"});
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_TRUE(GoneWithin(prog, 30)) << "the installation folder goes with everything in it";
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_FALSE(fs::exists(desktop + "/Upgrader.lnk"));
    EXPECT_FALSE(fs::exists(desktop + "/Upgrader Notes.lnk"));
    EXPECT_FALSE(KeyExists("HKCU\\Software\\Acme Upgrader"));
    EXPECT_FALSE(KeyExists(entry));
    const std::set<std::string> after = Tree(drive);
    EXPECT_TRUE(Minus(after, before).empty()) << "left behind:\n" << Lines(Minus(after, before));
    EXPECT_TRUE(Minus(before, after).empty()) << "lost:\n" << Lines(Minus(before, after));
}

// The earlier copy would lose its entry to the new one: it is removed first, and the log
// says where and how that went. Its uninstaller lies under Program Files, where only
// administrators write, so the (elevated) setup may start it.
TEST(DeployE2E, UpgradeIntoAnotherFolderMovesTheProgram) {
    const std::string setup1 = BuildUpgrade("1.0", true);
    const std::string setup2 = BuildUpgrade("2.0", false);
    const std::string firstWin = WinFolder("PROGRAMFILES") + "\\Mover A";
    const std::string secondWin = WinFolder("PROGRAMFILES") + "\\Mover B";
    const std::string first = LinuxPath(firstWin);
    const std::string second = LinuxPath(secondWin);
    const std::string entry = kEntryKey + std::string(kUpGuid);
    fs::remove_all(first);
    fs::remove_all(second);
    DeleteKey(entry);
    ASSERT_EQ(RunWine(setup1, {"/Q", "/P:" + firstWin}).ExitCode, 0);
    ASSERT_EQ(RegRead(entry, "InstallLocation"), firstWin + "\\");
    WriteFile(first + "/user notes.txt", "made by the user");

    const std::string logs = LinuxPath("C:\\Logs Dir");
    fs::remove_all(logs);
    RunResult r = RunWine(setup2, {"/Q", "/P:" + secondWin, "/L:C:\\Logs Dir\\move.log"});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(RegRead(entry, "InstallLocation"), secondWin + "\\");
    EXPECT_EQ(ReadFile(second + "/tool.exe"), "MZ tool 2.0");
    EXPECT_FALSE(fs::exists(first + "/tool.exe")) << "the earlier copy was removed";
    EXPECT_FALSE(fs::exists(first + "/old.txt"));
    EXPECT_EQ(ReadFile(first + "/user notes.txt"), "made by the user") << "user files stay";
    const std::string log = ReadFile(logs + "/move.log");
    EXPECT_TRUE(Has(log, "This program is installed in " + firstWin + "\\: that copy is removed first"))
        << log;
    EXPECT_TRUE(Has(log, "The earlier copy in " + firstWin + "\\ was removed")) << log;
    EXPECT_FALSE(KeyExists("HKCU\\Software\\Acme Upgrader\\Old"))
        << "1.0's task record went with it";

    RunResult u = RunWine(second + "/uninstall.exe", {"/Q"});
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_TRUE(GoneWithin(second, 30));
    EXPECT_FALSE(KeyExists(entry));
    fs::remove_all(first);
    fs::remove_all(logs);
}

// Outside Program Files anyone may have put an uninstall.exe next to a log of this (public)
// GUID: the setup, which runs with administrator rights, does not start it, says so, and
// leaves that copy whole with its own uninstaller.
TEST(DeployE2E, AnElevatedUpgradeStartsNoUninstallerUsersCouldHavePlanted) {
    const std::string setup1 = BuildUpgrade("1.0", true);
    const std::string setup2 = BuildUpgrade("2.0", false);
    const std::string first = LinuxPath("C:\\Planted Copy");
    const std::string second = LinuxFolder("PROGRAMFILES") + "/Planted Target";
    const std::string entry = kEntryKey + std::string(kUpGuid);
    fs::remove_all(first);
    fs::remove_all(second);
    DeleteKey(entry);
    ASSERT_EQ(RunWine(setup1, {"/Q", "/P:C:\\Planted Copy"}).ExitCode, 0);
    // What a user could do there: an uninstaller of their own making.
    fs::copy_file(OutDir() + "/" + WineArch() + "/wbhook.exe", first + "/uninstall.exe",
                  fs::copy_options::overwrite_existing);

    const std::string logs = LinuxPath("C:\\Logs Dir");
    fs::remove_all(logs);
    RunResult r = RunWine(setup2, {"/Q", "/P:" + WinFolder("PROGRAMFILES") + "\\Planted Target",
                                   "/L:C:\\Logs Dir\\planted.log"});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    const std::string log = ReadFile(logs + "/planted.log");
    EXPECT_TRUE(Has(log, "REFUSED to start C:\\Planted Copy\\uninstall.exe with administrator "
                         "rights"))
        << log;
    EXPECT_TRUE(fs::exists(first + "/tool.exe")) << "the earlier copy stays whole";
    EXPECT_TRUE(fs::exists(first + "/uninstall.dat"));
    EXPECT_EQ(ReadFile(second + "/tool.exe"), "MZ tool 2.0");

    RunWine(second + "/uninstall.exe", {"/Q"});
    fs::remove_all(first);
    fs::remove_all(second);
    fs::remove_all(logs);
    DeleteKey("HKCU\\Software\\Acme Upgrader");
}

// A per-user installation: files in the user's own program folder, the entry in the user's
// list, links in the user's folders, the association in the user's classes, nothing under
// Program Files or HKLM; a task that needs machine rights is logged as not done; the
// user's own uninstall.exe /Q then leaves the prefix as it was.
constexpr const char* kSoloGuid = "{5A1E2C3D-0000-4000-8000-0000000D3704}";

TEST(DeployE2E, APerUserInstallationStaysWithTheUserAndGoesWhole) {
    const std::string ini = std::string("[Info]\r\nTitel = Solo Tool\r\nVersion = 1.5\r\nGUID = ") +
                            kSoloGuid + "\r\nAuthor = Acme\r\n"
                            "[Settings]\r\nProgExe = solo.exe\r\nDefaultDir = %ProgramFiles%Acme\\Solo Tool\r\n"
                            "Scope = user\r\n"
                            "[StartMenue]\r\nDefaultDir = Solo Tool\r\nUnistall = 1\r\n"
                            "[Task]\r\nDesktop = 1\r\nStartMenu = 1\r\n[UserTask]\r\nNumber = 3\r\n"
                            "Task1 = 10|solo.exe|solodoc|Solo Document|0||0\r\n"
                            "Task2 = 6|2147483650|Software\\Acme Solo|Path|%InstallDir%\r\n"
                            "Task3 = 6|2147483649|Software\\Acme Solo|Path|%InstallDir%\r\n";
    const std::string project = MakeProject("solo", {{"setup.ini", ini},
                                                     {"program/solo.exe", "MZ solo"},
                                                     {"program/data/words.txt", "words"}});
    const std::string setup = ScratchDir("solo-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);

    const std::string drive = LinuxPath("C:\\");
    const std::string userPrograms = LinuxFolder("LOCALAPPDATA") + "/Programs";
    const std::string folder = userPrograms + "/Solo Tool";
    const std::string folderWin = WinFolder("LOCALAPPDATA") + "\\Programs\\Solo Tool\\";
    const std::string menu =
        LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/Solo Tool";
    const std::string desktop = LinuxFolder("USERPROFILE") + "/Desktop";
    const std::string userEntry =
        std::string("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kSoloGuid;
    const std::string machineEntry = kEntryKey + std::string(kSoloGuid);
    fs::remove_all(folder);
    DeleteKey(userEntry);
    DeleteKey("HKCU\\Software\\Acme Solo");
    // Windows 10 and 11 have the user's program folder already; so does this prefix.
    fs::create_directories(userPrograms);
    const std::set<std::string> before = Tree(drive);

    const std::string logWin = WinFolder("TEMP") + "\\solo-install.log";
    RunResult r = RunWine(setup, {"/Q", "/L:" + logWin});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(ReadFile(folder + "/solo.exe"), "MZ solo");
    EXPECT_TRUE(fs::exists(folder + "/uninstall.exe"));
    EXPECT_FALSE(fs::exists(LinuxFolder("PROGRAMFILES") + "/Acme"));
    EXPECT_EQ(RegRead(userEntry, "InstallLocation"), folderWin);
    EXPECT_EQ(RegRead(userEntry, "DisplayVersion"), "1.5");
    EXPECT_EQ(RegRead(userEntry, "QuietUninstallString"), "\"" + folderWin + "uninstall.exe\" /Q");
    EXPECT_FALSE(KeyExists(machineEntry));
    EXPECT_TRUE(fs::exists(menu + "/Solo Tool.lnk"));
    EXPECT_TRUE(fs::exists(desktop + "/Solo Tool.lnk"));
    EXPECT_EQ(RegRead("HKCU\\Software\\Classes\\.solodoc", ""), "solodoc_auto_file");
    EXPECT_FALSE(KeyExists("HKLM\\Software\\Classes\\.solodoc"));
    EXPECT_FALSE(KeyExists("HKLM\\Software\\Acme Solo")) << "a machine task is not done";
    EXPECT_EQ(RegRead("HKCU\\Software\\Acme Solo", "Path"), folderWin);
    const std::string log = ReadFile(LinuxPath(logWin));
    EXPECT_TRUE(Has(log, "Installing for the current user only")) << log;
    EXPECT_TRUE(Has(log, "Install task 2 (kind 6): NOT done, a per-user installation cannot do it"))
        << log;

    RunResult u = RunWine(folder + "/uninstall.exe", {"/Q"});
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_TRUE(GoneWithin(folder, 30));
    EXPECT_FALSE(KeyExists(userEntry));
    EXPECT_FALSE(KeyExists("HKCU\\Software\\Classes\\.solodoc"));
    EXPECT_FALSE(KeyExists("HKCU\\Software\\Acme Solo"));
    EXPECT_FALSE(fs::exists(menu));
    EXPECT_FALSE(fs::exists(desktop + "/Solo Tool.lnk"));
    fs::remove(LinuxPath(logWin));
    const std::set<std::string> after = Tree(drive);
    EXPECT_TRUE(Minus(after, before).empty()) << "left behind:\n" << Lines(Minus(after, before));
    EXPECT_TRUE(Minus(before, after).empty()) << "lost:\n" << Lines(Minus(before, after));
}

// A switch for a scope the setup does not offer ends with 8 before anything is written.
TEST(DeployE2E, AScopeTheSetupDoesNotOfferIsRefusedWithItsCode) {
    const std::string ini = std::string("[Info]\r\nTitel = Solo Tool\r\nGUID = ") + kSoloGuid +
                            "\r\n[Settings]\r\nDefaultDir = %ProgramFiles%Solo Tool\r\nScope = user\r\n";
    const std::string project = MakeProject("solo-refused", {{"setup.ini", ini},
                                                             {"program/solo.exe", "MZ solo"}});
    const std::string setup = ScratchDir("solo-refused-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    const std::set<std::string> before = Tree(LinuxPath("C:\\"));
    RunResult r = RunWine(setup, {"/Q", "/ALLUSERS"});
    EXPECT_EQ(r.ExitCode, 8) << r.Output;
    EXPECT_EQ(Tree(LinuxPath("C:\\")), before);
    EXPECT_FALSE(KeyExists(std::string("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                           kSoloGuid));
}

// --- the uninstall entry ------------------------------------------------------------------

TEST(DeployE2E, QuietInstallWritesEveryEntryValueWithItsType) {
    constexpr const char* kGuid = "{5A1E2C3D-0000-4000-8000-0000000D3702}";
    const std::string ini =
        std::string("[Info]\r\nTitel = Entry Tool\r\nVersion = 4.2.1\r\nGUID = ") + kGuid +
        "\r\nAuthor = Acme Tools Ltd\r\nEMail = support@acme.invalid\r\n"
        "Web = https://acme.invalid/entry\r\n[Settings]\r\nProgExe = tool.exe\r\n"
        "DefaultDir = C:\\Entry Tool\r\n[Task]\r\nStartMenu = 0\r\n";
    // 3000 bytes and 2000 bytes (and the uninstaller, the log): more than 4 KiB in all.
    const std::string project = MakeProject("entry", {{"setup.ini", ini},
                                                      {"program/tool.exe", std::string(3000, 'x')},
                                                      {"program/data.bin", std::string(2000, 'y')}});
    const std::string setup = ScratchDir("entry-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    const std::string key = kEntryKey + std::string(kGuid);
    DeleteKey(key);
    fs::remove_all(LinuxPath("C:\\Entry Tool"));

    RunResult r = RunWine(setup, {"/Q"});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(Typed(key, "DisplayName"), "REG_SZ Entry Tool  4.2.1");
    EXPECT_EQ(Typed(key, "DisplayVersion"), "REG_SZ 4.2.1");
    EXPECT_EQ(Typed(key, "Publisher"), "REG_SZ Acme Tools Ltd") << "the quiet run names it too";
    EXPECT_EQ(Typed(key, "Contact"), "REG_SZ support@acme.invalid");
    EXPECT_EQ(Typed(key, "URLInfoAbout"), "REG_SZ https://acme.invalid/entry");
    EXPECT_EQ(Typed(key, "HelpLink"), "REG_SZ https://acme.invalid/entry");
    EXPECT_EQ(Typed(key, "DisplayIcon"), "REG_SZ C:\\Entry Tool\\tool.exe");
    EXPECT_EQ(Typed(key, "InstallLocation"), "REG_SZ C:\\Entry Tool\\");
    EXPECT_EQ(Typed(key, "UninstallString"), "REG_SZ \"C:\\Entry Tool\\uninstall.exe\"");
    EXPECT_EQ(Typed(key, "QuietUninstallString"), "REG_SZ \"C:\\Entry Tool\\uninstall.exe\" /Q");
    EXPECT_EQ(Typed(key, "NoModify"), "REG_DWORD 0x1");
    EXPECT_EQ(Typed(key, "NoRepair"), "REG_DWORD 0x1");
    // The installed program files in KiB: at least the two files, and the uninstaller.
    const std::string size = Typed(key, "EstimatedSize");
    ASSERT_EQ(size.rfind("REG_DWORD 0x", 0), 0u) << size;
    const unsigned long kib = std::stoul(size.substr(12), nullptr, 16);
    const auto installed = fs::file_size(LinuxPath("C:\\Entry Tool\\tool.exe")) +
                           fs::file_size(LinuxPath("C:\\Entry Tool\\data.bin")) +
                           fs::file_size(LinuxPath("C:\\Entry Tool\\uninstall.exe"));
    EXPECT_GE(kib * 1024, installed);
    EXPECT_LT(kib, installed / 1024 + 16);
    // The local date of today, as the test machine sees it (Wine uses the host's zone).
    const std::time_t now = std::time(nullptr);
    char today[16];
    std::strftime(today, sizeof today, "%Y%m%d", std::localtime(&now));
    EXPECT_EQ(Typed(key, "InstallDate"), std::string("REG_SZ ") + today);

    RunResult u = RunWine(LinuxPath("C:\\Entry Tool\\uninstall.exe"), {"/Q"});
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_FALSE(KeyExists(key)) << "the uninstaller removes the whole entry";
}

// --- install logs -------------------------------------------------------------------------

constexpr const char* kLogGuid = "{5A1E2C3D-0000-4000-8000-0000000D3703}";

std::string LogProject(const std::string& name, const std::string& snapshot) {
    const std::string ini =
        std::string("[Info]\r\nTitel = Logged Tool\r\nVersion = 1.5\r\nGUID = ") + kLogGuid +
        "\r\nAuthor = Acme Tools Ltd\r\n[Settings]\r\nProgExe = Tool.exe\r\n"
        "DefaultDir = C:\\Logged Tool\r\nNoCopyExt = ini|\r\n"
        "[StartMenue]\r\nDefaultDir = Logged Tool\r\nProgLink = Logged Tool\r\n"
        "[Task]\r\nStartMenu = 1\r\nScriptFile = check.vbs\r\n[UserTask]\r\nNumber = 1\r\n"
        "Task1 = 6|2147483649|Software\\Acme Logged|Path|%InstallDir%\r\n";
    const std::string project =
        MakeProject(name, {{"setup.ini", ini},
                           {"program/Tool.exe", "MZ logged"},
                           {"program/config.ini", "shipped settings"},
                           {"program/Data/table.txt", "table"},
                           {"check.vbs", "Dim x\r\nx = 1\r\n"}});
    if (!snapshot.empty()) AddTempFolderSnapshot(project, snapshot);
    return project;
}

// The logged setup built into a scratch folder of its own; "" when wbpack failed.
std::string LogSetup(const std::string& name, bool snapshot = false) {
    const std::string dir = ScratchDir(name);
    const std::string setup = dir + "/setup.exe";
    const std::string project = LogProject(name + "-project", snapshot ? dir + "/snapshot" : "");
    return BuildSetup(project, setup, StubPath()) == 0 ? setup : std::string();
}

void ForgetLogged() {
    fs::remove_all(LinuxPath("C:\\Logged Tool"));
    fs::remove_all(LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/Logged Tool");
    DeleteKey(kEntryKey + std::string(kLogGuid));
    DeleteKey("HKCU\\Software\\Acme Logged");
}

TEST(DeployE2E, QuietRunLogsEveryStepIncludingAKeptFileAndAFailureRolledBack) {
    const std::string setup = LogSetup("log-quiet", true);
    ASSERT_FALSE(setup.empty());
    ForgetLogged();
    const std::string install = LinuxPath("C:\\Logged Tool");
    fs::create_directories(install);
    WriteFile(install + "/config.ini", "the user's settings");  // protected: kept
    WriteFile(install + "/Data", "in the way");                 // the folder Data fails
    const std::string logs = LinuxPath("C:\\Logs Dir");
    fs::remove_all(logs);

    // The failure: named with the system's reason, everything taken back, nothing registered.
    RunResult r = RunWine(setup, {"/Q", "/L:C:\\Logs Dir\\failed.log"});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 3) << r.Output;
    std::string log = ReadFile(logs + "/failed.log");
    ExpectTimedLines(log);
    EXPECT_TRUE(Has(log, "File kept (protected extension): C:\\Logged Tool\\config.ini\r\n"));
    const size_t failed = log.find("Folder FAILED: C:\\Logged Tool\\Data: ");
    ASSERT_NE(failed, std::string::npos) << log;
    const std::string reason = log.substr(failed, log.find('\r', failed) - failed);
    EXPECT_TRUE(reason.back() == ')' && reason.find(": system error ") == std::string::npos) << reason;
    EXPECT_TRUE(Has(log, "Rolled back: ") && Has(log, "the installation folder is as it was"))
        << log;
    EXPECT_FALSE(Has(log, "File written: ")) << log;
    EXPECT_FALSE(Has(log, "Uninstall entry written: ")) << log;
    EXPECT_FALSE(Has(log, "Shortcut created: ")) << log;
    EXPECT_TRUE(LastLineEndsWith(log, "Exit code 3")) << "the exit code is the last line:\n" << log;
    EXPECT_FALSE(fs::exists(install + "/Tool.exe"));
    EXPECT_EQ(ReadFile(install + "/config.ini"), "the user's settings");

    // With the way clear, every step.
    fs::remove(install + "/Data");
    r = RunWine(setup, {"/Q", "/L:C:\\Logs Dir\\setup.log"});
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(ReadFile(install + "/config.ini"), "the user's settings");
    log = ReadFile(logs + "/setup.log");
    ExpectTimedLines(log);
    EXPECT_TRUE(Has(log, "Setup file: " + WinPath(setup))) << log;
    EXPECT_TRUE(Has(log, "Command line: ") && Has(log, "/L:C:\\Logs Dir\\setup.log")) << log;
    EXPECT_TRUE(Has(log, "  Windows ") && Has(log, "-bit Windows, ") && Has(log, "-bit installer"))
        << log;
    EXPECT_TRUE(Has(log, "administrator rights")) << log;
    EXPECT_TRUE(Has(log, "Quiet run (/Q)"));
    EXPECT_TRUE(Has(log, "Program: Logged Tool 1.5, GUID " + std::string(kLogGuid)));
    EXPECT_TRUE(Has(log, "Installation folder: C:\\Logged Tool\\\r\n")) << log;
    EXPECT_TRUE(Has(log, "File written: C:\\Logged Tool\\Tool.exe\r\n")) << log;
    EXPECT_TRUE(Has(log, "File written: C:\\Logged Tool\\Data\\table.txt\r\n")) << log;
    EXPECT_TRUE(Has(log, "File kept (protected extension): C:\\Logged Tool\\config.ini\r\n"));
    EXPECT_TRUE(Has(log, "Uninstall entry written: HKEY_LOCAL_MACHINE\\Software\\Microsoft\\"
                         "Windows\\CurrentVersion\\Uninstall\\" + std::string(kLogGuid)));
    EXPECT_TRUE(Has(log, "Publisher \"Acme Tools Ltd\""));
    EXPECT_TRUE(Has(log, "Start-menu folder: ") && Has(log, "Logged Tool\\\r\n"));
    EXPECT_TRUE(Has(log, "Shortcut created: ") && Has(log, "Logged Tool.lnk -> C:\\Logged Tool\\Tool.exe"))
        << log;
    EXPECT_TRUE(Has(log, "Install task 1 (kind 6): registry value 2147483649\\Software\\Acme Logged\\Path"));
    EXPECT_TRUE(Has(log, "Uninstall log written: C:\\Logged Tool\\uninstall.dat"));
    EXPECT_TRUE(Has(log, "Setup script check.vbs ran without error"));
    EXPECT_TRUE(Has(log, "Hook program AfterWB.exe ended with exit code 0"));
    EXPECT_TRUE(LastLineEndsWith(log, "Exit code 0"))
        << "the exit code is the last line:\n" << log;
    ForgetLogged();
    fs::remove_all(logs);
}

TEST(DeployE2E, ADamagedSetupsLogEndsWithExitCode2) {
    const std::string setup = LogSetup("log-damaged");
    ASSERT_FALSE(setup.empty());
    // Cut off the end of the file: the Package's trailer is gone.
    fs::resize_file(setup, fs::file_size(setup) - 64);
    const std::string logs = LinuxPath("C:\\Logs Dir");
    fs::remove_all(logs);
    RunResult r = RunWine(setup, {"/Q", "/L:C:\\Logs Dir\\damaged.log"});
    EXPECT_EQ(r.ExitCode, 2) << r.Output;
    const std::string log = ReadFile(logs + "/damaged.log");
    ExpectTimedLines(log);
    EXPECT_TRUE(Has(log, "The setup file is damaged or incomplete")) << log;
    EXPECT_TRUE(LastLineEndsWith(log, "Exit code 2")) << log;
    fs::remove_all(logs);
}

TEST(DeployE2E, SlashLAloneWritesANewLogInTheTemporaryFolderEachTime) {
    const std::string setup = LogSetup("log-temp");
    ASSERT_FALSE(setup.empty());
    ForgetLogged();
    const std::string temp = LinuxFolder("TEMP");
    auto logs = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(temp)) {
            const std::string n = e.path().filename().string();
            if (n.rfind("Wendlebox Setup Log ", 0) == 0) names.insert(n);
        }
        return names;
    };
    for (const std::string& n : logs()) fs::remove(temp + "/" + n);
    ASSERT_EQ(RunWine(setup, {"/Q", "/L"}).ExitCode, 0);
    ASSERT_EQ(RunWine(setup, {"/L", "/Q"}).ExitCode, 0);
    const std::set<std::string> names = logs();
    ASSERT_EQ(names.size(), 2u) << Lines(names);
    const std::string first = *names.begin();
    // "Wendlebox Setup Log YYYY-MM-DD #001.txt", then #002 of the same day.
    EXPECT_EQ(first.size(), std::string("Wendlebox Setup Log 2026-12-08 #001.txt").size()) << first;
    EXPECT_EQ(first.substr(first.size() - 8), "#001.txt");
    EXPECT_EQ(names.rbegin()->substr(first.size() - 8), "#002.txt");
    for (const std::string& n : names) {
        const std::string log = ReadFile(temp + "/" + n);
        ExpectTimedLines(log);
        EXPECT_TRUE(Has(log, "Exit code 0\r\n")) << log;
        fs::remove(temp + "/" + n);
    }
    ForgetLogged();
}

TEST(DeployE2E, UninstallerLogsWhatItRemoved) {
    const std::string setup = LogSetup("log-uninstall");
    ASSERT_FALSE(setup.empty());
    ForgetLogged();
    ASSERT_EQ(RunWine(setup, {"/Q"}).ExitCode, 0);
    const std::string logs = LinuxPath("C:\\Logs Dir");
    fs::remove_all(logs);
    RunResult u = RunWine(LinuxPath("C:\\Logged Tool\\uninstall.exe"),
                          {"/Q", "/L:C:\\Logs Dir\\uninstall.log"});
    EXPECT_EQ(u.ExitCode, 0) << u.Output;
    EXPECT_TRUE(GoneWithin(LinuxPath("C:\\Logged Tool"), 30));
    const std::string log = ReadFile(logs + "/uninstall.log");
    ExpectTimedLines(log);
    EXPECT_TRUE(Has(log, "Quiet run (/Q)")) << log;
    EXPECT_TRUE(Has(log, "Removing Logged Tool 1.5 from C:\\Logged Tool\\")) << log;
    EXPECT_TRUE(Has(log, "Removed: C:\\Logged Tool\\Tool.exe\r\n")) << log;
    EXPECT_TRUE(Has(log, "Removed: Software\\Acme Logged\\Path\r\n")) << log;
    EXPECT_TRUE(Has(log, "Removed: Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                         std::string(kLogGuid)));
    EXPECT_TRUE(Has(log, "Left for a moment after this program ends: C:\\Logged Tool\\uninstall.exe"));
    EXPECT_FALSE(Has(log, "Could NOT")) << log;
    EXPECT_TRUE(LastLineEndsWith(log, "Exit code 0")) << log;
    fs::remove_all(logs);
    ForgetLogged();
}

// --- the wizard's log ---------------------------------------------------------------------

bool ShownInWizard(const std::string& caption, int control) {
    RunResult r = Driver({"controls", caption});
    std::istringstream lines(r.Output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream cells(line);
        std::string number, cls, visible;
        std::getline(cells, number, '\t');
        std::getline(cells, cls, '\t');
        std::getline(cells, visible, '\t');
        if (std::atoi(number.c_str()) == control) return visible == "1";
    }
    return false;
}

bool WaitShown(const std::string& caption, int control, int seconds = 60) {
    for (int i = 0; i < seconds * 2; ++i) {
        if (ShownInWizard(caption, control)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    return false;
}

void Click(const std::string& caption, int control) {
    ASSERT_EQ(Driver({"click", caption, std::to_string(control)}).ExitCode, 0) << control;
}

TEST(DeployE2E, WizardRunLogsToo) {
    const std::string setup = LogSetup("log-wizard");
    ASSERT_FALSE(setup.empty());
    ForgetLogged();
    const std::string logs = LinuxPath("C:\\Logs Dir");
    fs::remove_all(logs);
    const std::string caption = " Logged Tool 1.5";
    RunResult run;
    std::thread installer([&] { run = RunWine(setup, {"/L:C:\\Logs Dir\\wizard.log"}, 240); });
    // Welcome, settings, install page (no licence and no readme: those pages are skipped).
    bool ok = WaitShown(caption, 26);
    if (ok) Click(caption, 6);
    ok = ok && WaitShown(caption, 16);
    if (ok) Click(caption, 6);
    ok = ok && WaitShown(caption, 8);
    if (ok) Click(caption, 8);
    ok = ok && WaitShown(caption, 9, 120);
    if (ok) Click(caption, 9);
    if (!ok) Driver({"close", caption});
    installer.join();
    ASSERT_TRUE(ok) << "the wizard did not reach its end";
    EXPECT_EQ(run.ExitCode, 0);
    const std::string log = ReadFile(logs + "/wizard.log");
    ExpectTimedLines(log);
    EXPECT_TRUE(Has(log, "Wizard run")) << log;
    EXPECT_TRUE(Has(log, "Installation folder: C:\\Logged Tool\\\r\n")) << log;
    EXPECT_TRUE(Has(log, "File written: C:\\Logged Tool\\Data\\table.txt\r\n")) << log;
    EXPECT_TRUE(Has(log, "Uninstall entry written: ")) << log;
    EXPECT_TRUE(Has(log, "Install task 1 (kind 6)")) << log;
    EXPECT_TRUE(Has(log, "Setup script check.vbs ran without error")) << log;
    EXPECT_TRUE(LastLineEndsWith(log, "Exit code 0")) << log;
    fs::remove_all(logs);
    DeleteKey(std::string("HKCU\\Software\\Wendlebox\\") + kLogGuid);
    ForgetLogged();
}

}  // namespace
}  // namespace e2e
