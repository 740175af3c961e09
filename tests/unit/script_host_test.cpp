// The Script host: which language a file gets, the four constants as each language must
// read them, the lines handed to the engine, the error kept for the log, and the cases that
// run nothing.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <filesystem>
#include <fstream>

#include "fakes/fakes.h"
#include "install/script_header.h"
#include "install/script_host.h"
#include "state/setup_state.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

TEST(ScriptLanguageTest, ExtensionDecidesWithoutRegardToCase) {
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\setup.vbs"), ScriptLanguage::VBScript);
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\Setup.VBS"), ScriptLanguage::VBScript);
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\run.js"), ScriptLanguage::JScript);
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\run.Js"), ScriptLanguage::JScript);
    EXPECT_EQ(ScriptLanguageOfPath("/tmp/a.b/run.js"), ScriptLanguage::JScript);
    // Only the text after the last dot counts, and only a dot inside the file name.
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\setup.vbs.txt"), ScriptLanguage::None);
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\setup.txt"), ScriptLanguage::None);
    EXPECT_EQ(ScriptLanguageOfPath("C:\\x.vbs\\setup"), ScriptLanguage::None);
    EXPECT_EQ(ScriptLanguageOfPath("C:/x.js/setup"), ScriptLanguage::None);
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\setup."), ScriptLanguage::None);
    EXPECT_EQ(ScriptLanguageOfPath("C:\\T\\setup.jsx"), ScriptLanguage::None);
    EXPECT_EQ(ScriptLanguageOfPath(""), ScriptLanguage::None);
    EXPECT_STREQ(ScriptLanguageName(ScriptLanguage::VBScript), "VBScript");
    EXPECT_STREQ(ScriptLanguageName(ScriptLanguage::JScript), "JScript");
}

const ScriptConstants kFolders = {"C:\\Program Files\\My App\\", "C:\\Temp\\{GUID}\\", "",
                                  "{1234}"};

TEST(ScriptHeaderTest, VBScriptDeclaresConstantsWithValuesAsTheyAre) {
    EXPECT_EQ(BuildScriptHeader(ScriptLanguage::VBScript, kFolders),
              "Const wbProgDir = \"C:\\Program Files\\My App\\\"\r\n"
              "Const wbSetupDir = \"C:\\Temp\\{GUID}\\\"\r\n"
              "Const wbStartMenuDir = \"\"\r\n"
              "Const wbGUID = \"{1234}\"\r\n");
}

TEST(ScriptHeaderTest, VBScriptDoublesAQuote) {
    ScriptConstants v = {"C:\\a\"b\\", "", "", "\""};
    EXPECT_EQ(BuildScriptHeader(ScriptLanguage::VBScript, v),
              "Const wbProgDir = \"C:\\a\"\"b\\\"\r\n"
              "Const wbSetupDir = \"\"\r\n"
              "Const wbStartMenuDir = \"\"\r\n"
              "Const wbGUID = \"\"\"\"\r\n");
}

TEST(ScriptHeaderTest, JScriptEscapesBackslashesAndQuotesAndUsesVar) {
    ScriptConstants v = {"C:\\My App\\", "C:\\T\\", "C:\\Menu \"X\"\\", "{G}"};
    EXPECT_EQ(BuildScriptHeader(ScriptLanguage::JScript, v),
              "var wbProgDir  = \"C:\\\\My App\\\\\";\r\n"
              "var wbSetupDir = \"C:\\\\T\\\\\";\r\n"
              "var wbStartMenuDir = \"C:\\\\Menu \\\"X\\\"\\\\\";\r\n"
              "var wbGUID = \"{G}\";\r\n");
}

TEST(ScriptHeaderTest, NoHeaderForAnotherLanguage) {
    EXPECT_EQ(BuildScriptHeader(ScriptLanguage::None, kFolders), "");
}

TEST(ScriptLinesTest, EveryLineEndsInCrLf) {
    struct Case {
        const char* In;
        const char* Out;
    } cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\n", "a\r\n"},
        {"a\r\nb", "a\r\nb\r\n"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"a\r\n\r\nb\r\n", "a\r\n\r\nb\r\n"},
    };
    for (const Case& c : cases) {
        std::string out = "H\r\n";
        AppendScriptLines(c.In, out);
        EXPECT_EQ(out, std::string("H\r\n") + c.Out) << c.In;
    }
}

class ScriptHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        wb::Setup = SetupState{};
        wb::Setup.InstallDir = "C:\\Apps\\Tool\\";
        wb::Setup.TempDir = "C:\\Temp\\{T}\\";
        wb::Setup.StartMenuDir = "";
        wb::Setup.GUID = "{ABC}";
        dir_ = FreshTestDir("wb-script-");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    fs::path dir_;
};

TEST_F(ScriptHostTest, StartAndEndBalanceComAndRunNothing) {
    ScriptHostStart();
    EXPECT_EQ(fake::ComStartCount(), 1);
    EXPECT_TRUE(fake::ScriptRuns().empty());
    ScriptHostEnd();
    EXPECT_EQ(fake::ComEndCount(), 1);
}

TEST_F(ScriptHostTest, VBScriptFileRunsWithHeaderAndItsLines) {
    ScriptHostStart();
    std::string path = Write("Setup.VBS", "MsgBox wbProgDir\nx = 1");
    EXPECT_EQ(RunScript(path), 1);
    ASSERT_EQ(fake::ScriptRuns().size(), 1u);
    const fake::ScriptRun& run = fake::ScriptRuns()[0];
    EXPECT_EQ(run.Language, "VBScript");
    EXPECT_EQ(run.Timeout, 20000);
    EXPECT_TRUE(run.AllowWindows);
    EXPECT_EQ(run.Code,
              "Const wbProgDir = \"C:\\Apps\\Tool\\\"\r\n"
              "Const wbSetupDir = \"C:\\Temp\\{T}\\\"\r\n"
              "Const wbStartMenuDir = \"\"\r\n"
              "Const wbGUID = \"{ABC}\"\r\n"
              "MsgBox wbProgDir\r\nx = 1\r\n");
}

