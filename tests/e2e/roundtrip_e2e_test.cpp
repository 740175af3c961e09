// Install, then remove: the example setup installed quietly and removed again by the
// uninstaller it brought, started the three ways a user or an admin starts it. Afterwards
// the prefix's files and registry are as they were before the installation.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGuid = "{6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}";
constexpr const char* kWindow = " uninstall Program";  // the uninstaller's caption

// Every file and folder of drive C with its size, except the temporary folders, where setups
// and the uninstaller's own copy work (an elevated uninstaller's copy in the system's one;
// both copies go at the next restart).
std::set<std::string> FileTree() {
    std::set<std::string> tree;
    const fs::path root = LinuxPath("C:\\");
    const std::string temp = Lower(fs::relative(LinuxFolder("TEMP"), root).string());
    const std::string systemTemp = Lower(fs::relative(LinuxFolder("WINDIR"), root).string()) + "/temp";
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = fs::relative(it->path(), root).string();
        if (Lower(rel) == temp || Lower(rel) == systemTemp) {
            it.disable_recursion_pending();
            continue;
        }
        std::string line = rel;
        if (it->is_regular_file() && !it->is_symlink()) line += " " + std::to_string(it->file_size());
        tree.insert(line);
    }
    return tree;
}

// Keys where Wine itself keeps the state of its devices and display, which change from one
// program start to the next; no setup writes there.
bool IsWineOwnState(const std::string& key) {
    for (const char* prefix : {"[HKEY_LOCAL_MACHINE\\Hardware", "[HKEY_LOCAL_MACHINE\\System",
                               "[HKEY_LOCAL_MACHINE\\Software\\Wine", "[HKEY_CURRENT_USER\\Software\\Wine"}) {
        if (key.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

// The lines of the machine's and the user's hives as the system's reg tool exports them.
std::set<std::string> Registry() {
    std::set<std::string> lines;
    const std::string dir = ScratchDir("roundtrip-reg");
    for (const char* root : {"HKLM", "HKCU"}) {
        const std::string file = dir + "/" + root + ".reg";
        RunWine("C:\\windows\\system32\\reg.exe", {"export", root, WinPath(file), "/y"}, 120);
        std::string text = ReadFile(file);
        // The export is UTF-16; the names and values that matter here are ASCII.
        std::string narrow;
        for (size_t i = 0; i + 1 < text.size(); i += 2) {
            if (text[i + 1] == 0 && text[i] != '\r') narrow += text[i];
        }
        std::istringstream in(narrow);
        std::string key, line;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') key = line;
            if (IsWineOwnState(key)) continue;
            lines.insert(key + " " + line);
        }
    }
    return lines;
}

std::vector<std::string> Difference(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size() && i < 40; ++i) out += "  " + lines[i] + "\n";
    return out;
}

// Presses OK in the uninstaller's window, waits for it to say it is done, and closes it.
void ConfirmRemovalWindow() {
    ASSERT_EQ(Driver({"wait", kWindow, "60"}).ExitCode, 0) << "the uninstaller's window did not show";
    EXPECT_EQ(Driver({"click", kWindow, "1"}).ExitCode, 0);
    for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        RunResult texts = Driver({"texts", kWindow});
        if (texts.Output.find("\tReady") != std::string::npos) break;
    }
    EXPECT_EQ(Driver({"dismiss", kWindow, "1"}).ExitCode, 0);
}

class RoundTripE2E : public ::testing::Test {
protected:
    void SetUp() override { ForgetDemoInstallation(); }
    void TearDown() override { ForgetDemoInstallation(); }

    std::string Install(const std::string& name) {
        const std::string setup = BuildDemoSetup(name);
        EXPECT_FALSE(setup.empty());
        RunResult r = RunWine(setup, {"/Q"}, 180);
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
        const std::string progDir = WinFolder("PROGRAMFILES") + "\\Hello Wendlebox\\";
        EXPECT_TRUE(fs::exists(LinuxPath(progDir + "Hello.exe")));
        EXPECT_TRUE(fs::exists(LinuxPath(progDir + "uninstall.exe")));
        return progDir;
    }

