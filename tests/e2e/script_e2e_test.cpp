// The Script host under Wine, with the script control switched off (the harness disables
// msscript.ocx, which 64-bit Windows does not have): setup scripts in VBScript and JScript
// run by the engines themselves and see their four constants exactly, folders with blanks
// and trailing backslashes included; a script that fails leaves a complete installation
// and its error text and line behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "e2e/e2e_util.h"
#include "e2e/install_util.h"
#include "e2e/wine_harness.h"

namespace e2e {
namespace {

struct ScriptRun {
    RunResult Run;
    std::string Ready;
    std::string Result;
    std::string Error;
    std::string Line;
};

ScriptRun RunProbeScript(const std::string& script, const std::string& progDir,
                         const std::string& setupDir, const std::string& startMenuDir,
                         const std::string& guid) {
    ScriptRun s;
    s.Run = RunWine(Win32BinPath("engine_probe.exe"),
                    {"script", script, progDir, setupDir, startMenuDir, guid}, 90);
    std::string out = s.Run.Output;
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    s.Ready = ProbeValue(out, "ready");
    s.Result = ProbeValue(out, "result");
    s.Error = ProbeValue(out, "error");
    s.Line = ProbeValue(out, "line");
    return s;
}

// The lines of a file the script wrote, without their line ends.
std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadFile(path), line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// A folder as the body of a JScript string literal.
std::string JScriptPath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

class ScriptE2E : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(root_ + "/My Program");
        std::filesystem::create_directories(root_ + "/setup files");
        progDir_ = WinPath(root_ + "/My Program") + "\\";
        setupDir_ = WinPath(root_ + "/setup files") + "\\";
    }

    std::string root_, progDir_, setupDir_;
};

const char kVBScript[] =
    "Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
    "Set f = fso.CreateTextFile(wbProgDir & \"constants.txt\", True)\n"
    "f.WriteLine \"[\" & wbProgDir & \"]\"\n"
    "f.WriteLine \"[\" & wbSetupDir & \"]\"\n"
    "f.WriteLine \"[\" & wbStartMenuDir & \"]\"\n"
    "f.WriteLine \"[\" & wbGUID & \"]\"\n"
    "f.Close";  // no line end after the last line

const char kJScript[] =
    "var fso = new ActiveXObject(\"Scripting.FileSystemObject\");\r\n"
    "var f = fso.CreateTextFile(wbProgDir + \"constants.txt\", true);\r\n"
    "f.WriteLine(\"[\" + wbProgDir + \"]\");\r\n"
    "f.WriteLine(\"[\" + wbSetupDir + \"]\");\r\n"
    "f.WriteLine(\"[\" + wbStartMenuDir + \"]\");\r\n"
    "f.WriteLine(\"[\" + wbGUID + \"]\");\r\n"
    "f.Close();\r\n";

TEST_F(ScriptE2E, VBScriptSeesItsFourConstants) {
    WriteFile(root_ + "/setup files/Setup.VBS", kVBScript);
    // A quote in a value must survive the VBScript literal too.
    const std::string guid = "{6F1A\"-0042}";
    ScriptRun s = RunProbeScript(setupDir_ + "Setup.VBS", progDir_, setupDir_, "", guid);
    ASSERT_FALSE(s.Run.TimedOut);
    ASSERT_EQ(s.Ready, "1") << "the system's script engines are missing: " << s.Run.Output;
    EXPECT_EQ(s.Result, "1") << s.Run.Output;
    std::vector<std::string> lines = Lines(root_ + "/My Program/constants.txt");
    ASSERT_EQ(lines.size(), 4u) << s.Run.Output;
    EXPECT_EQ(lines[0], "[" + progDir_ + "]");
    EXPECT_EQ(lines[1], "[" + setupDir_ + "]");
    EXPECT_EQ(lines[2], "[]");
    EXPECT_EQ(lines[3], "[" + guid + "]");
}

TEST_F(ScriptE2E, JScriptSeesItsFourConstantsWithTheirBackslashes) {
    WriteFile(root_ + "/setup files/setup.js", kJScript);
    std::filesystem::create_directories(root_ + "/Start Menu/My Program");
    const std::string startMenu = WinPath(root_ + "/Start Menu/My Program") + "\\";
    const std::string guid = "{A\\B\"C}";
    ScriptRun s = RunProbeScript(setupDir_ + "setup.js", progDir_, setupDir_, startMenu, guid);
    ASSERT_FALSE(s.Run.TimedOut);
    ASSERT_EQ(s.Ready, "1") << s.Run.Output;
    EXPECT_EQ(s.Result, "1") << s.Run.Output;
    std::vector<std::string> lines = Lines(root_ + "/My Program/constants.txt");
    ASSERT_EQ(lines.size(), 4u) << "the script did not run: " << s.Run.Output;
    EXPECT_EQ(lines[0], "[" + progDir_ + "]");
    EXPECT_EQ(lines[1], "[" + setupDir_ + "]");
    EXPECT_EQ(lines[2], "[" + startMenu + "]");
    EXPECT_EQ(lines[3], "[" + guid + "]");
}

