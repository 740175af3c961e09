// Hook programs, the running-program check and the finish of real setups under Wine: which
// hook runs, what its exit code does, what happens to the temporary setup folder, the
// warning in the wizard run and its quiet answer, and the exit codes of the quiet run.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char* kWarningCaption = "Wendlebox - Warning";

std::string Ini(const std::string& progExe, const std::string& task) {
    return "[Info]\r\nTitel = Held Tool\r\nVersion = 1.0\r\n"
           "GUID = {5A1E2C3D-0000-4000-8000-0000000B0001}\r\n"
           "[Settings]\r\nProgExe = " + progExe + "\r\n"
           "[Task]\r\nNoUninstall = 1\r\n" + task;
}

// One setup of the test: its hooks write into one marker file, it installs into a folder
// of its own, and the temporary setup folders it adds are tracked.
struct HookSetup {
    std::string Dir;       // the test's scratch folder (Linux)
    std::string Setup;     // the setup (Linux path)
    std::string Marker;    // where the hooks note that they ran (Linux path)
    std::string Install;   // the installation folder (Linux path)
    std::string InstallSwitch;
    std::vector<std::string> TempBefore;

    std::vector<std::string> NewTempFolders() const {
        return NewFolders(TempBefore, GuidFolders(SetupTempLinux()));
    }
    // The hooks that ran, in order, as "NAME<TAB>working folder<TAB>argument count".
    std::vector<std::string> HookLines() const {
        std::vector<std::string> lines;
        std::string text = ReadFile(Marker);
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find("\r\n", at);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return lines;
    }
    // What the added temporary setup folders still hold, for failure messages.
    std::string Leftovers() const {
        std::string text;
        for (const std::string& f : NewTempFolders()) {
            text += f + ":";
            for (const auto& e : fs::recursive_directory_iterator(SetupTempLinux() + "/" + f)) {
                text += " " + e.path().filename().string();
            }
            text += "\n";
        }
        return text;
    }
    void Forget() const {
        for (const std::string& f : NewTempFolders()) fs::remove_all(SetupTempLinux() + "/" + f);
        fs::remove_all(Install);
    }
};

// `hooks` maps a hook name ("BeforeWB") to its exit code; each gets the test hook program.
HookSetup MakeHookSetup(const std::string& name, const std::map<std::string, int>& hooks,
                        const std::string& ini, const std::string& stub = StubPath()) {
    HookSetup s;
    s.Dir = ScratchDir("prog-" + name);
    s.Marker = s.Dir + "/hooks.txt";
    std::map<std::string, std::string> files = {{"setup.ini", ini},
                                                {"program/Tool.exe", "MZ tool"}};
    // The program the description names comes with the setup, as in a real one.
    const size_t named = ini.find("ProgExe = ");
    if (named != std::string::npos) {
        const size_t begin = named + 10;
        files.emplace("program/" + ini.substr(begin, ini.find("\r\n", begin) - begin), "MZ program");
    }
    std::string hook = ReadFile(Win32BinPath("wbhook.exe"));
    for (const auto& [hookName, code] : hooks) {
        files[hookName + ".exe"] = hook;
        files[hookName + ".cfg"] =
            "exit=" + std::to_string(code) + "\r\nmarker=" + WinPath(s.Marker) + "\r\n";
    }
    std::string project = MakeProject("prog-" + name + "-project", files);
    s.Setup = s.Dir + "/setup.exe";
    EXPECT_EQ(BuildSetup(project, s.Setup, stub), 0);
    std::string installWin = "C:\\WbProg\\" + name;
    s.InstallSwitch = "/P:" + installWin;
    s.Install = LinuxPath("C:\\") + "WbProg/" + name;
    fs::remove_all(s.Install);
    s.TempBefore = GuidFolders(SetupTempLinux());
    return s;
}

std::string TempWin(const std::string& guidFolder) { return SetupTempWin() + "\\" + guidFolder; }

std::string HookLine(const char* hook, const std::string& guidFolder) {
    return std::string(hook) + "\t" + TempWin(guidFolder) + "\t0";
}