    static void ExpectRemoved(const std::string& progDir) {
        EXPECT_TRUE(GoneWithin(LinuxPath(progDir), 30)) << "the installation folder stayed";
        bool found = true;
        RegRead(std::string("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") +
                    kGuid, "DisplayName", &found);
        EXPECT_FALSE(found) << "the uninstall entry stayed";
        EXPECT_FALSE(fs::exists(LinuxFolder("USERPROFILE") + "/Desktop/Hello Wendlebox.lnk"));
        EXPECT_FALSE(fs::exists(LinuxFolder("USERPROFILE") + "/Desktop/Hello on the Web.url"));
        EXPECT_FALSE(fs::exists(LinuxFolder("APPDATA") +
                                "/Microsoft/Windows/Start Menu/Programs/Hello Wendlebox"));
    }
};

TEST_F(RoundTripE2E, QuietInstallThenQuietRemovalLeavesThePrefixAsItWas) {
    const std::set<std::string> filesBefore = FileTree();
    const std::set<std::string> registryBefore = Registry();

    const std::string progDir = Install("roundtrip-quiet");
    EXPECT_NE(Difference(FileTree(), filesBefore).size(), 0u) << "the installation left no trace";
    // The web links the removal must find: kind 2 on the desktop, kind 3 and the homepage
    // link in the Start-menu folder.
    const std::string menu = LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/Hello Wendlebox/";
    for (const std::string& web : {LinuxFolder("USERPROFILE") + "/Desktop/Hello on the Web.url",
                                   menu + "Hello Homepage.url", menu + "Homepage.url"}) {
        EXPECT_TRUE(fs::exists(web)) << web;
    }
    RunResult removal = RunWine(progDir + "uninstall.exe", {"/Q"}, 180);
    EXPECT_EQ(removal.ExitCode, 0) << removal.Output;
    ExpectRemoved(progDir);

    const std::set<std::string> filesAfter = FileTree();
    const std::set<std::string> registryAfter = Registry();
    EXPECT_TRUE(Difference(filesAfter, filesBefore).empty())
        << "left behind:\n" << Join(Difference(filesAfter, filesBefore));
    EXPECT_TRUE(Difference(filesBefore, filesAfter).empty())
        << "removed though not installed:\n" << Join(Difference(filesBefore, filesAfter));
    // The per-product key is the one thing a removal may leave; a quiet run writes none.
    std::vector<std::string> added;
    for (const std::string& line : Difference(registryAfter, registryBefore)) {
        if (line.find(std::string("\\Software\\Wendlebox\\") + kGuid) == std::string::npos) {
            added.push_back(line);
        }
    }
    EXPECT_TRUE(added.empty()) << "registry left behind:\n" << Join(added);
    EXPECT_TRUE(Difference(registryBefore, registryAfter).empty())
        << "registry removed though not installed:\n" << Join(Difference(registryBefore, registryAfter));
}

TEST_F(RoundTripE2E, StartMenuUninstallLinkRemovesTheProgram) {
    const std::string progDir = Install("roundtrip-link");
    const std::string link = WinFolder("APPDATA") +
                             "\\Microsoft\\Windows\\Start Menu\\Programs\\Hello Wendlebox\\Uninstall.lnk";
    ASSERT_TRUE(fs::exists(LinuxPath(link)));
    RunResult started;
    std::thread user([&] { started = RunWine("C:\\windows\\system32\\start.exe", {"/wait", link}, 150); });
    ConfirmRemovalWindow();
    user.join();
    ExpectRemoved(progDir);
}

TEST_F(RoundTripE2E, SystemListOfInstalledProgramsRemovesTheProgram) {
    const std::string progDir = Install("roundtrip-list");
    // The system's own removal tool starts the entry's UninstallString as it stands.
    RunResult started;
    std::thread admin([&] {
        started = RunWine("C:\\windows\\system32\\uninstaller.exe", {"--remove", kGuid}, 150);
    });
    ConfirmRemovalWindow();
    admin.join();
    ExpectRemoved(progDir);
}

}  // namespace
}  // namespace e2e