TEST_F(ScriptHostTest, AQuietRunLetsTheScriptShowNoWindow) {
    ScriptHostStart();
    wb::Setup.QuietMode = 1;
    EXPECT_EQ(RunScript(Write("ask.vbs", "r = MsgBox(\"Go on?\", vbYesNo)\n")), 1);
    ASSERT_EQ(fake::ScriptRuns().size(), 1u);
    EXPECT_FALSE(fake::ScriptRuns()[0].AllowWindows);
}

TEST_F(ScriptHostTest, JScriptFileSwitchesTheLanguageEachRun) {
    ScriptHostStart();
    wb::Setup.StartMenuDir = "C:\\Menu\\Tool\\";
    EXPECT_EQ(RunScript(Write("a.js", "var x = wbGUID;\r\n")), 1);
    EXPECT_EQ(RunScript(Write("b.vbs", "x = 1\r\n")), 1);
    ASSERT_EQ(fake::ScriptRuns().size(), 2u);
    EXPECT_EQ(fake::ScriptRuns()[0].Language, "JScript");
    EXPECT_EQ(fake::ScriptRuns()[0].Code,
              "var wbProgDir  = \"C:\\\\Apps\\\\Tool\\\\\";\r\n"
              "var wbSetupDir = \"C:\\\\Temp\\\\{T}\\\\\";\r\n"
              "var wbStartMenuDir = \"C:\\\\Menu\\\\Tool\\\\\";\r\n"
              "var wbGUID = \"{ABC}\";\r\n"
              "var x = wbGUID;\r\n");
    EXPECT_EQ(fake::ScriptRuns()[1].Language, "VBScript");
}

TEST_F(ScriptHostTest, NothingRunsForOtherFilesOrWithoutTheEngine) {
    ScriptHostStart();
    // Every script that does not run says why, so the log never calls it a clean run.
    EXPECT_EQ(RunScript(Write("setup.txt", "x = 1\n")), 0);
    EXPECT_EQ(wb::Setup.ScriptError, "it is neither a .vbs nor a .js file");
    EXPECT_EQ(RunScript((dir_ / "missing.vbs").string()), 0);
    EXPECT_EQ(wb::Setup.ScriptError, "the file cannot be opened");
    const std::string huge = Write("huge.js", "var x = 1;\n");
    std::filesystem::resize_file(huge, 16 * 1024 * 1024 + 1);
    EXPECT_EQ(RunScript(huge), 0);
    EXPECT_NE(wb::Setup.ScriptError.find("larger than 16777216 bytes"), std::string::npos)
        << wb::Setup.ScriptError;
    EXPECT_TRUE(fake::ScriptRuns().empty());
    ScriptHostEnd();

    // VBScript is an optional feature of newer Windows: without it a .vbs script does not
    // run and the reason is kept for the log, while JScript still runs.
    fake::ScriptReset();
    fake::ScriptSetVBScriptAvailable(false);
    ScriptHostStart();
    EXPECT_EQ(RunScript(Write("setup.vbs", "x = 1\n")), 0);
    EXPECT_TRUE(fake::ScriptRuns().empty());
    EXPECT_EQ(wb::Setup.ScriptError, "the VBScript engine is not available on this system");
    EXPECT_EQ(wb::Setup.ScriptErrorLine, 0);
    EXPECT_EQ(RunScript(Write("setup.js", "var x = 1;\n")), 1);
    ASSERT_EQ(fake::ScriptRuns().size(), 1u);
    EXPECT_EQ(fake::ScriptRuns()[0].Language, "JScript");
    EXPECT_EQ(wb::Setup.ScriptError, "") << "a clean run clears an earlier error";
    ScriptHostEnd();
}

TEST_F(ScriptHostTest, AScriptErrorIsKeptWithItsLineInTheScriptFile) {
    ScriptHostStart();
    // The engine counts the four generated lines; line 6 of the text is line 2 of the file.
    fake::ScriptSetFailure("Microsoft VBScript runtime error: Type mismatch", 6);
    EXPECT_EQ(RunScript(Write("broken.vbs", "x = 1\nx = \"a\" * 2\nx = 3\n")), 1);
    EXPECT_EQ(fake::ScriptRuns().size(), 1u);
    EXPECT_EQ(wb::Setup.ScriptError, "Microsoft VBScript runtime error: Type mismatch");
    EXPECT_EQ(wb::Setup.ScriptErrorLine, 2);

    // A position inside the generated constants, or none at all, is no line of the file.
    struct Case {
        int32_t EngineLine;
        int32_t FileLine;
    } cases[] = {{5, 1}, {4, 0}, {1, 0}, {0, 0}};
    for (const Case& c : cases) {
        fake::ScriptSetFailure("error", c.EngineLine);
        EXPECT_EQ(RunScript(Write("again.js", "x(;\n")), 1);
        EXPECT_EQ(wb::Setup.ScriptErrorLine, c.FileLine) << c.EngineLine;
    }

    // A script stopped at the time limit is an error too; the installation goes on.
    fake::ScriptSetFailure("the script was stopped after 20 seconds", 0, true);
    EXPECT_EQ(RunScript(Write("loop.vbs", "Do\nLoop\n")), 1);
    EXPECT_EQ(wb::Setup.ScriptError, "the script was stopped after 20 seconds");
    EXPECT_EQ(fake::ScriptRuns().back().Timeout, 20000);
}

}  // namespace
}  // namespace wb