// A stand-in for the installed program, running until the test ends it: it holds `mutex`
// when one is given, and runs as a process named `exeName`.
struct Holder : HeldRun {
    Holder(const std::string& name, const std::string& exeName, const std::string& mutex)
        : HeldRun(name, CopyOfHolder(name, exeName),
                  mutex.empty() ? std::vector<std::string>{} : std::vector<std::string>{mutex}) {}
    static std::string CopyOfHolder(const std::string& name, const std::string& exeName) {
        const std::string exe = ScratchDir("holder-" + name) + "/" + exeName;
        fs::copy_file(Win32BinPath("wbholder.exe"), exe);
        return exe;
    }
};

TEST(ProgramE2E, BeforeHookExitingOneStopsTheQuietSetupLeavingTheTemporaryFolder) {
    HookSetup s = MakeHookSetup("before-stops", {{"BeforeWB", 1}, {"AfterWB", 0}},
                                Ini("Tool.exe", ""));
    RunResult r = RunWine(s.Setup, {"/Q", s.InstallSwitch});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 1) << r.Output;
    EXPECT_FALSE(fs::exists(s.Install)) << "nothing is installed";
    auto added = s.NewTempFolders();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_TRUE(fs::exists(SetupTempLinux() + "/" + added[0] + "/setup.ini"));
    EXPECT_EQ(s.HookLines(), std::vector<std::string>{HookLine("BeforeWB.exe", added[0])})
        << "AfterWB.exe does not run";
    s.Forget();
}

TEST(ProgramE2E, BeforeHookExitingZeroOrTwoGoesOnAndTheFinishRemovesTheFolder) {
    for (int code : {0, 2}) {
        SCOPED_TRACE(code);
        HookSetup s = MakeHookSetup("before-goes-on", {{"BeforeWB", code}, {"AfterWB", 1}},
                                    Ini("Tool.exe", ""));
        std::vector<std::string> windows;
        RunResult r = RunWineWatched(s.Setup, {"/Q", s.InstallSwitch}, 120, &windows);
        ASSERT_FALSE(r.TimedOut);
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
        EXPECT_TRUE(windows.empty()) << windows[0];
        EXPECT_EQ(ReadFile(s.Install + "/Tool.exe"), "MZ tool");
        EXPECT_TRUE(s.NewTempFolders().empty()) << s.Leftovers();
        std::vector<std::string> lines = s.HookLines();
        ASSERT_EQ(lines.size(), 2u);
        // Both ran in the temporary setup folder, without parameters, the same folder twice.
        EXPECT_EQ(lines[0].rfind("BeforeWB.exe\t" + SetupTempWin() + "\\{", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], "AfterWB.exe" + lines[0].substr(12));
        EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "\t0");
        s.Forget();
    }
}

TEST(ProgramE2E, HookModeChoosesTheHooks) {
    struct Case {
        const char* sw;
        std::vector<std::string> ran;
    };
    const Case cases[] = {{"/R:3", {"AfterWB.exe"}},
                          {"/R:0", {}},
                          {"/R:2", {"BeforeWB.exe"}},
                          {"/R:x", {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sw);
        HookSetup s = MakeHookSetup("hook-mode", {{"BeforeWB", 0}, {"AfterWB", 0}},
                                    Ini("Tool.exe", ""));
        RunResult r = RunWine(s.Setup, {"/Q", c.sw, s.InstallSwitch});
        ASSERT_FALSE(r.TimedOut);
        EXPECT_EQ(r.ExitCode, 0) << r.Output;
        EXPECT_EQ(ReadFile(s.Install + "/Tool.exe"), "MZ tool");
        std::vector<std::string> ran;
        for (const std::string& line : s.HookLines()) ran.push_back(line.substr(0, line.find('\t')));
        EXPECT_EQ(ran, c.ran);
        EXPECT_TRUE(s.NewTempFolders().empty()) << s.Leftovers();
        s.Forget();
    }
}

// The warning in the wizard run, pressed from outside: the watcher sees it, Cancel ends
// the run and removes the temporary setup folder.
TEST(ProgramE2E, WizardRunWarnsOfAProgramHoldingItsMutexAndCancelRemovesTheFolder) {
    Holder holder("mutex-wizard", "wbholder.exe", "WbHeldToolMutex");
    ASSERT_TRUE(holder.Ready());
    HookSetup s = MakeHookSetup("mutex-wizard", {{"BeforeWB", 1}},
                                Ini("Tool.exe", "MutexString = WbHeldToolMutex\r\n"));
    RunResult run;
    std::vector<std::string> windows;
    std::thread installer([&] { run = RunWineWatched(s.Setup, {}, 90, &windows); });
    RunResult texts = RunWine(Win32BinPath("wbdriver.exe"), {"texts", kWarningCaption}, 60);
    RunResult press = RunWine(Win32BinPath("wbdriver.exe"), {"dismiss", kWarningCaption, "2"}, 60);
    installer.join();
    EXPECT_EQ(texts.ExitCode, 0) << texts.Output;
    EXPECT_NE(texts.Output.find("Close Program 'Held Tool' first!"), std::string::npos)
        << texts.Output;
    EXPECT_EQ(press.ExitCode, 0) << press.Output;
    EXPECT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0) << "a wizard run ends with 0";
    ASSERT_FALSE(windows.empty()) << "the watcher sees the warning";
    EXPECT_NE(windows[0].find(kWarningCaption), std::string::npos) << windows[0];
    EXPECT_TRUE(s.NewTempFolders().empty()) << "Cancel removes the temporary folder";
    EXPECT_TRUE(s.HookLines().empty()) << "the run ended before BeforeWB.exe";
    s.Forget();
}