TEST_F(ScriptE2E, OtherExtensionsAndMissingFilesRunNothing) {
    // The same VBScript text under a name the host does not run.
    WriteFile(root_ + "/setup files/setup.txt", kVBScript);
    ScriptRun s = RunProbeScript(setupDir_ + "setup.txt", progDir_, setupDir_, "", "{G}");
    ASSERT_FALSE(s.Run.TimedOut);
    EXPECT_EQ(s.Result, "0") << s.Run.Output;
    s = RunProbeScript(setupDir_ + "missing.vbs", progDir_, setupDir_, "", "{G}");
    EXPECT_EQ(s.Result, "0") << s.Run.Output;
    EXPECT_FALSE(std::filesystem::exists(root_ + "/My Program/constants.txt"));
}

TEST_F(ScriptE2E, AFailingScriptDoesNotStopTheCaller) {
    WriteFile(root_ + "/setup files/broken.vbs", "This Is Not VBScript (((\r\n");
    ScriptRun s = RunProbeScript(setupDir_ + "broken.vbs", progDir_, setupDir_, "", "{G}");
    ASSERT_FALSE(s.Run.TimedOut);
    EXPECT_EQ(s.Run.ExitCode, 0) << s.Run.Output;
    EXPECT_EQ(s.Result, "1") << s.Run.Output;
    EXPECT_NE(s.Error, "") << s.Run.Output;
    EXPECT_EQ(s.Line, "1") << s.Run.Output;
}

// What setup scripts commonly do besides files: the shell object's registry and program
// start, created without any host object, in both languages.
TEST_F(ScriptE2E, ScriptsUseTheShellObjectForRegistryAndPrograms) {
    const std::string key = "HKCU\\Software\\Wendlebox Script Test\\";
    // The same key as a JScript literal, whose backslash escapes.
    const std::string jsKey = "HKCU\\\\Software\\\\Wendlebox Script Test\\\\";
    WriteFile(root_ + "/setup files/shell.js",
              "var sh = new ActiveXObject(\"WScript.Shell\");\r\n"
              "sh.RegWrite(\"" + jsKey + "FromJScript\", wbGUID, \"REG_SZ\");\r\n"
              "var back = sh.RegRead(\"" + jsKey + "FromJScript\");\r\n"
              "var code = sh.Run(\"cmd.exe /c exit 7\", 0, true);\r\n"
              "var fso = new ActiveXObject(\"Scripting.FileSystemObject\");\r\n"
              "var f = fso.CreateTextFile(wbProgDir + \"shell.txt\", true);\r\n"
              "f.WriteLine(back + \"|\" + code);\r\n"
              "f.Close();\r\n");
    WriteFile(root_ + "/setup files/shell.vbs",
              "Set sh = CreateObject(\"WScript.Shell\")\r\n"
              "sh.RegWrite \"" + key + "FromVBScript\", wbProgDir, \"REG_SZ\"\r\n");
    ScriptRun js = RunProbeScript(setupDir_ + "shell.js", progDir_, setupDir_, "", "{5C-JS}");
    ASSERT_FALSE(js.Run.TimedOut);
    EXPECT_EQ(js.Error, "") << js.Run.Output;
    EXPECT_EQ(Lines(root_ + "/My Program/shell.txt"), std::vector<std::string>{"{5C-JS}|7"});
    ScriptRun vbs = RunProbeScript(setupDir_ + "shell.vbs", progDir_, setupDir_, "", "{G}");
    ASSERT_FALSE(vbs.Run.TimedOut);
    EXPECT_EQ(vbs.Error, "") << vbs.Run.Output;
    bool found = false;
    EXPECT_EQ(RegRead("HKCU\\Software\\Wendlebox Script Test", "FromVBScript", &found),
              progDir_);
    EXPECT_TRUE(found);
    RunWine("reg", {"delete", "HKCU\\Software\\Wendlebox Script Test", "/f"}, 60);
}

