// Shortcuts, the uninstall entry, the Uninstall log and file associations under Wine: real
// .lnk files read back through the shell-link object, the prefix's registry, and the log a
// quiet installation leaves for the uninstaller.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"
#include "wbpack/authoring/ini_text.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Fields = std::map<std::string, std::string>;

Fields ParseLines(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    Fields fields;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

// Runs link_probe (or `program`) on a script of tab-separated lines; returns what it printed.
Fields Probe(const std::string& tag, const std::vector<std::vector<std::string>>& lines,
             const std::string& program = "") {
    std::string script;
    for (const auto& fields : lines) {
        for (size_t i = 0; i < fields.size(); ++i) script += (i ? "\t" : "") + fields[i];
        script += "\r\n";
    }
    std::string path = ScratchDir("link-script-" + tag) + "/script.txt";
    WriteFile(path, script);
    RunResult r = RunWine(program.empty() ? Win32BinPath("link_probe.exe") : program,
                          {WinPath(path)}, 90);
    EXPECT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    return ParseLines(r.Output);
}

// The link read back through the shell-link object; empty when it cannot be loaded.
Fields ReadLink(const std::string& winPath) {
    RunResult r = RunWine(Win32BinPath("lnkread.exe"), {winPath}, 60);
    if (r.ExitCode != 0) return {};
    return ParseLines(r.Output);
}

// A program folder in the prefix with real files for the links to point at.
std::string MakeProgramFolder(const std::string& winFolder, const std::vector<std::string>& files) {
    std::string linux = LinuxPath(winFolder);
    fs::remove_all(linux);
    for (const std::string& f : files) {
        std::string rel = f;
        std::replace(rel.begin(), rel.end(), '\\', '/');
        WriteFile(linux + "/" + rel, "MZ stand-in for " + f);
    }
    return linux;
}

bool ExistsWin(const std::string& winPath) { return fs::exists(LinuxPath(winPath)); }

TEST(LinkE2E, ShortcutHoldsItsParametersAndResolves) {
    const std::string prog = "C:\\Link Test\\Prog\\";
    MakeProgramFolder(prog, {"tool.exe", "icons.dll"});
    const std::string links = "C:\\Link Test\\Links\\";
    fs::remove_all(LinuxPath(links));
    fs::create_directories(LinuxPath(links));

    Fields out = Probe("params", {
        {"shortcut", prog + "tool.exe", links + "Tool.lnk", prog, "-a \"b c\"", "1", "A note",
         "1857", "|", "3"},
        {"shortcut", prog + "tool.exe", links + "Icon.lnk", "", "", "1", "", "0",
         prog + "icons.dll", "-1"},
    });
    EXPECT_EQ(out["shortcut"], "1");

    Fields tool = ReadLink(links + "Tool.lnk");
    ASSERT_FALSE(tool.empty()) << "Tool.lnk was not written or cannot be loaded";
    EXPECT_EQ(Lower(tool["Target"]), Lower(prog + "tool.exe"));
    EXPECT_TRUE(ExistsWin(tool["Target"])) << tool["Target"];
    EXPECT_EQ(tool["Arguments"], "-a \"b c\"");
    EXPECT_EQ(Lower(tool["WorkingDir"]), Lower(prog));
    EXPECT_EQ(tool["Description"], "A note");
    EXPECT_EQ(Lower(tool["IconFile"]), Lower(prog + "tool.exe"));  // "|": the target's own
    EXPECT_EQ(tool["IconIndex"], "3");
    EXPECT_EQ(tool["ShowCmd"], "1");
    EXPECT_EQ(tool["HotKey"], "1857");

    Fields icon = ReadLink(links + "Icon.lnk");
    ASSERT_FALSE(icon.empty());
    EXPECT_EQ(Lower(icon["IconFile"]), Lower(prog + "icons.dll"));
    EXPECT_EQ(icon["IconIndex"], "0");
}

TEST(LinkE2E, ShortcutIntoAMissingFolderIsAskedForButLeavesNoFile) {
    const std::string missing = "C:\\Link Test\\Nowhere\\";
    fs::remove_all(LinuxPath(missing));
    Fields out = Probe("missing", {{"shortcut", "C:\\windows\\notepad.exe", missing + "N.lnk",
                                    "", "", "1", "", "0", "|", "0"}});
    // The object could be asked to save; the folder is not created for it.
    EXPECT_EQ(out["shortcut"], "1");
    EXPECT_FALSE(fs::exists(LinuxPath(missing)));
}

TEST(LinkE2E, StartMenuFolderWithItsFiveStandardLinks) {
    const std::string install = WinFolder("PROGRAMFILES") + "\\Link Menu Test\\";
    MakeProgramFolder(install, {"tool.exe", "Tools\\Conf.exe", "doc\\help.chm", "uninstall.exe"});
    std::string dir = ScratchDir("link-startmenu");
    WriteFile(dir + "/setup.ini",
              "[StartMenue]\r\nHelp = doc\\help.chm\r\nURL = http://example.com/tool\r\n"
              "Exe = Tools\\Conf.exe\r\nUnistall = 1\r\n");
    WriteFile(dir + "/de.lng", "[Install]\r\nHelp =   Hilfe  \r\nHomepage = Webseite\r\n"
                               "Uninstall = Entfernen\r\n");

    Fields out = Probe("startmenu", {
        {"set", "SetupIni", WinPath(dir + "/setup.ini")},
        {"set", "InstallDir", install},
        {"set", "ProgExe", "tool.exe"},
        {"set", "ProgLink", "Link Tool"},
        {"set", "ProgParameter", "/fast"},
        {"language", WinPath(dir + "/de.lng")},
        {"startmenu", "Link Menu Test"},
    });
    const std::string s = out["StartMenuDir"];
    const std::string programs = WinFolder("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs\\";
    ASSERT_EQ(Lower(s), Lower(programs + "Link Menu Test\\"));
    EXPECT_EQ(out["AdditionalExe"], "Tools\\Conf.exe");
    ASSERT_TRUE(fs::is_directory(LinuxPath(s)));

    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(LinuxPath(s))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Conf.lnk", "Entfernen.lnk", "Hilfe.lnk",
                                               "Link Tool.lnk", "Webseite.url"}));

    Fields prog = ReadLink(s + "Link Tool.lnk");
    EXPECT_EQ(Lower(prog["Target"]), Lower(install + "tool.exe"));
    EXPECT_TRUE(ExistsWin(prog["Target"]));
    EXPECT_EQ(Lower(prog["WorkingDir"]), Lower(install));
    EXPECT_EQ(prog["Arguments"], "/fast");
    EXPECT_EQ(Lower(prog["IconFile"]), Lower(install + "tool.exe"));

    Fields conf = ReadLink(s + "Conf.lnk");
    EXPECT_EQ(Lower(conf["Target"]), Lower(install + "Tools\\Conf.exe"));
    EXPECT_TRUE(ExistsWin(conf["Target"]));
    EXPECT_EQ(Lower(conf["WorkingDir"]), Lower(install + "Tools\\"));

    Fields help = ReadLink(s + "Hilfe.lnk");
    EXPECT_EQ(Lower(help["Target"]), Lower(install + "doc\\help.chm"));
    EXPECT_TRUE(ExistsWin(help["Target"]));
    EXPECT_EQ(Lower(help["WorkingDir"]), Lower(install));

    Fields uninstall = ReadLink(s + "Entfernen.lnk");
    EXPECT_EQ(Lower(uninstall["Target"]), Lower(install + "uninstall.exe"));
    EXPECT_TRUE(ExistsWin(uninstall["Target"]));
    EXPECT_EQ(Lower(uninstall["WorkingDir"]), Lower(install));

    // The homepage link is an Internet Shortcut with the address as written; a shell link
    // would take the address for a path (Wine makes it <current folder>\http:\...).
    EXPECT_EQ(ReadFile(LinuxPath(s + "Webseite.url")),
              "[InternetShortcut]\r\nURL=http://example.com/tool\r\n");
    fs::remove_all(LinuxPath(s));
}