// Without a mutex name the process list decides; OK lets the setup go on (to BeforeWB.exe,
// which here ends the run at once).
TEST(ProgramE2E, WizardRunWarnsOfAProgramRunningByNameAndOkGoesOn) {
    Holder holder("name-wizard", "HeldTool.exe", "");
    ASSERT_TRUE(holder.Ready());
    HookSetup s = MakeHookSetup("name-wizard", {{"BeforeWB", 1}}, Ini("heldtool.EXE", ""));
    RunResult run;
    std::thread installer([&] { run = RunWine(s.Setup, {}, 90); });
    RunResult press = RunWine(Win32BinPath("wbdriver.exe"), {"dismiss", kWarningCaption, "1"}, 60);
    installer.join();
    EXPECT_EQ(press.ExitCode, 0) << press.Output;
    EXPECT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0);
    auto added = s.NewTempFolders();
    ASSERT_EQ(added.size(), 1u);
    EXPECT_EQ(s.HookLines(), std::vector<std::string>{HookLine("BeforeWB.exe", added[0])});
    s.Forget();
}

TEST(ProgramE2E, QuietRunEndsWithOneAndNoWindowWhenTheProgramRuns) {
    Holder byMutex("mutex-quiet", "wbholder.exe", "WbQuietToolMutex");
    Holder byName("name-quiet", "QuietTool.exe", "");
    ASSERT_TRUE(byMutex.Ready());
    ASSERT_TRUE(byName.Ready());
    const std::string inis[] = {Ini("Tool.exe", "MutexString = WbQuietToolMutex\r\n"),
                                Ini("QUIETTOOL.exe", "")};
    for (const std::string& ini : inis) {
        SCOPED_TRACE(ini);
        HookSetup s = MakeHookSetup("running-quiet", {{"BeforeWB", 0}, {"AfterWB", 0}}, ini);
        std::vector<std::string> windows;
        RunResult r = RunWineWatched(s.Setup, {"/Q", s.InstallSwitch}, 60, &windows);
        ASSERT_FALSE(r.TimedOut) << "a question waited for an answer";
        EXPECT_EQ(r.ExitCode, 1) << r.Output;
        EXPECT_TRUE(windows.empty()) << windows[0];
        EXPECT_FALSE(fs::exists(s.Install));
        EXPECT_TRUE(s.NewTempFolders().empty()) << "removed as after Cancel";
        EXPECT_TRUE(s.HookLines().empty());
        s.Forget();
    }
}

