// Honest outcomes under Wine: a drive too small for a fresh installation or an upgrade, a
// file held open by another program during an upgrade, and a run killed half way. Each
// compares the whole prefix (files and registry) before and after.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr char kEntryKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Bytes that do not compress, so that a setup's size on the disk is what it says.
std::string Noise(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x >> 24);
    }
    return s;
}

// Text that compresses, so that unpacking it takes the decoder's time.
std::string Prose(size_t n, const std::string& seed) {
    std::string s;
    for (size_t i = 0; s.size() < n; ++i) s += seed + " line " + std::to_string(i * 7919 % 100003) + "\r\n";
    s.resize(n);
    return s;
}

std::string Ini(const std::string& titel, const std::string& guid, const std::string& version) {
    return "[Info]\r\nTitel = " + titel + "\r\nVersion = " + version + "\r\nGUID = " + guid +
           "\r\n[Settings]\r\nProgExe = Tool.exe\r\nDefaultDir = C:\\" + titel +
           "\r\n[StartMenue]\r\nProgLink = " + titel + "\r\nDefaultDir = " + titel +
           "\r\n[Task]\r\nStartMenu = 1\r\nNoUninstall = 0\r\n";
}

// A setup of `files` (names below program/) and the setup.ini of that version.
std::string MakeSetup(const std::string& name, const std::string& ini,
                      std::map<std::string, std::string> files, const std::string& args = "") {
    files["setup.ini"] = ini;
    std::map<std::string, std::string> project;
    for (auto& [file, bytes] : files) {
        project[file == "setup.ini" ? file : "program/" + file] = std::move(bytes);
    }
    const std::string dir = MakeProject(name, project);
    const std::string setup = ScratchDir(name + "-out") + "/" + name + ".exe";
    EXPECT_EQ(BuildSetup(dir, setup, StubPath(), args), 0);
    return setup;
}

std::string DisplayVersion(const std::string& guid, bool* found = nullptr) {
    return RegRead(kEntryKey + guid, "DisplayVersion", found);
}

// Removes an installation the test made, whatever state it is in.
void Forget(const std::string& linuxFolder, const std::string& guid, const std::string& titel) {
    fs::remove_all(linuxFolder);
    RunWine("C:\\windows\\system32\\reg.exe", {"delete", kEntryKey + guid, "/f"}, 60);
    RunWine("C:\\windows\\system32\\reg.exe",
            {"delete", "HKCU\\Software\\Wendlebox\\" + guid, "/f"}, 60);
    fs::remove_all(LinuxFolder("APPDATA") + "/Microsoft/Windows/Start Menu/Programs/" + titel);
}

// A tmpfs of `kilobytes` mounted by the test and linked into the prefix as drive W:.
// Kills at once, as a power cut would, the processes of this test run whose command line
// names `program`: the setup this test started under Wine. A Windows "taskkill" would first
// have to start a Wine process of its own, by when a fast machine has finished the run.
int KillRunsOf(const std::string& program) {
    int killed = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        const std::string pid = e.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string cmdline = ReadFile(e.path().string() + "/cmdline");
        if (cmdline.find(program) == std::string::npos) continue;
        if (::kill(std::stoi(pid), SIGKILL) == 0) ++killed;
    }
    return killed;
}

class SmallDrive {
public:
    explicit SmallDrive(int kilobytes) {
        // A run that died inside this test left its drive mounted; this one takes its place.
        ::umount2((fs::path(PrefixDir()).parent_path() / "e2e-scratch/small-drive").c_str(),
                  MNT_DETACH);
        dir_ = ScratchDir("small-drive");
        link_ = PrefixDir() + "/dosdevices/w:";
        const std::string size = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, size.c_str()) == 0;
        if (!mounted_) {
            why_ = std::string("mounting a tmpfs is not permitted here: ") + std::strerror(errno);
            return;
        }
        fs::remove(link_);
        fs::create_symlink(dir_, link_);
    }
    ~SmallDrive() {
        if (!mounted_) return;
        fs::remove(link_);
        ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    const std::string& Why() const { return why_; }
    const std::string& Dir() const { return dir_; }

private:
    std::string dir_, link_, why_;
    bool mounted_ = false;
};

