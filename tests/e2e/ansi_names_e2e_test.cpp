// A user whose folders hold characters the ANSI code page (1252 here) lacks, a /P folder
// named in them, and a setup that cannot read its own files: each installs into exactly
// the folders meant, or ends with its failure code and leaves the prefix as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"

namespace fs = std::filesystem;

namespace e2e {
namespace {

// U+738B, a one-character user name; Wine maps it to UTF-8 file names only in a UTF-8
// locale, and the ANSI code page stays 1252.
const std::string kWang = "\xE7\x8E\x8B";
const std::vector<std::pair<std::string, std::string>> kUtf8 = {{"LC_ALL", "C.UTF-8"},
                                                                 {"LANG", "C.UTF-8"}};
constexpr const char* kGuid = "{5A1E2C3D-0000-4000-8000-00000000A022}";
const std::string kEntry =
    std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kGuid;
const std::string kShellFolders =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::string WideSetup(const std::string& name) {
    const std::string ini = std::string("[Info]\r\nTitel = Wide Tool\r\nVersion = 1.0\r\nGUID = ") +
                            kGuid + "\r\n[Settings]\r\nProgExe = Tool.exe\r\n"
                            "DefaultDir = %ProgramFiles%Wide Tool\r\n"
                            "[StartMenue]\r\nDefaultDir = Wide Tool\r\nProgLink = Wide Tool\r\n"
                            "Unistall = 1\r\n[Task]\r\nDesktop = 1\r\nStartMenu = 1\r\n";
    const std::string project = MakeProject(name, {{"setup.ini", ini},
                                                   {"program/Tool.exe", "MZ wide"}});
    const std::string setup = ScratchDir(name + "-out") + "/setup.exe";
    return BuildSetup(project, setup, StubPath()) == 0 ? setup : std::string();
}

// Runs `setup` through cmd, so that TEMP and TMP can be set for this run alone (Wine takes
// them from the registry, not from the Linux environment).
RunResult RunWithTemp(const std::string& setup, const std::string& args, const std::string& temp) {
    return RunWine("cmd", {"/c", "set TEMP=" + temp + "&&set TMP=" + temp + "&&" +
                                     WinPath(setup) + " " + args},
                   180, kUtf8);
}

void Uninstall() {
    bool found = false;
    std::string command = RegRead(kEntry, "QuietUninstallString", &found);
    if (!found) return;
    // "C:\...\uninstall.exe" /Q
    const std::string exe = command.substr(1, command.find('"', 1) - 1);
    const RunResult r = RunWine(exe, {"/Q"}, 120, kUtf8);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_TRUE(GoneWithin(LinuxPath(exe), 30));
}

// Points the user's desktop, Start menu and AppData at folders named with kWang for as long
// as it lives.
class WideUserFolders {
public:
    WideUserFolders() {
        base_ = WinFolder("USERPROFILE") + "\\" + kWang;
        fs::remove_all(LinuxFolder("USERPROFILE") + "/" + kWang);
        for (const auto& [value, below] : kFolders) {
            old_.push_back(Read(value));
            fs::create_directories(LinuxFolder("USERPROFILE") + "/" + kWang + "/" + below);
            std::string windows = below;
            for (char& c : windows) c = c == '/' ? '\\' : c;
            Set(value, base_ + "\\" + windows);
        }
    }
    ~WideUserFolders() {
        for (size_t i = 0; i < kFolders.size(); ++i) Set(kFolders[i].first, old_[i]);
        fs::remove_all(LinuxFolder("USERPROFILE") + "/" + kWang);
    }
    std::string Linux(const std::string& below) const {
        return LinuxFolder("USERPROFILE") + "/" + kWang + "/" + below;
    }

private:
    static std::string Read(const std::string& value) {
        RunResult r = RunWine("reg", {"query", kShellFolders, "/v", value}, 60);
        const size_t at = r.Output.find("REG_EXPAND_SZ");
        std::string data = at == std::string::npos ? "" : r.Output.substr(at + 13);
        data.erase(0, data.find_first_not_of(" "));
        return data.substr(0, data.find_first_of("\r\n"));
    }
    static void Set(const std::string& value, const std::string& data) {
        RunWine("reg", {"add", kShellFolders, "/v", value, "/t", "REG_EXPAND_SZ", "/d", data, "/f"},
                60, kUtf8);
    }
    const std::vector<std::pair<std::string, std::string>> kFolders = {
        {"Desktop", "Desktop"},
        {"AppData", "AppData/Roaming"},
        {"Start Menu", "AppData/Roaming/Microsoft/Windows/Start Menu"},
        {"Programs", "AppData/Roaming/Microsoft/Windows/Start Menu/Programs"}};
    std::string base_;
    std::vector<std::string> old_;
};

TEST(AnsiNamesE2E, AUserWhoseFoldersTheCodePageCannotCarryInstallsAndRemoves) {
    const std::string setup = WideSetup("wide-user");
    ASSERT_FALSE(setup.empty());
    Uninstall();
    WideUserFolders folders;
    const std::string temp = WinFolder("USERPROFILE") + "\\" + kWang + "\\Temp";
    fs::create_directories(folders.Linux("Temp"));
    const PrefixState before = CapturePrefix();

    RunResult r = RunWithTemp(setup, "/Q /L", temp);
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    // Only the log is in the user's temporary folder: the elevated run unpacked into the
    // system's, and that folder went again.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(folders.Linux("Temp"))) left.push_back(e.path().filename());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind("Wendlebox Setup Log ", 0), 0u) << left[0];
    const std::string log = ReadFile(folders.Linux("Temp") + "/" + left[0]);
    EXPECT_NE(log.find("Exit code 0"), std::string::npos) << log;
    EXPECT_EQ(log.find('?'), std::string::npos) << "no path with a lost character:\n" << log;
    // Everything where the user's folders really are, under their real names.
    const std::string programs = folders.Linux("AppData/Roaming/Microsoft/Windows/Start Menu/Programs");
    EXPECT_TRUE(fs::exists(folders.Linux("Desktop/Wide Tool.lnk"))) << log;
    EXPECT_TRUE(fs::exists(programs + "/Wide Tool/Wide Tool.lnk")) << log;
    EXPECT_EQ(ReadFile(LinuxFolder("PROGRAMFILES") + "/Wide Tool/Tool.exe"), "MZ wide");
    EXPECT_EQ(RegRead(kEntry, "DisplayName").rfind("Wide Tool", 0), 0u);
    // Nothing landed under a "?" name anywhere.
    const std::string changes = PrefixDifference(before, CapturePrefix());
    EXPECT_EQ(changes.find('?'), std::string::npos) << changes;

    Uninstall();
    EXPECT_FALSE(fs::exists(folders.Linux("Desktop/Wide Tool.lnk")));
    EXPECT_FALSE(fs::exists(programs + "/Wide Tool"));
    fs::remove(folders.Linux("Temp") + "/" + left[0]);
    EXPECT_EQ(PrefixDifference(WithoutRestartMoves(before), WithoutRestartMoves(CapturePrefix())),
              "")
        << "removal leaves the prefix as it was";
}

TEST(AnsiNamesE2E, ASlashPFolderTheCodePageCannotCarryGetsExactlyTheProgram) {
    const std::string setup = WideSetup("wide-p");
    ASSERT_FALSE(setup.empty());
    Uninstall();
    fs::remove_all(LinuxPath("C:\\Apps"));
    const PrefixState before = CapturePrefix();

    const RunResult r = RunWine(setup, {"/Q", "/P:C:\\Apps\\" + kWang + "\\Tool"}, 180, kUtf8);
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    const std::string folder = PrefixDir() + "/drive_c/Apps/" + kWang + "/Tool";
    EXPECT_EQ(ReadFile(folder + "/Tool.exe"), "MZ wide");
    EXPECT_TRUE(fs::exists(folder + "/uninstall.exe"));
    EXPECT_TRUE(fs::exists(folder + "/uninstall.dat"));
    // Registered by the short name, which reaches the same folder; never with a "?".
    const std::string location = RegRead(kEntry, "InstallLocation");
    EXPECT_EQ(location.rfind("C:\\Apps\\", 0), 0u) << location;
    EXPECT_EQ(location.find('?'), std::string::npos) << location;
    EXPECT_EQ(Lower(location.substr(location.size() - 6)), "\\tool\\") << location;
    // Program files only in that folder (and the folders above it, made for it).
    std::string elsewhere;
    for (const auto& [f, what] : CapturePrefix().Files) {
        if (!before.Files.count(f) && f.rfind("C:/Apps", 0) != 0 && f.rfind("C:/users/", 0) != 0 &&
            f.rfind("C:/ProgramData/", 0) != 0) {
            elsewhere += f + "\n";
        }
    }
    EXPECT_EQ(elsewhere, "");

    Uninstall();
    // The uninstaller's last step removes the folder just after it has ended.
    EXPECT_TRUE(GoneWithin(folder, 30));
    fs::remove(PrefixDir() + "/drive_c/Apps/" + kWang);
    fs::remove(PrefixDir() + "/drive_c/Apps");
    EXPECT_EQ(PrefixDifference(WithoutRestartMoves(before), WithoutRestartMoves(CapturePrefix())), "");
}

TEST(AnsiNamesE2E, ASlashPFolderThatCannotBeReachedWritesNothing) {
    const std::string setup = WideSetup("wide-p-relative");
    ASSERT_FALSE(setup.empty());
    Uninstall();
    const PrefixState before = CapturePrefix();
    // A relative name is placed by the installation itself, so it cannot be made first.
    const RunResult r = RunWine(setup, {"/Q", "/P:" + kWang + "Tool"}, 180, kUtf8);
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 3) << r.Output;
    EXPECT_EQ(PrefixDifference(before, CapturePrefix()), "");
}

// Puts a file where the system's temporary folder is for as long as it lives, so that an
// elevated setup can make no folder there.
class BlockedSystemTemp {
public:
    BlockedSystemTemp() : path_(SetupTempLinux()) {
        if (fs::exists(path_ + ".held")) fs::remove(path_);  // left by a killed run
        else fs::rename(path_, path_ + ".held");
        std::ofstream(path_) << "not a folder";
    }
    ~BlockedSystemTemp() {
        fs::remove(path_);
        fs::rename(path_ + ".held", path_);
    }

private:
    std::string path_;
};

TEST(AnsiNamesE2E, ATemporaryFolderThatCannotBeMadeEndsWithCode6AndWritesNothing) {
    const std::string setup = WideSetup("no-temp");
    ASSERT_FALSE(setup.empty());
    Uninstall();
    fs::remove_all(LinuxPath("C:\\Nowhere"));
    fs::remove_all(LinuxPath("C:\\LogsUnreadable"));
    std::optional<BlockedSystemTemp> blocked(std::in_place);
    const PrefixState before = CapturePrefix();
    const RunResult r = RunWithTemp(setup, "/Q /L:C:\\LogsUnreadable\\setup.log", "C:\\Nowhere\\Temp");
    const std::string logs = LinuxPath("C:\\LogsUnreadable");
    const std::string log = ReadFile(logs + "/setup.log");
    fs::remove_all(logs);
    const PrefixState after = CapturePrefix();
    blocked.reset();
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 6) << r.Output;
    EXPECT_NE(log.find("The setup cannot read its own files: the temporary folder"),
              std::string::npos) << log;
    EXPECT_NE(log.find("Exit code 6"), std::string::npos) << log;
    EXPECT_NE(log.find(SetupTempWin() + "\\{"), std::string::npos) << log;
    EXPECT_EQ(PrefixDifference(before, after), "") << "no entry, no uninstall.*, no program";
}

