// The authoring tool built as a Windows program, run under Wine: its setups match the Linux
// tool's byte for byte, install, and its verify and extract work on Windows paths.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "e2e/e2e_util.h"
#include "wbpack/inspection/inspect.h"

namespace e2e {
namespace {

constexpr long kTime = 1577934245;  // 2020-01-02 03:04:05 UTC

// With uninstall support, so that the generated log and the uninstaller are compared too.
const char* kIni =
    "[Info]\r\nTitel = Packed On Windows\r\nVersion = 2.0\r\n"
    "GUID = {5A1E2C3D-0000-4000-8000-00000000C001}\r\n"
    "[Settings]\r\nProgExe = Tool.exe\r\n[Task]\r\nMutexString = PackedTool\r\n";
const char* kQuietIni =
    "[Info]\r\nTitel = Packed On Windows\r\nVersion = 2.0\r\n"
    "GUID = {5A1E2C3D-0000-4000-8000-00000000C002}\r\n"
    "[Settings]\r\nProgExe = Tool.exe\r\n[Task]\r\nNoUninstall = 1\r\n";

// Wine reads the Linux names of the project as UTF-8 only under a UTF-8 locale it knows.
const std::vector<std::pair<std::string, std::string>> kLocale = {{"LANG", "C.UTF-8"}};

std::string Noise(size_t n) {
    std::string s(n, '\0');
    uint32_t x = 2463534242u;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return s;
}

std::string Prose(size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "Paragraph " + std::to_string(i % 37) + " of the readme.\r\n";
    s.resize(n);
    return s;
}

const std::map<std::string, std::string>& ProgramFiles() {
    static const std::map<std::string, std::string> files = {
        {"Tool.exe", "MZ" + Noise(30000)},
        {"Data/Deep/notes.txt", Prose(5000)},
        {"Data/empty.bin", ""},
        {"Gr\xC3\xBC\xC3\x9F" "e.txt", "umlauts in the name\r\n"},
    };
    return files;
}

// A project with setup files, program files (one with a non-ASCII name) and an uninstaller
// of its own, every file carrying one fixed modification time.
std::string MakeToolProject(const std::string& name, const std::string& ini) {
    std::map<std::string, std::string> files = {{"setup.ini", ini},
                                                {"licence.txt", Prose(20000)},
                                                {"lang/German.lng", "[Install]\r\nTitel = Hallo\r\n"}};
    for (const auto& [rel, bytes] : ProgramFiles()) files["program/" + rel] = bytes;
    std::string project = MakeProject(name, files);
    std::string scratch = std::filesystem::path(project).parent_path().string();
    WriteFile(scratch + "/uninstall.exe", "MZ uninstaller stand-in");
    struct timespec times[2] = {{kTime, 0}, {kTime, 0}};
    for (const auto& e : std::filesystem::recursive_directory_iterator(scratch)) {
        ::utimensat(AT_FDCWD, e.path().c_str(), times, 0);
    }
    return project;
}

RunResult WinWbpack(const std::vector<std::string>& args) {
    return RunWine(Win32BinPath("wbpack.exe"), args, 120, kLocale);
}

std::string Uninstaller(const std::string& project) {
    return std::filesystem::path(project).parent_path().string() + "/uninstall.exe";
}

void BuildOnWindows(const std::string& project, const std::string& setup,
                    const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"build", WinPath(project), "-o", WinPath(setup),
                                     "--stub", WinPath(StubPath()), "--uninstaller",
                                     WinPath(Uninstaller(project)), "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    RunResult r = WinWbpack(args);
    ASSERT_FALSE(r.TimedOut);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;
}

int BuildOnLinux(const std::string& project, const std::string& setup, const std::string& extra) {
    return BuildSetup(project, setup, StubPath(),
                      "--uninstaller '" + Uninstaller(project) + "' " + extra);
}

// `wbpack list` of the Linux tool without its first line, which names the file.
std::string ListingBody(const std::string& setup) {
    std::string out;
    EXPECT_EQ(RunHost("'" + WbpackPath() + "' list '" + setup + "'", &out), 0) << out;
    return out.substr(out.find('\n') + 1);
}

TEST(WbpackWin32E2E, BuildsTheSameSetupAsTheLinuxToolInEveryShapeAndCodePage) {
    ASSERT_TRUE(std::filesystem::exists(Win32BinPath("wbpack.exe")));
    std::string project = MakeToolProject("wbpack-win-same", kIni);
    std::string out = ScratchDir("wbpack-win-same-out");
    // 437 is not the host's ANSI code page: names must go through Unicode to the target's.
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"solid", ""}, {"perfile", "--per-file"}, {"cp437", "--codepage 437"}};
    for (const auto& [label, option] : variants) {
        SCOPED_TRACE(label);
        std::string win = out + "/" + label + "-win.exe";
        std::string lin = out + "/" + label + "-lin.exe";
        std::vector<std::string> extra;
        if (label == "perfile") extra = {"--per-file"};
        if (label == "cp437") extra = {"--codepage", "437"};
        BuildOnWindows(project, win, extra);
        ASSERT_EQ(BuildOnLinux(project, lin, option), 0);
        std::string verify;
        EXPECT_EQ(RunHost("'" + WbpackPath() + "' verify '" + win + "'", &verify), 0) << verify;
        // Entry names, sizes and times first, for a readable failure; then every byte.
        // Wine reports a Linux file's modification time as its creation time, so the
        // creation times agree too and the two setups must be one.
        std::string winList = ListingBody(win);
        EXPECT_EQ(winList, ListingBody(lin));
        EXPECT_NE(winList.find("uninstall.dat"), std::string::npos);
        EXPECT_TRUE(ReadFile(win) == ReadFile(lin)) << "setups differ in their bytes";
    }
}

