// Configuration under Wine: special folders and Path macros against the prefix's real
// folders, registry texts through the real registry, and the language a user gets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <sstream>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

const char* kTestKey = "Software\\WendleboxTest\\Config";

// Runs config_probe; returns its standard output without carriage returns.
std::string Probe(const std::vector<std::string>& args) {
    RunResult r = RunWine(Win32BinPath("config_probe.exe"), args, 60);
    EXPECT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    r.Output.erase(std::remove(r.Output.begin(), r.Output.end(), '\r'), r.Output.end());
    return r.Output;
}

// The one bracketed line a read or expand prints.
std::string Bracketed(const std::string& output) {
    size_t open = output.find('[');
    size_t close = output.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close < open) return "<none>";
    return output.substr(open + 1, close - open - 1);
}

std::string FirstLine(const std::string& output) { return output.substr(0, output.find('\n')); }

std::map<int, std::string> Folders() {
    std::map<int, std::string> folders;
    std::stringstream lines(Probe({"folders"}));
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) folders[std::stoi(line.substr(0, eq))] = line.substr(eq + 1);
    }
    return folders;
}

TEST(ConfigE2E, SpecialFoldersAreThePrefixFolders) {
    auto folders = Folders();
    ASSERT_EQ(folders.size(), 16u);
    auto same = [](const std::string& expected, const std::string& actual) {
        EXPECT_EQ(Lower(actual), Lower(expected));
    };
    same(WinFolder("WINDIR") + "\\system32\\", folders[-2]);
    same(WinFolder("WINDIR") + "\\", folders[-3]);
    same(WinFolder("TEMP") + "\\", folders[-4]);
    same(WinFolder("APPDATA") + "\\Microsoft\\Internet Explorer\\Quick Launch\\", folders[-5]);
    same(WinFolder("PROGRAMFILES") + "\\", folders[-6]);
    same(WinFolder("COMMONFILES") + "\\", folders[43]);
    same(WinFolder("APPDATA") + "\\", folders[26]);
    same(WinFolder("WINDIR") + "\\Fonts\\", folders[20]);
    same(WinPath(std::filesystem::current_path().string()) + "\\", folders[-1]);
    for (int code : {0, 2, 5, 7, 23}) {
        const std::string& f = folders[code];
        ASSERT_FALSE(f.empty()) << code;
        EXPECT_EQ(f.back(), '\\') << code;
        EXPECT_EQ(f.find("\\\\"), std::string::npos) << code;
    }
    EXPECT_EQ(Lower(folders[0]).rfind(Lower(WinFolder("USERPROFILE")) + "\\", 0), 0u) << folders[0];
    EXPECT_TRUE(std::filesystem::is_directory(LinuxPath(folders[0]))) << folders[0];
    EXPECT_TRUE(std::filesystem::is_directory(LinuxPath(folders[-4]))) << folders[-4];
}

TEST(ConfigE2E, FernscopeFolderFromTheRegisteredCommand) {
    EXPECT_EQ(Folders()[-8], "");  // nothing registered for "edit"
    std::string command = "\"C:\\Tools\\Fernscope\\Fernscope.exe\" \"%1\"";
    ASSERT_EQ(FirstLine(Probe({"write", "HKCR", "Applications\\Fernscope.exe\\shell\\open\\command",
                               "-", command})),
              "2");
    EXPECT_EQ(Folders()[-7], "C:\\Tools\\Fernscope\\");
    EXPECT_EQ(Bracketed(Probe({"expand", "%Fernscope%Plugins\\a.dll", "1"})),
              "C:\\Tools\\Fernscope\\Plugins\\a.dll");
}

TEST(ConfigE2E, PathMacrosExpandToThePrefixFolders) {
    EXPECT_EQ(Lower(Bracketed(Probe({"expand", "%ProgramFiles%Tool", "1"}))),
              Lower(WinFolder("PROGRAMFILES") + "\\Tool"));
    EXPECT_EQ(Lower(Bracketed(Probe({"expand", "MyProg", "1"}))),
              Lower(WinFolder("PROGRAMFILES") + "\\MyProg"));
    EXPECT_EQ(Lower(Bracketed(Probe({"expand", "%Windows%Fonts\\x.ttf", "0"}))),
              Lower(WinFolder("WINDIR") + "\\Fonts\\x.ttf"));
    EXPECT_EQ(Bracketed(Probe({"expand", "D:\\Apps\\%Windows%", "1"})), "D:\\Apps\\%Windows%");
}