TEST(ScriptHostE2E, TheInstallerFindsBothScriptEngines) {
    std::string project = MakeProject(
        "script-host", {{"setup.ini", "[Info]\r\nTitel = Script Tool\r\nGUID = {5A1E2C3D-0000-4000-8000-00000000005C}\r\n"}});
    std::string setup = ScratchDir("script-host-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, ProbeStubPath()), 0);
    RunResult r = RunWine(setup, {"/Q"});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    // Written at the end of the run, before the script host is released; no script ran.
    std::string probe = ReadProbe(setup);
    EXPECT_EQ(ProbeValue(probe, "ScriptEngines"), "1");
    EXPECT_EQ(ProbeValue(probe, "ScriptError"), "");
}

// Real setups whose script runs at the end of a quiet installation into a folder with a
// blank. The probe stub reports the error the script host kept.
struct SetupScriptCase {
    const char* Name;
    const char* File;    // the script's name in the setup
    const char* Script;  // %OUT% stands for the line that writes the constants
    int ErrorLine;       // 0: the script runs clean
    bool FirstLineRuns;  // a run-time error leaves the lines before it done
};

const char kVBScriptConstants[] =
    "Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
    "Set f = fso.CreateTextFile(wbProgDir & \"constants.txt\", True)\r\n"
    "f.Write wbProgDir & vbCrLf & wbSetupDir & vbCrLf & wbStartMenuDir & vbCrLf & wbGUID\r\n"
    "f.Close\r\n";
const char kJScriptConstants[] =
    "var fso = new ActiveXObject(\"Scripting.FileSystemObject\");\r\n"
    "var f = fso.CreateTextFile(wbProgDir + \"constants.txt\", true);\r\n"
    "f.Write(wbProgDir + \"\\r\\n\" + wbSetupDir + \"\\r\\n\" + wbStartMenuDir + \"\\r\\n\" + wbGUID);\r\n"
    "f.Close();\r\n";

const SetupScriptCase kSetupScripts[] = {
    {"VBScriptRuns", "Setup.VBS", kVBScriptConstants, 0, true},
    {"JScriptRuns", "setup.js", kJScriptConstants, 0, true},
    // Lines 1-4 write the constants; line 5 fails; line 6 would write a second file.
    {"VBScriptRunTimeError", "setup.vbs",
     "%OUT%x = 1 / 0\r\nfso.CreateTextFile(wbProgDir & \"after.txt\", True).Close\r\n", 5, true},
    {"JScriptRunTimeError", "setup.js",
     "%OUT%noSuchFunction();\r\nfso.CreateTextFile(wbProgDir + \"after.txt\", true).Close();\r\n",
     5, true},
    // A text that does not parse runs not even its first line.
    {"VBScriptSyntaxError", "setup.vbs", "%OUT%If Then Else (\r\nx = 1\r\n", 5, false},
    {"JScriptSyntaxError", "setup.js", "%OUT%var x = (;\r\nx = 1;\r\n", 5, false},
};

class SetupScriptE2E : public ::testing::TestWithParam<SetupScriptCase> {};

TEST_P(SetupScriptE2E, ScriptRunsLastAndItsErrorNeverFailsTheInstallation) {
    const SetupScriptCase& c = GetParam();
    const bool js = std::string(c.File).find(".js") != std::string::npos;
    std::string script = c.Script;
    size_t out = script.find("%OUT%");
    if (out != std::string::npos) {
        script.replace(out, 5, js ? kJScriptConstants : kVBScriptConstants);
    }
    const std::string progDir = std::string("C:\\Script Setup ") + c.Name + "\\";
    // A GUID of each case's own, so that no case takes another's remembered folder.
    char tail[16];
    std::snprintf(tail, sizeof tail, "%012llX",
                  static_cast<unsigned long long>(std::hash<std::string>{}(c.Name) & 0xFFFFFFFFFFFFull));
    const std::string guid = std::string("{5C000000-0000-4000-8000-") + tail + "}";
    std::filesystem::remove_all(LinuxPath(progDir));
    std::string project = MakeProject(
        std::string("script-setup-") + c.Name,
        {{"setup.ini", "[Info]\r\nTitel = Script Setup\r\nGUID = " + guid +
                           "\r\n[Settings]\r\nDefaultDir = " + progDir +
                           "\r\n[Task]\r\nNoUninstall = 1\r\nScriptFile = " + c.File + "\r\n"},
         {c.File, script},
         {"program/readme.txt", "the program"}});
    std::string setup = ScratchDir(std::string("script-setup-") + c.Name + "-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, ProbeStubPath(), "--arch " + TargetArch()), 0);
    RunResult r = RunWine(setup, {"/Q"}, 120);
    ASSERT_FALSE(r.TimedOut) << r.Output;
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    EXPECT_EQ(ReadFile(LinuxPath(progDir + "readme.txt")), "the program")
        << "the installation is not complete";
    std::string probe = ReadProbe(setup);
    std::vector<std::string> lines = Lines(LinuxPath(progDir + "constants.txt"));
    if (c.FirstLineRuns) {
        ASSERT_EQ(lines.size(), 4u) << "the script's first lines did not run: " << probe;
        EXPECT_EQ(lines[0], progDir);
        std::string tempDir = ProbeValue(probe, "TempDir");
        EXPECT_EQ(lines[1], tempDir);
        EXPECT_EQ(lines[1].back(), '\\');
        EXPECT_EQ(lines[2], ProbeValue(probe, "StartMenuDir"));
        EXPECT_TRUE(lines[2].empty() || lines[2].back() == '\\') << lines[2];
        EXPECT_EQ(lines[3], guid);
    } else {
        EXPECT_TRUE(lines.empty()) << "a script that does not parse ran";
    }
    EXPECT_FALSE(std::filesystem::exists(LinuxPath(progDir + "after.txt")))
        << "the script went on after its error";
    if (c.ErrorLine == 0) {
        EXPECT_EQ(ProbeValue(probe, "ScriptError"), "");
        EXPECT_EQ(ProbeValue(probe, "ScriptErrorLine"), "0");
    } else {
        EXPECT_NE(ProbeValue(probe, "ScriptError"), "") << probe;
        EXPECT_EQ(ProbeValue(probe, "ScriptErrorLine"), std::to_string(c.ErrorLine)) << probe;
    }
    std::filesystem::remove_all(LinuxPath(progDir));
}

INSTANTIATE_TEST_SUITE_P(Scripts, SetupScriptE2E, ::testing::ValuesIn(kSetupScripts),
                         [](const ::testing::TestParamInfo<SetupScriptCase>& i) {
                             return std::string(i.param.Name);
                         });

// A quiet run is unattended: a script's message box must not wait for a user. The engine
// takes the box's default answer at once and the script goes on.
TEST(QuietScriptE2E, AMessageBoxInAQuietRunShowsNothingAndTheScriptGoesOn) {
    const std::string progDir = "C:\\Quiet Script Box\\";
    std::filesystem::remove_all(LinuxPath(progDir));
    std::string project = MakeProject(
        "quiet-script-box",
        {{"setup.ini", "[Info]\r\nTitel = Quiet Box\r\n[Settings]\r\nDefaultDir = " + progDir +
                           "\r\n[Task]\r\nNoUninstall = 1\r\nScriptFile = ask.vbs\r\n"},
         {"ask.vbs", "r = MsgBox(\"Replace the settings?\", vbYesNo, \"Quiet Box\")\r\n"
                     "Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
                     "fso.CreateTextFile(wbProgDir & \"answered.txt\", True).Close\r\n"},
         {"program/readme.txt", "r"}});
    std::string setup = ScratchDir("quiet-script-box-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, ProbeStubPath(), "--arch " + TargetArch()), 0);
    WatchedRun r = RunSetupWatched(setup, {"/Q"}, 90);
    ASSERT_FALSE(r.Run.TimedOut) << "the quiet run waited for the script's message box";
    EXPECT_EQ(r.Run.ExitCode, 0) << r.Run.Output;
    EXPECT_TRUE(r.Windows.empty()) << "a quiet run showed: " << r.Windows.front();
    EXPECT_TRUE(std::filesystem::exists(LinuxPath(progDir + "answered.txt")))
        << ProbeValue(ReadProbe(setup), "ScriptError");
    std::filesystem::remove_all(LinuxPath(progDir));
}

// The time limit: the engine is asked to stop a script that runs on (here after 1 s; the
// loop takes some seconds). Wine's engines do not implement InterruptScriptThread and never
// poll the site, so there the script runs to its end, and must then not be reported as
// stopped.
TEST_F(ScriptE2E, AScriptPastItsLimitIsStoppedOrHonestlyReportedAsFinished) {
    WriteFile(root_ + "/setup files/long.js",
              "var n = 0;\r\nwhile (n < 3000000) { n++; }\r\n"
              "var fso = new ActiveXObject(\"Scripting.FileSystemObject\");\r\n"
              "fso.CreateTextFile(\"" + JScriptPath(progDir_) + "finished.txt\", true).Close();\r\n");
    RunResult r = RunWine(Win32BinPath("engine_probe.exe"),
                          {"limit", WinPath(root_ + "/setup files/long.js"), "js", "1000"}, 180);
    ASSERT_FALSE(r.TimedOut) << r.Output;
    const std::string outcome = ProbeValue(r.Output, "outcome");
    const bool finished = std::filesystem::exists(root_ + "/My Program/finished.txt");
    if (outcome == "failed") {
        EXPECT_EQ(ProbeValue(r.Output, "timedout"), "1") << r.Output;
        EXPECT_NE(ProbeValue(r.Output, "error"), "") << r.Output;
        EXPECT_FALSE(finished) << "a script reported as stopped ran to its end";
    } else {
        EXPECT_EQ(outcome, "ran") << r.Output;
        EXPECT_EQ(ProbeValue(r.Output, "timedout"), "0") << r.Output;
        EXPECT_TRUE(finished) << r.Output;
        std::printf("[ note ] the engine ran on past its time limit (no interruption here)\n");
    }
}

}  // namespace
}  // namespace e2e