TEST(WbpackWin32E2E, SourceDateEpochLimitsTheTimesOnWindowsAsOnLinux) {
    // Every file of the project is a day younger than the sources' time.
    const std::string epoch = std::to_string(kTime - 86400);
    std::string project = MakeToolProject("wbpack-win-epoch", kIni);
    std::string out = ScratchDir("wbpack-win-epoch-out");
    for (const std::string shape : {"", "--per-file"}) {
        SCOPED_TRACE(shape.empty() ? "solid" : shape);
        std::vector<std::string> args = {"build", WinPath(project), "-o", WinPath(out + "/win.exe"),
                                         "--stub", WinPath(StubPath()), "--uninstaller",
                                         WinPath(Uninstaller(project)), "--quiet"};
        if (!shape.empty()) args.push_back(shape);
        RunResult r = RunWine(Win32BinPath("wbpack.exe"), args, 120,
                              {{"LANG", "C.UTF-8"}, {"SOURCE_DATE_EPOCH", epoch}});
        ASSERT_FALSE(r.TimedOut);
        ASSERT_EQ(r.ExitCode, 0) << r.Output;
        ASSERT_EQ(BuildOnLinux(project, out + "/lin.exe", shape), 0);
        ::setenv("SOURCE_DATE_EPOCH", epoch.c_str(), 1);
        const int code = BuildOnLinux(project, out + "/lin-epoch.exe", shape);
        ::unsetenv("SOURCE_DATE_EPOCH");
        ASSERT_EQ(code, 0);
        const std::string listing = ListingBody(out + "/win.exe");
        EXPECT_EQ(listing, ListingBody(out + "/lin-epoch.exe"));
        EXPECT_NE(listing.find("2020-01-01 03:04:05  2020-01-01 03:04:05  licence.txt"),
                  std::string::npos) << listing;
        EXPECT_EQ(listing.find("2020-01-02"), std::string::npos) << "no time past the sources'";
        EXPECT_TRUE(ReadFile(out + "/win.exe") == ReadFile(out + "/lin-epoch.exe"));
        EXPECT_FALSE(ReadFile(out + "/win.exe") == ReadFile(out + "/lin.exe"))
            << "without the variable the files' own times show";
    }
}