TEST(StagingE2E, TooSmallADriveForAFreshInstallationOrAnUpgradeChangesNothing) {
    SmallDrive drive(2048);
    if (!drive.Mounted()) GTEST_SKIP() << drive.Why();
    const std::string guid = "{3C2B1A09-8F7E-4D6C-9B5A-4F3E2D1C0B0A}";
    const std::string log = ScratchDir("small-drive-log") + "/install.log";
    const std::string big = MakeSetup("roomy-2", Ini("Roomy", guid, "2.0"),
                                      {{"Tool.exe", "MZ 2.0" + Noise(60000, 2)},
                                       {"data.bin", Noise(3 * 1024 * 1024, 3)}});
    const std::string small = MakeSetup("roomy-1", Ini("Roomy", guid, "1.0"),
                                        {{"Tool.exe", "MZ 1.0" + Noise(60000, 1)},
                                         {"data.bin", Noise(600 * 1024, 4)}});

    // Fresh: nothing on W:, nothing in the registry, exit code 4 and its log line.
    const PrefixState before = CapturePrefix({drive.Dir()});
    RunResult r = RunWine(big, {"/Q", "/P:W:\\Roomy", "/L:" + WinPath(log)});
    EXPECT_EQ(r.ExitCode, 4) << r.Output;
    EXPECT_EQ(PrefixDifference(before, CapturePrefix({drive.Dir()})), "");
    EXPECT_NE(ReadFile(log).find("Not enough room for W:\\Roomy\\"), std::string::npos)
        << ReadFile(log);

    // Upgrade: 1.0 fits; 2.0 does not, and 1.0 stays whole, registered and removable.
    r = RunWine(small, {"/Q", "/P:W:\\Roomy"});
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
    const PrefixState installed = CapturePrefix({drive.Dir()});
    r = RunWine(big, {"/Q", "/P:W:\\Roomy"});
    EXPECT_EQ(r.ExitCode, 4) << r.Output;
    EXPECT_EQ(PrefixDifference(installed, CapturePrefix({drive.Dir()})), "");
    EXPECT_EQ(DisplayVersion(guid), "1.0");
    r = RunWine("W:\\Roomy\\uninstall.exe", {"/Q"});
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_TRUE(GoneWithin(drive.Dir() + "/Roomy", 20));
    bool found = true;
    DisplayVersion(guid, &found);
    EXPECT_FALSE(found);
    Forget(drive.Dir() + "/Roomy", guid, "Roomy");
}

// A stand-in for a program that has a file of the installation open.
struct FileHolder : HeldRun {
    FileHolder(const std::string& name, const std::string& winFile)
        : HeldRun("file-" + name, Win32BinPath("file_holder.exe"), {winFile}) {}
};

// The files directly and deeper in `folder`, relative, with their bytes.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string rel = e.path().string().substr(folder.size() + 1);
        files[rel] = e.is_directory() ? std::string("folder") : ReadFile(e.path().string());
    }
    return files;
}

TEST(StagingE2E, AnUpgradeWhileADllIsHeldOpenEndsWith3010AndTheRestartCompletesIt) {
    const std::string guid = "{3C2B1A09-8F7E-4D6C-9B5A-4F3E2D1C0B0B}";
    const std::string folder = LinuxPath("C:\\Held Tool");
    Forget(folder, guid, "Held Tool");
    std::map<std::string, std::string> v1 = {{"Tool.exe", "MZ 1.0" + Prose(30000, "one")},
                                             {"helper.dll", "MZ dll 1.0" + Prose(20000, "one")}};
    std::map<std::string, std::string> v2 = {{"Tool.exe", "MZ 2.0" + Prose(30000, "two")},
                                             {"helper.dll", "MZ dll 2.0" + Prose(20000, "two")},
                                             {"readme.txt", "new in 2.0"}};
    const std::string setup1 = MakeSetup("held-1", Ini("Held Tool", guid, "1.0"), v1);
    const std::string setup2 = MakeSetup("held-2", Ini("Held Tool", guid, "2.0"), v2);
    ASSERT_EQ(RunWine(setup1, {"/Q"}).ExitCode, 0);

    const std::string log = ScratchDir("held-log") + "/install.log";
    {
        FileHolder holder("dll", "C:\\Held Tool\\helper.dll");
        ASSERT_TRUE(holder.Ready());
        RunResult r = RunWine(setup2, {"/Q", "/L:" + WinPath(log)});
        EXPECT_EQ(r.ExitCode, 3010 & 0xFF) << r.Output;  // Wine passes the low byte on
        EXPECT_EQ(ReadFile(folder + "/helper.dll"), v1["helper.dll"]) << "held, so untouched";
        EXPECT_EQ(ReadFile(folder + "/Tool.exe"), v2["Tool.exe"]);
        EXPECT_EQ(DisplayVersion(guid), "2.0");
        EXPECT_NE(ReadFile(log).find("File in use, replaced at the next restart: C:\\Held Tool\\"
                                     "helper.dll"),
                  std::string::npos)
            << ReadFile(log);
    }
    // The restart: Wine performs the pending renames when the prefix starts again.
    RunHost("WINEPREFIX=" + PrefixDir() + " wineserver -k");
    RunWine("C:\\windows\\system32\\cmd.exe", {"/c", "exit"}, 120);

    std::map<std::string, std::string> after = Tree(folder);
    EXPECT_EQ(after["helper.dll"], v2["helper.dll"]);
    after.erase("uninstall.exe");
    after.erase("uninstall.dat");
    std::map<std::string, std::string> expected = v2;
    EXPECT_TRUE(after == expected) << [&] {
        std::string names;
        for (const auto& [n, b] : after) names += n + " (" + std::to_string(b.size()) + ")\n";
        return names;
    }();
    EXPECT_EQ(RunWine("C:\\Held Tool\\uninstall.exe", {"/Q"}).ExitCode, 0);
    EXPECT_TRUE(GoneWithin(folder, 20));
    Forget(folder, guid, "Held Tool");
}

