// Start-up of real setups under Wine: the command line, the temporary setup folder, and
// what a setup without a whole Package does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "e2e/e2e_util.h"

namespace e2e {
namespace {

const char* kSetupIni =
    "[Info]\r\nTitel = Hello Tool\r\nVersion = 1.2\r\nGUID = {5A1E2C3D-0000-4000-8000-00000000A001}\r\n"
    "[Settings]\r\nProgExe = Hello.exe\r\n[Task]\r\nNoUninstall = 1\r\n";

TEST(StartupE2E, QuietRunUnpacksIntoAFolderOfItsOwnEveryTime) {
    std::string project = MakeProject("quiet", {{"setup.ini", kSetupIni},
                                                {"program/Hello.txt", "hello"},
                                                {"program/Hello.exe", "MZ hello"}});
    std::string out = ScratchDir("quiet-out");
    std::string setup = out + "/setup.exe";
    AddTempFolderSnapshot(project, out + "/first");
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);

    std::string temp = SetupTempLinux();
    auto before = GuidFolders(temp);
    RunResult first = RunWine(setup, {"/Q", "/P:C:\\Some Dir"});
    ASSERT_FALSE(first.TimedOut);
    EXPECT_EQ(first.ExitCode, 0) << first.Output;
    std::string firstDir = SnapshotSource(out + "/first");
    EXPECT_EQ(firstDir.rfind(SetupTempWin() + "\\{", 0), 0u) << firstDir;
    EXPECT_EQ(firstDir.size(), SetupTempWin().size() + 1 + 38);
    EXPECT_EQ(ReadFile(out + "/first/setup.ini"), kSetupIni);
    EXPECT_TRUE(NewFolders(before, GuidFolders(temp)).empty()) << "the finish removes it";

    AddTempFolderSnapshot(project, out + "/second");
    ASSERT_EQ(BuildSetup(project, setup, StubPath()), 0);
    RunResult second = RunWine(setup, {"/Q", "/P:C:\\Some Dir"});
    EXPECT_EQ(second.ExitCode, 0) << second.Output;
    std::string secondDir = SnapshotSource(out + "/second");
    EXPECT_EQ(secondDir.size(), firstDir.size());
    EXPECT_NE(secondDir, firstDir);
    EXPECT_TRUE(NewFolders(before, GuidFolders(temp)).empty());
}

TEST(StartupE2E, SwitchesLandInTheSetupState) {
    std::string project = MakeProject("switches", {{"setup.ini", kSetupIni},
                                                   {"program/Hello.exe", "MZ hello"}});
    std::string setup = ScratchDir("switches-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, ProbeStubPath()), 0);
    RunResult r = RunWine(setup, {"/q", "/P:C:\\Some Dir", "/s:Tools\\Hello", "/R:3"});
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    std::string probe = ReadProbe(setup);
    EXPECT_EQ(ProbeValue(probe, "QuietMode"), "1");
    EXPECT_EQ(ProbeValue(probe, "CmdProgDir"), "C:\\Some Dir");
    EXPECT_EQ(ProbeValue(probe, "CmdStartMenu"), "Tools\\Hello");
    EXPECT_EQ(ProbeValue(probe, "HookMode"), "3");
    EXPECT_EQ(ProbeValue(probe, "SetupExe"), WinPath(setup));
    EXPECT_EQ(ProbeValue(probe, "Titel"), "Hello Tool");
    EXPECT_EQ(ProbeValue(probe, "WindowTitle"), "Hello Tool 1.2");
    std::string tempDir = ProbeValue(probe, "TempDir");
    EXPECT_EQ(tempDir.rfind(SetupTempWin() + "\\{", 0), 0u) << tempDir;
    EXPECT_EQ(tempDir.size(), SetupTempWin().size() + 1 + 38 + 1);
    EXPECT_EQ(ProbeValue(probe, "SetupIni"), tempDir + "setup.ini");
}

TEST(StartupE2E, StubWithoutPackageFailsTheQuietRunWithExitCode2) {
    std::string setup = ScratchDir("bare") + "/setup.exe";
    std::filesystem::copy_file(StubPath(), setup);
    std::string temp = SetupTempLinux();
    auto before = GuidFolders(temp);
    RunResult r = RunWine(setup, {"/Q"});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_TRUE(NewFolders(before, GuidFolders(temp)).empty());
}

TEST(StartupE2E, StubWithoutPackageSaysSoInTheWizardRun) {
    std::string setup = ScratchDir("bare-wizard") + "/setup.exe";
    std::filesystem::copy_file(StubPath(), setup);
    RunResult run;
    std::thread installer([&] { run = RunWine(setup, {}, 60); });
    RunResult texts = RunWine(Win32BinPath("wbdriver.exe"), {"texts", " Wendlebox"}, 40);
    RunResult click = RunWine(Win32BinPath("wbdriver.exe"), {"dismiss", " Wendlebox", "1"}, 40);
    installer.join();
    EXPECT_EQ(texts.ExitCode, 0) << texts.Output;
    EXPECT_NE(texts.Output.find("damaged or incomplete"), std::string::npos) << texts.Output;
    EXPECT_NE(texts.Output.find("download the setup again"), std::string::npos);
    EXPECT_EQ(click.ExitCode, 0) << click.Output;
    EXPECT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0);
}

// Both stubs are checked on every machine: objdump needs no Wine.
TEST(StartupE2E, StubsOfBothArchitecturesImportOnlySystemLibraries) {
    // The system's known DLLs, which the loader takes from the system folder whatever lies
    // beside the setup; comctl32, version, riched20, setupapi... are loaded at run time.
    const char* allowed[] = {"KERNEL32.dll", "USER32.dll", "GDI32.dll", "ADVAPI32.dll",
                             "SHELL32.dll", "ole32.dll", "OLEAUT32.dll", "comdlg32.dll",
                             "msvcrt.dll"};
    for (const char* arch : {"win32", "win64"}) {
        SCOPED_TRACE(arch);
        std::string stub = OutDir() + "/" + arch + "/wbsetup.exe";
        std::string out;
        ASSERT_EQ(RunHost(ToolPrefix(arch) + "objdump -p '" + stub + "'", &out), 0) << out;
        EXPECT_NE(out.find(std::string(arch) == "win64" ? "pei-x86-64" : "pei-i386"),
                  std::string::npos);
        int imports = 0;
        for (size_t at = out.find("DLL Name: "); at != std::string::npos;
             at = out.find("DLL Name: ", at + 1)) {
            std::string name = out.substr(at + 10, out.find('\n', at) - at - 10);
            bool ok = std::any_of(std::begin(allowed), std::end(allowed), [&](const char* a) {
                return strcasecmp(a, name.c_str()) == 0;
            });
            EXPECT_TRUE(ok) << "imports " << name;
            ++imports;
        }
        EXPECT_GT(imports, 0);
    }
}

}  // namespace
}  // namespace e2e
