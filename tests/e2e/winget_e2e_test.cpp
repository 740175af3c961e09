// wbpack winget on a real setup, and that setup run as winget would run it: the manifest's
// switches install into the folder asked for, its ProductCode names the uninstall entry
// the setup makes, its return codes are those the setup gives. The Windows build of the
// tool writes the same manifests.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"
#include "winget_manifest_check.h"

namespace e2e {
namespace {

using winget_check::Str;

const char kGuid[] = "{5A1E2C3D-0000-4000-8000-0000000E0170}";
const char kId[] = "Example.WingetTool";
const char kUninstallKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Ini(bool withGuid) {
    return std::string("[Info]\r\nTitel = Winget Tool\r\nVersion = 4.20\r\n") +
           (withGuid ? std::string("GUID = ") + kGuid + "\r\n" : std::string()) +
           "Author = Example Corp\r\nWeb = https://example.com/tool\r\n"
           "[Settings]\r\nProgExe = Tool.exe\r\n[Task]\r\nReboot = 1\r\n";
}

std::string BuildToolSetup(const std::string& name, bool withGuid) {
    std::string project = MakeProject(name, {{"setup.ini", Ini(withGuid)},
                                             {"program/Tool.exe", "MZ winget tool"},
                                             {"program/Data/notes.txt", "notes\r\n"}});
    std::string setup = std::filesystem::path(project).parent_path().string() + "/Tool Setup.exe";
    EXPECT_EQ(BuildSetup(project, setup, StubPath()), 0);
    return setup;
}

int LinuxWinget(const std::string& setup, const std::string& dir, std::string* output) {
    std::string command = "'";
    command += WbpackPath();
    command += "' winget '" + setup + "'";
    command += std::string(" --id ") + kId + " --url https://example.com/dl/ToolSetup.exe";
    command += " -o '" + dir + "' --license MIT --description 'A tool for the winget test'";
    return RunHost(command, output);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(WingetE2E, TheSetupInstallsAsItsManifestSays) {
    std::string setup = BuildToolSetup("winget-run", true);
    std::string dir = ScratchDir("winget-run-manifests");
    std::string output;
    ASSERT_EQ(LinuxWinget(setup, dir, &output), 0) << output;
    winget_check::Manifests m = winget_check::ReadAndCheck(dir, kId, "en-US");
    ASSERT_TRUE(m.Read);
    const winget_check::Node& installer = winget_check::FirstInstaller(m.Installer);
    EXPECT_EQ(Str(installer, "Architecture"), TargetArch());
    EXPECT_EQ(Str(installer, "InstallerSha256"), winget_check::HostSha256(setup));
    EXPECT_EQ(Str(m.Version, "PackageVersion"), "4.20");
    EXPECT_EQ(Str(m.Locale, "Publisher"), "Example Corp");
    EXPECT_EQ(Str(m.Installer, "ProductCode"), kGuid);
    std::map<long, std::string> codes = winget_check::ReturnCodes(m.Installer);
    EXPECT_EQ(codes[3010], "rebootRequiredToFinish");

    // winget joins the silent switch and the location switch with <INSTALLPATH> replaced.
    // The location switch is quoted whole; Wine quotes an argument holding blanks the same
    // way, so its inside is passed as one argument.
    const winget_check::Node& switches = *m.Installer.Find("InstallerSwitches");
    std::string location = Str(switches, "InstallLocation");
    ASSERT_GE(location.size(), 2u);
    ASSERT_EQ(location.front(), '"');
    ASSERT_EQ(location.back(), '"');
    const std::string folder = "C:\\Program Files\\Winget Tool Here";
    std::string locationArg =
        Replace(location.substr(1, location.size() - 2), "<INSTALLPATH>", folder);
    std::filesystem::remove_all(LinuxPath(folder));
    RunResult r = RunWine(setup, {Str(switches, "Silent"), locationArg});
    ASSERT_FALSE(r.TimedOut);
    // The setup asks for a restart: 3010, of which Wine hands Linux the low byte.
    EXPECT_EQ(r.ExitCode, 3010 & 0xFF) << r.Output;

    EXPECT_EQ(ReadFile(LinuxPath(folder + "\\Tool.exe")), "MZ winget tool");
    EXPECT_EQ(ReadFile(LinuxPath(folder + "\\Data\\notes.txt")), "notes\r\n");
    // The entry's key name is the ProductCode winget looks the program up by.
    const std::string key = std::string(kUninstallKey) + Str(m.Installer, "ProductCode");
    bool found = false;
    std::string uninstall = RegRead(key, "UninstallString", &found);
    ASSERT_TRUE(found) << key;
    // The command is quoted, as a path with blanks must be.
    EXPECT_EQ(Lower(uninstall), Lower("\"" + folder + "\\uninstall.exe\""));
    std::string displayName = RegRead(key, "DisplayName", &found);
    EXPECT_EQ(displayName.rfind(Str(m.Locale, "PackageName"), 0), 0u) << displayName;
    // winget matches an installed package by these values of the entry, and removes it by
    // the quiet command.
    EXPECT_EQ(RegRead(key, "DisplayVersion", &found), Str(m.Version, "PackageVersion"));
    EXPECT_EQ(RegRead(key, "Publisher", &found), Str(m.Locale, "Publisher"));
    EXPECT_EQ(Lower(RegRead(key, "QuietUninstallString", &found)),
              Lower("\"" + folder + "\\uninstall.exe\" /Q"));

    RunWine("C:\\windows\\system32\\reg.exe", {"delete", key, "/f"}, 60);
    RunWine("C:\\windows\\system32\\reg.exe",
            {"delete", std::string("HKCU\\Software\\Wendlebox\\") + kGuid, "/f"}, 60);
    std::filesystem::remove_all(LinuxPath(folder));
}

TEST(WingetE2E, ASetupWithoutGuidIsRefused) {
    std::string setup = BuildToolSetup("winget-noguid", false);
    std::string dir = ScratchDir("winget-noguid-manifests");
    std::string output;
    EXPECT_EQ(LinuxWinget(setup, dir, &output), 1) << output;
    EXPECT_NE(output.find("has no GUID"), std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << "nothing written";
}

TEST(WingetE2E, TheWindowsToolWritesTheSameManifests) {
    ASSERT_TRUE(std::filesystem::exists(Win32BinPath("wbpack.exe")));
    std::string setup = BuildToolSetup("winget-win", true);
    std::string linuxDir = ScratchDir("winget-win-linux");
    std::string windowsDir = ScratchDir("winget-win-windows") + "/new folder";
    std::string output;
    ASSERT_EQ(LinuxWinget(setup, linuxDir, &output), 0) << output;
    RunResult r = RunWine(Win32BinPath("wbpack.exe"),
                          {"winget", WinPath(setup), "--id", kId, "--url",
                           "https://example.com/dl/ToolSetup.exe", "-o", WinPath(windowsDir),
                           "--license", "MIT", "--description", "A tool for the winget test"},
                          120, {{"LANG", "C.UTF-8"}});
    ASSERT_FALSE(r.TimedOut);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    for (const std::string& name : {std::string(kId) + ".yaml", std::string(kId) + ".installer.yaml",
                                    std::string(kId) + ".locale.en-US.yaml"}) {
        SCOPED_TRACE(name);
        std::string fromLinux = ReadFile(linuxDir + "/" + name);
        EXPECT_FALSE(fromLinux.empty());
        EXPECT_EQ(ReadFile(windowsDir + "/" + name), fromLinux);
    }
}

}  // namespace
}  // namespace e2e