// A project with uninstall support on: wbpack packs the base uninstall.dat.
const char* kQuietIni =
    "[Info]\r\nTitel = Link Quiet\r\nVersion = 3.1\r\n"
    "GUID = {5A1E2C3D-0000-4000-8000-00000000C001}\r\n"
    "[Settings]\r\nProgExe = quiet.exe\r\nDefaultDir = %ProgramFiles%Link Quiet\r\n"
    "[Task]\r\nMutexString = QuietMutex\r\n";

TEST(LinkE2E, QuietInstallThenEntryAndLogForTheUninstaller) {
    const std::string guid = "{5A1E2C3D-0000-4000-8000-00000000C001}";
    const std::string install = WinFolder("PROGRAMFILES") + "\\Link Quiet\\";
    fs::remove_all(LinuxPath(install));
    std::string project = MakeProject("link-quiet", {{"setup.ini", kQuietIni},
                                                     {"program/quiet.exe", "MZ quiet"},
                                                     {"program/data/a.txt", "a"}});
    std::string setup = ScratchDir("link-quiet-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    RunResult run = RunWine(setup, {"/Q"});
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    const std::string log = LinuxPath(install) + "uninstall.dat";
    ASSERT_TRUE(fs::exists(log)) << "the Package's base log was not installed";

    Fields out = Probe("quiet", {
        {"set", "InstallDir", install},
        {"set", "ProgExe", "quiet.exe"},
        {"set", "GUID", guid},
        {"set", "Titel", "Link Quiet"},
        {"language", ""},  // the built-in texts for this title
        {"set", "ProgLink", ""},
        {"set", "StartMenuDir", "C:\\SM\\Link Quiet\\"},
        {"register", "Link Quiet", "Link Quiet  3.1", "", "http://q.example", "",
         install + "quiet.exe", install + "uninstall.exe"},
        {"record", "0|C:\\Desk\\Extra.lnk"},
        {"record", "10|qqq|quiet.exe"},
        {"log"},
    });
    EXPECT_EQ(out["ProgLink"], "quiet");

    const std::string key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + guid;
    EXPECT_EQ(RegRead(key, "DisplayName"), "Link Quiet  3.1");
    EXPECT_EQ(RegRead(key, "DisplayIcon"), install + "quiet.exe");
    bool found = false;
    EXPECT_EQ(RegRead(key, "Publisher", &found), "");
    EXPECT_TRUE(found);
    EXPECT_EQ(RegRead(key, "URLInfoAbout"), "http://q.example");
    EXPECT_EQ(RegRead(key, "HelpLink"), "http://q.example");
    found = false;
    RegRead(key, "Contact", &found);
    EXPECT_TRUE(found);
    // Quoted, so that a folder with blanks cannot start a program planted at its first blank.
    EXPECT_EQ(RegRead(key, "UninstallString"), "\"" + install + "uninstall.exe\"");

    // The log as the uninstaller reads it: the Package's groups first, then the installer's.
    const std::string text = ReadFile(log);
    std::vector<std::string> groups;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty()) << "a line without CR LF";
        ASSERT_EQ(line.back(), '\r');
        if (line[0] == '[') groups.push_back(line.substr(0, line.size() - 1));
    }
    EXPECT_EQ(groups, (std::vector<std::string>{"[Settings]", "[Files]", "[Dirs]", "[Language]",
                                                "[StartMenu]", "[UserTask]"}));
    wb::IniText ini = wb::ParseIniText(text);
    auto get = [&](const char* g, const char* k) { return wb::IniString(ini, g, k, "<missing>"); };
    EXPECT_EQ(get("Settings", "ProgName"), "Link Quiet");
    EXPECT_EQ(get("Settings", "MutexString"), "QuietMutex");
    EXPECT_EQ(get("Settings", "ProgDir"), install);
    EXPECT_EQ(get("Settings", "GUID"), guid);
    EXPECT_EQ(get("Settings", "ProgLink"), "quiet");
    EXPECT_EQ(get("Settings", "DesktopIcon"), "");
    EXPECT_EQ(get("Language", "Mutex"), "Close Program 'Link Quiet' first!|Then press OK!");
    EXPECT_EQ(get("StartMenu", "Program"), "C:\\SM\\Link Quiet\\quiet.lnk");
    EXPECT_EQ(get("StartMenu", "Uninstall"), "C:\\SM\\Link Quiet\\Uninstall.lnk");
    EXPECT_EQ(get("UserTask", "Number"), "2");
    EXPECT_EQ(get("UserTask", "Task2"), "10|qqq|quiet.exe");
    // Every file and folder the Package's log lists is where the installation put it.
    int files = 0;
    std::string group;
    for (const wb::PrefLine& line : ini.Doc.Lines) {
        if (line.Kind == wb::PrefLineKind::Group) group = line.Name;
        if (line.Kind != wb::PrefLineKind::Key || (group != "Files" && group != "Dirs")) continue;
        ++files;
        EXPECT_TRUE(ExistsWin(install + line.Value)) << line.Name << " = " << line.Value;
    }
    // data\a.txt, quiet.exe, uninstall.exe and uninstall.dat; the folder data.
    EXPECT_EQ(files, 5);
    fs::remove_all(LinuxPath(install));
}