TEST(ProgramE2E, QuietRunWithRebootEndsWith3010AndNoWindow) {
    HookSetup s = MakeHookSetup("reboot-quiet", {{"AfterWB", 0}},
                                Ini("Tool.exe", "Reboot = 1\r\n"), ProbeStubPath());
    std::vector<std::string> windows;
    RunResult r = RunWineWatched(s.Setup, {"/Q", s.InstallSwitch}, 60, &windows);
    ASSERT_FALSE(r.TimedOut) << "the restart question waited for an answer";
    EXPECT_EQ(ProbeValue(ReadProbe(s.Setup), "ExitCode"), "3010");
    EXPECT_EQ(r.ExitCode, 3010 & 0xFF) << "Wine passes on the low byte only";
    EXPECT_TRUE(windows.empty()) << windows[0];
    EXPECT_EQ(ReadFile(s.Install + "/Tool.exe"), "MZ tool");
    EXPECT_EQ(s.HookLines().size(), 1u);
    EXPECT_TRUE(s.NewTempFolders().empty()) << s.Leftovers();
    s.Forget();
}

// The program runner itself on the real system, through a probe program.
TEST(ProgramE2E, RunProgramQuotesAPathWithBlanksWaitsAndReportsTheExitCode) {
    std::string dir = ScratchDir("runner-blanks") + "/with blanks";
    fs::create_directories(dir);
    fs::copy_file(Win32BinPath("wbhook.exe"), dir + "/Exit Seven.exe");
    WriteFile(dir + "/Exit Seven.cfg", "exit=7\r\nmarker=" + WinPath(dir + "/ran.txt") + "\r\n");
    RunResult r = RunWine(Win32BinPath("program_probe.exe"),
                          {"wait", WinPath(dir + "/Exit Seven.exe"), "one two"}, 60);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("started=1 exit=7"), std::string::npos) << r.Output;
    // The marker is written before the exit: the call returned only after the program ended.
    std::string ran = ReadFile(dir + "/ran.txt");
    EXPECT_EQ(ran.rfind("Exit Seven.exe\t", 0), 0u) << ran;
    EXPECT_NE(ran.find("\t2\r\n"), std::string::npos) << "two parameters: " << ran;

    RunResult missing = RunWine(Win32BinPath("program_probe.exe"),
                                {"wait", WinPath(dir + "/absent.exe"), ""}, 60);
    EXPECT_NE(missing.Output.find("started=0"), std::string::npos) << missing.Output;
}

TEST(ProgramE2E, ADocumentOpensWithItsAssociatedProgramInItsOwnFolder) {
    std::string dir = ScratchDir("runner-document");
    fs::create_directories(dir + "/docs");
    fs::copy_file(Win32BinPath("wbhook.exe"), dir + "/DocOpener.exe");
    WriteFile(dir + "/DocOpener.cfg", "exit=5\r\nmarker=" + WinPath(dir + "/ran.txt") + "\r\n");
    WriteFile(dir + "/docs/letter.wbdoc", "not a program");
    std::string command = "\"" + WinPath(dir + "/DocOpener.exe") + "\" \"%1\"";
    RunResult ext = RunWine("reg", {"add", "HKCR\\.wbdoc", "/ve", "/d",
                                    "WbDoc.File", "/f"}, 60);
    RunResult verb = RunWine("reg", {"add", "HKCR\\WbDoc.File\\shell\\open\\command",
                                     "/ve", "/d", command, "/f"}, 60);
    ASSERT_EQ(ext.ExitCode, 0) << ext.Output;
    ASSERT_EQ(verb.ExitCode, 0) << verb.Output;

    RunResult r = RunWine(Win32BinPath("program_probe.exe"),
                          {"wait", WinPath(dir + "/docs/letter.wbdoc"), ""}, 60);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("started=1 exit=5"), std::string::npos) << r.Output;
    // Without a working folder the shell opens the document in the document's folder.
    EXPECT_EQ(ReadFile(dir + "/ran.txt"),
              "DocOpener.exe\t" + WinPath(dir + "/docs") + "\t1\r\n");
}

TEST(ProgramE2E, KillProgramEndsARunningProgramWithExitCodeMinusOne) {
    std::string dir = ScratchDir("runner-kill");
    RunResult r = RunWine(Win32BinPath("program_probe.exe"),
                          {"kill", Win32BinPath("wbholder.exe"),
                           WinPath(dir + "/ready") + " " + WinPath(dir + "/stop")},
                          60);
    WriteFile(dir + "/stop", "stop");
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_NE(r.Output.find("running=1 killed_exit=4294967295 known_after_close=0"),
              std::string::npos)
        << r.Output;
}

}  // namespace
}  // namespace e2e