// A setup downloaded into a folder named in such characters reads itself by its short name.
TEST(AnsiNamesE2E, ASetupStartedFromAFolderTheCodePageCannotCarryInstalls) {
    const std::string setup = WideSetup("wide-self");
    ASSERT_FALSE(setup.empty());
    Uninstall();
    const std::string downloads = PrefixDir() + "/drive_c/" + kWang + " Downloads";
    fs::remove_all(downloads);
    fs::create_directories(downloads);
    fs::copy_file(setup, downloads + "/setup.exe");
    const RunResult r = RunWine("C:\\" + kWang + " Downloads\\setup.exe",
                                {"/Q", "/P:C:\\Wide Self Tool"}, 180, kUtf8);
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(ReadFile(LinuxPath("C:\\Wide Self Tool\\Tool.exe")), "MZ wide");
    Uninstall();
    EXPECT_TRUE(GoneWithin(LinuxPath("C:\\Wide Self Tool"), 30));
    fs::remove_all(downloads);
}

TEST(AnsiNamesE2E, TheWizardSaysWhyASetupCannotReadItsOwnFiles) {
    const std::string setup = WideSetup("no-temp-wizard");
    ASSERT_FALSE(setup.empty());
    fs::remove_all(LinuxPath("C:\\Nowhere"));
    BlockedSystemTemp blocked;
    RunResult run;
    std::thread installer([&] { run = RunWithTemp(setup, "", "C:\\Nowhere\\Temp"); });
    RunResult texts = RunWine(Win32BinPath("wbdriver.exe"), {"texts", " Wendlebox"}, 40);
    RunResult click = RunWine(Win32BinPath("wbdriver.exe"), {"dismiss", " Wendlebox", "1"}, 40);
    installer.join();
    EXPECT_EQ(texts.ExitCode, 0) << texts.Output;
    EXPECT_NE(texts.Output.find("cannot read its own files"), std::string::npos) << texts.Output;
    EXPECT_NE(texts.Output.find(SetupTempWin() + "\\{"), std::string::npos) << texts.Output;
    EXPECT_EQ(click.ExitCode, 0) << click.Output;
    EXPECT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0) << "a wizard run always ends with 0";
    EXPECT_FALSE(fs::exists(LinuxPath("C:\\Nowhere")));
}

}  // namespace
}  // namespace e2e