TEST(ConfigE2E, RegistryTextRoundTrip) {
    EXPECT_EQ(FirstLine(Probe({"write", "HKCU", kTestKey, "Name", "Hello World"})), "2");
    EXPECT_EQ(Bracketed(Probe({"read", "HKCU", kTestKey, "Name"})), "Hello World");
    EXPECT_EQ(RegRead(std::string("HKCU\\") + kTestKey, "Name"), "Hello World");

    EXPECT_EQ(FirstLine(Probe({"write", "HKCU", kTestKey, "-", "default text"})), "2");
    EXPECT_EQ(Bracketed(Probe({"read", "HKCU", kTestKey, "-"})), "default text");

    EXPECT_EQ(Bracketed(Probe({"read", "HKCU", kTestKey, "Missing"})), "");
    EXPECT_EQ(Bracketed(Probe({"read", "HKCU", "Software\\WendleboxTest\\Nope", "Name"})), "");
}

TEST(ConfigE2E, RegistryTextOf255BytesReadsAsEmpty) {
    EXPECT_EQ(FirstLine(Probe({"writefill", "HKCU", kTestKey, "Fits", "254"})), "2");
    EXPECT_EQ(Bracketed(Probe({"read", "HKCU", kTestKey, "Fits"})), std::string(254, 'x'));
    EXPECT_EQ(FirstLine(Probe({"writefill", "HKCU", kTestKey, "Long", "255"})), "2");
    EXPECT_EQ(Bracketed(Probe({"read", "HKCU", kTestKey, "Long"})), "");
    // The value itself is whole in the registry; only the installer's read gives up.
    EXPECT_EQ(RegRead(std::string("HKCU\\") + kTestKey, "Long"), std::string(255, 'x'));
}

// A setup with German and English language files, run by a German and an English user.
std::string BuildLanguageSetup() {
    std::string project = MakeProject(
        "languages",
        {{"setup.ini",
          "[Info]\r\nTitel = Tool\r\nVersion = 2.0\r\n"
          "[Settings]\r\nLanguage = Deutsch.lng#7|English.lng#9|\r\nProgExe = Tool.exe\r\n"
          "[Task]\r\nNoUninstall = 1\r\n"},
         {"program/Tool.exe", "MZ tool"},
         {"Deutsch.lng",
          "\xEF\xBB\xBF[Buttons]\r\nNext = Weiter\r\nBack = Zur\xC3\xBC" "ck\r\n"
          "[Page01]\r\nTitel = Willkommen bei|'Tool'\r\n"},
         {"English.lng", "[Buttons]\r\nNext = Onward\r\n"}});
    std::string setup = ScratchDir("languages-out") + "/setup.exe";
    EXPECT_EQ(BuildSetup(project, setup, ProbeStubPath()), 0);
    return setup;
}

TEST(ConfigE2E, GermanUserGetsTheGermanLanguageFile) {
    std::string setup = BuildLanguageSetup();
    RunResult r = RunWine(setup, {"/Q"}, 120, {{"LANG", "de_DE.UTF-8"}, {"LC_ALL", "de_DE.UTF-8"}});
    ASSERT_FALSE(r.TimedOut);
    std::string probe = ReadProbe(setup);
    EXPECT_EQ(ProbeValue(probe, "LanguageFile"), "Deutsch.lng") << probe;
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Next"), "Weiter");
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Back"), "Zur\xFC" "ck");
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Cancel"), "Cancel");
    EXPECT_EQ(ProbeValue(probe, "Lang.Page01.Titel"), "Willkommen bei|'Tool'");
    EXPECT_EQ(ProbeValue(probe, "Lang.Page01.Msg1"),
              "Wendlebox will now install 'Tool' version 2.0 on your computer.");
}

TEST(ConfigE2E, EnglishUserGetsTheEnglishLanguageFile) {
    std::string setup = BuildLanguageSetup();
    RunResult r = RunWine(setup, {"/Q"}, 120, {{"LANG", "en_GB.UTF-8"}, {"LC_ALL", "en_GB.UTF-8"}});
    ASSERT_FALSE(r.TimedOut);
    std::string probe = ReadProbe(setup);
    EXPECT_EQ(ProbeValue(probe, "LanguageFile"), "English.lng") << probe;
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Next"), "Onward");
    EXPECT_EQ(ProbeValue(probe, "Lang.Buttons.Back"), "Back");
}

}  // namespace
}  // namespace e2e