TEST(WbpackWin32E2E, SetupBuiltOnWindowsUnpacksInAQuietRun) {
    std::string project = MakeToolProject("wbpack-win-run", kQuietIni);
    std::string out = ScratchDir("wbpack-win-run-out");
    std::string setup = out + "/setup.exe";
    // The finish removes the temporary folder; a hook copies it first.
    AddTempFolderSnapshot(project, out + "/temp-copy");
    BuildOnWindows(project, setup);
    std::string temp = SetupTempLinux();
    auto before = GuidFolders(temp);
    RunResult r = RunWine(setup, {"/Q", "/P:C:\\Packed Tool"});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    // What stays is the sub-folder the finish does not enter.
    for (const std::string& added : NewFolders(before, GuidFolders(temp))) {
        EXPECT_FALSE(std::filesystem::exists(temp + "/" + added + "/setup.ini"));
        std::filesystem::remove_all(temp + "/" + added);
    }
    std::string folder = out + "/temp-copy";
    EXPECT_EQ(ReadFile(folder + "/setup.ini"), kQuietIni);
    EXPECT_EQ(ReadFile(folder + "/licence.txt"), Prose(20000));
}

TEST(WbpackWin32E2E, VerifyOnWindowsNamesTheDamagedEntry) {
    std::string project = MakeToolProject("wbpack-win-verify", kIni);
    std::string setup = ScratchDir("wbpack-win-verify-out") + "/setup.exe";
    BuildOnWindows(project, setup);
    RunResult whole = WinWbpack({"verify", WinPath(setup)});
    EXPECT_EQ(whole.ExitCode, 0) << whole.Output;
    EXPECT_NE(whole.Output.find(": OK"), std::string::npos) << whole.Output;

    std::string bytes = ReadFile(setup);
    wb::PackageImage image;
    std::string error;
    ASSERT_TRUE(wb::ReadPackageImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                     image, error))
        << error;
    size_t licence = image.Entries.size();
    for (size_t i = 0; i < image.Entries.size(); ++i) {
        if (image.Entries[i].Name == "licence.txt") licence = i;
    }
    ASSERT_LT(licence, image.Entries.size());
    const wb::PackageEntry& e = image.Entries[licence];
    ASSERT_GT(e.PackedSize, 20);
    bytes[image.Positions[licence] + uint32_t(e.PackedSize) / 2] ^= 0x5A;
    std::string damaged = ScratchDir("wbpack-win-verify-bad") + "/setup.exe";
    WriteFile(damaged, bytes);

    RunResult r = WinWbpack({"verify", WinPath(damaged)});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    EXPECT_NE(r.Output.find("entry \"licence.txt\""), std::string::npos) << r.Output;
    EXPECT_EQ(r.Output.find(": OK"), std::string::npos) << r.Output;
}

TEST(WbpackWin32E2E, ExtractOnWindowsRestoresFilesNamesAndTimes) {
    std::string project = MakeToolProject("wbpack-win-extract", kIni);
    std::string dir = ScratchDir("wbpack-win-extract-out");
    std::string setup = dir + "/setup.exe";
    BuildOnWindows(project, setup, {"--per-file"});
    std::string target = dir + "/unpacked";
    RunResult r = WinWbpack({"extract", WinPath(setup), "-o", WinPath(target)});
    ASSERT_FALSE(r.TimedOut);
    ASSERT_EQ(r.ExitCode, 0) << r.Output;

    EXPECT_EQ(ReadFile(target + "/setup.ini"), kIni);
    EXPECT_EQ(ReadFile(target + "/lang/German.lng"), "[Install]\r\nTitel = Hallo\r\n");
    for (const auto& [rel, contents] : ProgramFiles()) {
        std::string path = target + "/setup.pck.d/" + rel;
        ASSERT_TRUE(std::filesystem::is_regular_file(path)) << rel;
        EXPECT_EQ(ReadFile(path), contents) << rel;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(long(st.st_mtim.tv_sec), kTime) << rel;
    }
    EXPECT_EQ(ReadFile(target + "/setup.pck.d/uninstall.exe"), "MZ uninstaller stand-in");
    std::string log = ReadFile(target + "/setup.pck.d/uninstall.dat");
    EXPECT_NE(log.find("MutexString = PackedTool\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" = Gr\xFC\xDF" "e.txt\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace e2e
