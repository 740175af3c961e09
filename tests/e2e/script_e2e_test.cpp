// The Script host under Wine: setup scripts in VBScript and JScript run by the system's
// script control and see their four constants exactly, folders with blanks and trailing
// backslashes included.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "e2e/e2e_util.h"
#include "e2e/wine_harness.h"

namespace e2e {
namespace {

struct ScriptRun {
    RunResult Run;
    std::string Ready;
    std::string Result;
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
    ASSERT_EQ(s.Ready, "1") << "the system's script control is missing: " << s.Run.Output;
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
}

TEST(ScriptHostE2E, TheInstallerHasItsScriptControlForTheWholeRun) {
    std::string project = MakeProject(
        "script-host", {{"setup.ini", "[Info]\r\nTitel = Script Tool\r\nGUID = {5A1E2C3D-0000-4000-8000-00000000005C}\r\n"}});
    std::string setup = ScratchDir("script-host-out") + "/setup.exe";
    ASSERT_EQ(BuildSetup(project, setup, ProbeStubPath()), 0);
    RunResult r = RunWine(setup, {"/Q"});
    ASSERT_FALSE(r.TimedOut);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    // Written at the end of the run, before the script host is released.
    EXPECT_EQ(ProbeValue(ReadProbe(setup), "ScriptControl"), "1");
}

}  // namespace
}  // namespace e2e