std::string Hkcr(const std::string& key) { return "HKCR\\" + key; }

TEST(LinkE2E, AssociationPerUserLayoutOnThisSystem) {
    Fields out = Probe("assoc", {
        {"version"},
        {"associate", "wbq", "", "C:\\Link Test\\Prog\\view er.exe", "C:\\Link Test\\Prog\\view er.exe,2"},
    });
    // Wine reports an NT build number, so the per-user layout is the one written.
    ASSERT_NE(std::stoul(out["Version"], nullptr, 16) & 0x00FF0000u, 0u) << out["Version"];
    EXPECT_EQ(RegRead(Hkcr("Applications\\view er.exe\\shell\\open\\command"), ""),
              "\"C:\\Link Test\\Prog\\view er.exe\" \"%1\"");
    EXPECT_EQ(RegRead(Hkcr(".wbq"), ""), "wbq_auto_file");
    EXPECT_EQ(RegRead(Hkcr("wbq_auto_file"), ""), "view er.exe");
    EXPECT_EQ(RegRead(Hkcr("wbq_auto_file\\DefaultIcon"), ""), "C:\\Link Test\\Prog\\view er.exe,2");
    EXPECT_EQ(RegRead("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.wbq",
                      "Application"),
              "view er.exe");
    bool found = true;
    RegRead("HKLM\\Software\\Classes\\view er.exe", "", &found);
    EXPECT_FALSE(found);
}