TEST(StagingE2E, ARunKilledWhileStagingRegistersNothingAndTheNextRunCompletes) {
    const std::string guid = "{3C2B1A09-8F7E-4D6C-9B5A-4F3E2D1C0B0C}";
    const std::string folder = LinuxPath("C:\\Killed Tool");
    Forget(folder, guid, "Killed Tool");
    std::map<std::string, std::string> files = {{"Tool.exe", "MZ" + Prose(20000, "tool")}};
    for (int i = 0; i < 80; ++i) {
        files["data/part" + std::to_string(100 + i) + ".txt"] = Prose(400 * 1024, "part" + std::to_string(i));
    }
    const std::string setup =
        MakeSetup("wbkilled", Ini("Killed Tool", guid, "1.0"), files, "--per-file");
    PrefixState before = CapturePrefix();

    // Killed as soon as the first files are staged.
    std::thread run([&] { RunWine(setup, {"/Q"}, 300); });
    bool staging = false;
    for (int i = 0; i < 3000 && !staging; ++i) {
        if (fs::exists(folder)) {
            for (const auto& e : fs::directory_iterator(folder)) {
                if (e.path().filename().string().rfind("~wbstage.", 0) == 0 &&
                    !fs::is_empty(e.path())) {
                    staging = true;
                }
            }
        }
        if (!staging) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int killed = KillRunsOf("wbkilled.exe");
    run.join();
    ASSERT_TRUE(staging) << "the run was not caught while staging";
    ASSERT_GT(killed, 0) << "the run ended before it could be killed";
    bool found = true;
    DisplayVersion(guid, &found);
    EXPECT_FALSE(found) << "no uninstall entry while the program is incomplete";
    EXPECT_FALSE(fs::exists(folder + "/Tool.exe"));

    RunResult again = RunWine(setup, {"/Q"}, 300);
    EXPECT_EQ(again.ExitCode, 0) << again.Output;
    EXPECT_EQ(DisplayVersion(guid), "1.0");
    size_t parts = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
        EXPECT_NE(e.path().filename().string().rfind("~wbstage.", 0), 0u) << "left: " << e.path();
    }
    for (const auto& e : fs::directory_iterator(folder + "/data")) parts += e.is_regular_file();
    EXPECT_EQ(parts, 80u);

    EXPECT_EQ(RunWine("C:\\Killed Tool\\uninstall.exe", {"/Q"}).ExitCode, 0);
    EXPECT_TRUE(GoneWithin(folder, 20));
    // The uninstaller's temporary copy of itself is deleted at the next restart (its own
    // way of removing its file); that one registry value aside, the prefix is as before.
    EXPECT_EQ(PrefixDifference(WithoutRestartMoves(before), WithoutRestartMoves(CapturePrefix())),
              "");
    Forget(folder, guid, "Killed Tool");
}

}  // namespace
}  // namespace e2e