TEST(LinkE2E, AssociationMachineWideLayoutOnAnOlderSystem) {
    // A copy of the probe that Wine runs as Windows 98, whose version has no build bits.
    std::string dir = ScratchDir("link-assoc98");
    fs::copy_file(Win32BinPath("link_probe.exe"), dir + "/link_probe98.exe");
    RunResult set = RunWine(Win32BinPath("config_probe.exe"),
                            {"write", "HKCU", "Software\\Wine\\AppDefaults\\link_probe98.exe",
                             "Version", "win98"});
    ASSERT_EQ(set.ExitCode, 0) << set.Output;

    Fields out = Probe("assoc98", {
        {"version"},
        {"associate", "wbm", "Machine Data", "C:\\Link Test\\Prog\\mach.exe", ""},
    }, dir + "/link_probe98.exe");
    ASSERT_EQ(std::stoul(out["Version"], nullptr, 16) & 0x00FF0000u, 0u) << out["Version"];
    EXPECT_EQ(RegRead("HKLM\\Software\\Classes\\.wbm", ""), "mach.exe");
    EXPECT_EQ(RegRead("HKLM\\Software\\Classes\\mach.exe", ""), "Machine Data");
    EXPECT_EQ(RegRead("HKLM\\Software\\Classes\\mach.exe\\shell\\open\\command", ""),
              "\"C:\\Link Test\\Prog\\mach.exe\" \"%1\"");
    bool found = true;
    RegRead("HKLM\\Software\\Classes\\mach.exe\\DefaultIcon", "", &found);
    EXPECT_FALSE(found);  // no icon spec, no icon key
    found = true;
    RegRead("HKCR\\wbm_auto_file", "", &found);
    EXPECT_FALSE(found);
}

}  // namespace
}  // namespace e2e
