// wbpack check over setup descriptions with one mistake each (every finding with its line),
// correct descriptions that must pass without a word, and the help and init commands.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/registry_text.h"
#include "config/setup_keys.h"
#include "test_support.h"
#include "wbpack/authoring/check.h"
#include "wbpack/commands.h"
#include "wbpack/help.h"
#include "wbpack/authoring/ini_text.h"
#include "wbpack/authoring/init.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

// The first five lines of most cases: a correct head the case's lines follow (from line 6).
const std::string kHead =
    "[Info]\r\n"
    "Titel = Tool\r\n"
    "GUID = {6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}\r\n"
    "[Settings]\r\n"
    "DefaultDir = %ProgramFiles%Tool\r\n";

ProjectListing Listing() {
    ProjectListing l;
    for (const char* n : {"Tool.exe", "docs", "docs/manual.txt", "tools", "tools/helper.exe",
                          "uninstall.exe", "uninstall.dat"}) {
        AddProgramName(l, n);
    }
    for (const char* n : {"guide.txt", "setup.js", "old.vbs", "English.lng", "Deutsch.lng",
                          "side.tga", "helper.dll", "licence.txt"}) {
        AddOuterName(l, n);
    }
    return l;
}

struct Expected {
    uint32_t Line;
    bool Error;
    const char* Part;  // a part of the text
};

struct Case {
    const char* What;
    std::string Ini;
    std::vector<Expected> Findings;
    int CodePage = 1252;
};

std::string Describe(const std::vector<CheckFinding>& findings) {
    std::string s;
    for (const CheckFinding& f : findings) s += FindingLine(f) + "\n";
    return s;
}

void ExpectFindings(const Case& c, const ProjectListing& listing) {
    SCOPED_TRACE(c.What);
    CheckOptions options;
    options.CodePage = c.CodePage;
    std::vector<CheckFinding> found = CheckDescription(c.Ini, listing, options);
    ASSERT_EQ(found.size(), c.Findings.size()) << Describe(found);
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].Line, c.Findings[i].Line) << Describe(found);
        EXPECT_EQ(found[i].Error, c.Findings[i].Error) << Describe(found);
        EXPECT_NE(found[i].Text.find(c.Findings[i].Part), std::string::npos) << Describe(found);
    }
}

TEST(WbpackCheckTest, NamesTheMistakenNamesWithTheNearestKnownOne) {
    const std::vector<Case> cases = {
        {"misspelt title", "[Info]\r\nTitle = Tool\r\nGUID = {6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}\r\n"
                           "[Settings]\r\nDefaultDir = Tool\r\n",
         {{1, false, "no Titel"}, {2, true, "did you mean 'Titel'?"}}},
        {"group spelt as English", kHead + "[StartMenu]\r\nDefaultDir = Tool\r\n",
         {{6, true, "did you mean 'StartMenue'?"}}},
        {"uninstall link spelt as English", kHead + "[StartMenue]\r\nUninstall = 1\r\n",
         {{7, true, "did you mean 'Unistall'?"}}},
        {"letter left out", kHead + "[Task]\r\nDesktp = 1\r\n",
         {{7, true, "did you mean 'Desktop'?"}}},
        {"key of another group", kHead + "[Task]\r\nProgExe = Tool.exe\r\n",
         {{7, true, "belongs to group [Settings]"}}},
        {"task number with a leading zero", kHead + "[UserTask]\r\nNumber = 1\r\nTask01 = 7\r\n",
         {{8, true, "without leading zeros"}}},
        {"key before every group", "Titel = Tool\r\n" + kHead,
         {{1, true, "before the first group"}}},
        {"group written twice", kHead + "[Info]\r\nVersion = 2\r\n",
         {{6, true, "only the first one is read"}}},
        {"key written twice", kHead + "DefaultDir = %ProgramFiles%Other\r\n",
         {{6, false, "repeats the key of line 5"}}},
    };
    for (const Case& c : cases) ExpectFindings(c, Listing());
}

TEST(WbpackCheckTest, FindsFilesTheDescriptionNamesButTheProjectLacks) {
    const std::vector<Case> cases = {
        {"ProgExe", kHead + "ProgExe = Missing.exe\r\n", {{6, true, "not in program/"}}},
        {"Bitmap", kHead + "Bitmap = splash.tga\r\n", {{6, true, "not in the project"}}},
        {"ScriptFile", kHead + "[Task]\r\nScriptFile = missing.js\r\n",
         {{7, true, "not in the project"}}},
        {"language file", kHead + "Language = Deutsch.lng#7|Missing.lng#9|\r\n",
         {{6, true, "'Missing.lng' is not in the project"}}},
        {"Start-menu help file", kHead + "[StartMenue]\r\nHelp = docs\\missing.txt\r\n",
         {{7, true, "not in program/"}}},
        {"kind 5 source", kHead + "[UserTask]\r\nNumber = 1\r\nTask1 = 5|Guide|nothere.txt|%ProgDir%\r\n",
         {{8, true, "'nothere.txt' is not in the project"}}},
        {"kind 9 copied from the setup",
         kHead + "[UserTask]\r\nNumber = 1\r\nTask1 = 9|%System%|other.dll|1\r\n",
         {{8, true, "'other.dll' is not in the project"}}},
        {"kind 9 of the program",
         kHead + "[UserTask]\r\nNumber = 1\r\nTask1 = 9|%ProgDir%tools\\|missing.exe|0\r\n",
         {{8, true, "'tools\\missing.exe' is not in program/"}}},
        {"shortcut target", kHead + "[UserTask]\r\nNumber = 1\r\nTask1 = 1|Manual|docs\\man.txt|-1||\r\n",
         {{8, true, "not in program/"}}},
        {"association program", kHead + "[UserTask]\r\nNumber = 1\r\nTask1 = 10|Other.exe|tol|Tool File\r\n",
         {{8, true, "not in program/"}}},
        {"icon file is only a warning",
         kHead + "[UserTask]\r\nNumber = 1\r\nTask1 = 0|Tool|Tool.exe|0|tool.ico|\r\n",
         {{8, false, "takes its target's icon"}}},
    };
    for (const Case& c : cases) ExpectFindings(c, Listing());
}

TEST(WbpackCheckTest, FindsTasksThatNeverRunOrRunOtherwise) {
    const std::string tasks = kHead + "[UserTask]\r\nNumber = 1\r\n";  // tasks from line 8
    const std::vector<Case> cases = {
        {"unknown kind", tasks + "Task1 = 42|x|y\r\n", {{8, true, "kind 42 is unknown"}}},
        {"kind past 8 bits", tasks + "Task1 = 256|Tool|Tool.exe\r\n", {{8, true, "runs as kind 0"}}},
        {"kind not a number", tasks + "Task1 = desktop|Tool|Tool.exe\r\n",
         {{8, true, "is not a number"}}},
        {"too few fields", tasks + "Task1 = 6|2147483649|Software\\Tool\r\n",
         {{8, true, "needs 5 fields"}}},
        {"empty required field", tasks + "Task1 = 0||Tool.exe|-1||\r\n",
         {{8, true, "field 2 (shortcut name) is empty"}}},
        {"icon index out of range", tasks + "Task1 = 0|Tool|Tool.exe|300|Tool.exe|\r\n",
         {{8, true, "out of range"}}},
        {"no registry root", tasks + "Task1 = 6|12|Software\\Tool|Folder|x\r\n",
         {{8, true, "no registry root"}}},
        {"root written with wrap-around is fine", tasks + "Task1 = 6|-2147483647|Software\\Tool|F|x\r\n",
         {}},
        {"users root, which the installer refuses", tasks + "Task1 = 6|2147483651|.DEFAULT\\Tool|F|x\r\n",
         {{8, true, "no registry root the installer writes to"}}},
        {"current-config root", tasks + "Task1 = 6|2147483653|Software\\Tool|F|x\r\n",
         {{8, true, "no registry root the installer writes to"}}},
        {"Number smaller than the tasks",
         tasks + "Task1 = 0|Tool|Tool.exe|-1||\r\nTask2 = 1|Manual|docs\\manual.txt|-1||\r\n",
         {{9, true, "past Number = 1"}}},
        {"tasks without Number", kHead + "[UserTask]\r\nTask1 = 0|Tool|Tool.exe|-1||\r\n",
         {{7, true, "past Number = 0"}}},
        {"Number as words", kHead + "[UserTask]\r\nNumber = one\r\nTask1 = 0|Tool|Tool.exe\r\n",
         {{7, true, "takes a number, not 'one'"}, {8, true, "past Number = 0"}}},
        {"Number out of 16 bits", kHead + "[UserTask]\r\nNumber = 70000\r\n",
         {{7, true, "out of range"}}},
        {"install macro where only Path macros count", tasks + "Task1 = 0|Tool|%ProgDir%Tool.exe|-1||\r\n",
         {{8, true, "%ProgDir% is not a Path macro here"}}},
        {"extension with its dot", tasks + "Task1 = 10|Tool.exe|.tol|Tool File\r\n",
         {{8, true, "without its dot"}}},
    };
    for (const Case& c : cases) ExpectFindings(c, Listing());
}

// A registry task the check passes must be one the installer runs and the uninstaller
// removes: both sides decide by RegRootFromNumber.
TEST(WbpackCheckTest, AcceptsExactlyTheRegistryRootsTheInstallerWrites) {
    for (uint32_t number = 0x7FFFFFFEu; number <= 0x80000007u; ++number) {
        SCOPED_TRACE(number);
        CheckOptions options;
        const std::string ini = kHead + "[UserTask]\r\nNumber = 1\r\nTask1 = 6|" +
                                std::to_string(number) + "|Software\\Tool|F|x\r\n";
        const bool clean = CheckDescription(ini, Listing(), options).empty();
        RegRoot root;
        EXPECT_EQ(clean, RegRootFromNumber(number, root));
    }
}

// Scope: an unknown value is an error; with user or both, each task a per-user run cannot
// do is a warning on its line (a machine setup does them all).
TEST(WbpackCheckTest, KnowsTheScopeAndWhatAPerUserRunCannotDo) {
    const std::string head = "[Info]\r\nTitel = Tool\r\nGUID = {6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}\r\n"
                             "[Settings]\r\nDefaultDir = %ProgramFiles%Tool\r\n";
    const std::string tasks = "[UserTask]\r\nNumber = 4\r\n"
                              "Task1 = 6|2147483650|Software\\Tool|Folder|%InstallDir%\r\n"
                              "Task2 = 6|2147483649|Software\\Tool|Folder|%InstallDir%\r\n"
                              "Task3 = 9|%System%|helper.dll|1\r\n"
                              "Task4 = 10|Tool.exe|tol|Tool File\r\n";  // lines 9 to 12
    const std::vector<Case> cases = {
        {"unknown scope", head + "Scope = everyone\r\n", {{6, true, "is not machine, user or both"}}},
        {"machine does everything", head + "Scope = Machine\r\n" + tasks, {}},
        {"per-user", head + "Scope = user\r\n" + tasks,
         {{9, false, "Task1 cannot work in a per-user installation (it writes a value under "
                     "HKEY_LOCAL_MACHINE)"},
          {11, false, "Task3 cannot work in a per-user installation (it registers a library"}}},
        {"both", head + "Scope = both\r\n" + tasks,
         {{9, false, "logs it as not done"}, {11, false, "regsvr32"}}},
    };
    for (const Case& c : cases) ExpectFindings(c, Listing());
}

TEST(WbpackCheckTest, FindsValuesOfTheWrongTypeOrShape) {
    const std::vector<Case> cases = {
        {"text for a number", kHead + "[Task]\r\nStartMenu = yes\r\n", {{7, true, "takes a number"}}},
        {"8-bit flag of 256", kHead + "[Task]\r\nStartProg = 256\r\n", {{7, true, "low 8 bits"}}},
        {"malformed GUID", "[Info]\r\nTitel = Tool\r\nGUID = 6F1C7A2E-3B4D\r\n[Settings]\r\n"
                           "DefaultDir = Tool\r\n",
         {{3, true, "is not a GUID"}}},
        {"macro in the wrong case", "[Info]\r\nTitel = Tool\r\nGUID = {6F1C7A2E-3B4D-4E5F-8A9B-"
                                    "0C1D2E3F4A5B}\r\n[Settings]\r\nDefaultDir = %programfiles%Tool\r\n",
         {{5, true, "write %ProgramFiles%"}}},
        {"language entry without its closing bar",
         kHead + "Language = Deutsch.lng#7|English.lng#9\r\n", {{6, true, "no closing '|'"}}},
        {"language entry without a number", kHead + "Language = Deutsch.lng|English.lng#9|\r\n",
         {{6, true, "needs a primary language number"}}},
        {"script of neither language", kHead + "[Task]\r\nScriptFile = guide.txt\r\n",
         {{7, true, "neither .js nor .vbs"}}},
    };
    for (const Case& c : cases) ExpectFindings(c, Listing());
}

TEST(WbpackCheckTest, WarnsOfWhatWorksButSurprises) {
    std::string longName(220, 'x');
    const std::vector<Case> cases = {
        {"no GUID", "[Info]\r\nTitel = Tool\r\n[Settings]\r\nDefaultDir = Tool\r\n",
         {{1, false, "no GUID"}}},
        {"VBScript", kHead + "[Task]\r\nScriptFile = old.vbs\r\n", {{7, false, "phased out"}}},
        {"ProgExe without exe", kHead + "ProgExe = Tool.EXE\r\n", {{6, false, "does not end in '.exe'"}}},
        {"no DefaultDir", "[Info]\r\nTitel = Tool\r\nGUID = {6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}\r\n",
         {{1, false, "no DefaultDir"}}},
        {"path past the limit", "[Info]\r\nTitel = Tool\r\nGUID = {6F1C7A2E-3B4D-4E5F-8A9B-"
                                "0C1D2E3F4A5B}\r\n[Settings]\r\nDefaultDir = %ProgramFiles%" +
                                    longName + "\r\n",
         {{5, false, "tools\\helper.exe' gets a path of 260"}}},
        {"UTF-8 without a byte-order mark", kHead + "[StartMenue]\r\nDefaultDir = Gr\xC3\xB6\xC3\x9F" "e\r\n",
         {{7, false, "no byte-order mark"}}},
        {"UTF-8 text beyond Latin-1", "\xEF\xBB\xBF" + kHead + "[StartMenue]\r\nProgLink = Tool \xE2\x82\xAC\r\n",
         {{7, false, "reads the value as empty"}}},
        {"Latin-1 of a UTF-8 file in code page 850",
         "\xEF\xBB\xBF" + kHead + "[StartMenue]\r\nProgLink = T\xC3\xB6ol\r\n",
         {{7, false, "code page 850 shows"}}, 850},
        {"semicolon that is no comment", "[Info]\r\nTitel = Tool ; the title\r\nGUID = {6F1C7A2E-3B4D-"
                                         "4E5F-8A9B-0C1D2E3F4A5B}\r\n[Settings]\r\nDefaultDir = Tool\r\n",
         {{2, false, "does not start a comment"}}},
    };
    for (const Case& c : cases) ExpectFindings(c, Listing());
}

TEST(WbpackCheckTest, PassesCorrectDescriptionsWithoutAWord) {
    const std::vector<Case> cases = {
        {"head alone", kHead, {}},
        {"every kind once",
         kHead +
             "ProgExe = Tool.exe\r\nLanguage = Deutsch.lng#7|English.lng#9|\r\nBitmap = side.tga\r\n"
             "NoCopyExt = ini|\r\n[Task]\r\nScriptFile = setup.js\r\nDesktop = 1\r\nStartMenu = 1\r\n"
             "[StartMenue]\r\nHelp = docs\\manual.txt\r\nExe = tools\\helper.exe\r\nUnistall = 1\r\n"
             "[UserTask]\r\nNumber = 12\r\n; comments and empty tasks are fine\r\n"
             "Task1 = 0|Tool|Tool.exe|-1||\r\nTask2 = 1|Manual|docs\\manual.txt|0|Tool.exe|\r\n"
             "Task3 = 2|Web|https://example.invalid/|-1|\r\nTask4 = 3|Home|https://example.invalid/|-1|\r\n"
             "Task5 = 4|Start|%ProgramFiles%Tool\\Tool.exe|-1||/min\r\nTask6 = 5|Guide|guide.txt|%ProgDir%\r\n"
             "Task7 = 6|2147483649|Software\\Tool|Folder|%InstallDir%\r\nTask8 = 7|nothing\r\nTask9 =\r\n"
             "Task10 = 8|tool.ini|Paths|Data|%InstallDir%data\\\r\nTask11 = 9|%ProgDir%tools\\|helper.exe|0\r\n"
             "Task12 = 10|Tool.exe|tol|Tool File|0|Tool.exe|1\r\n",
         {}},
        {"lone CR line ends and blank lines",
         "[Info]\rTitel = Tool\r\n\r\nGUID = {6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}\n[Settings]\n"
         "DefaultDir = %ProgramFiles%Tool\n",
         {}},
        {"the longest path at the limit",
         "[Info]\r\nTitel = Tool\r\nGUID = {6F1C7A2E-3B4D-4E5F-8A9B-0C1D2E3F4A5B}\r\n[Settings]\r\n"
         "DefaultDir = %ProgramFiles%" + std::string(219, 'x') + "\r\n",
         {}},
        {"a UTF-8 file with Latin-1 letters", "\xEF\xBB\xBF" + kHead + "[StartMenue]\r\nProgLink = T\xC3\xB6ol\r\n",
         {}},
    };
    for (const Case& c : cases) ExpectFindings(c, Listing());
}

TEST(WbpackCheckTest, NamesALicenceFileTheWizardNeverShows) {
    ProjectListing listing;
    AddOuterName(listing, "LICENSE.txt");
    std::vector<CheckFinding> found = CheckDescription(kHead, listing, CheckOptions{});
    ASSERT_EQ(found.size(), 1u) << Describe(found);
    EXPECT_EQ(FindingLine(found[0]).rfind("license.txt: warning: the licence page shows", 0), 0u)
        << Describe(found);
    AddOuterName(listing, "licence.rtf");
    EXPECT_TRUE(CheckDescription(kHead, listing, CheckOptions{}).empty());
}

TEST(WbpackCheckTest, LinesCountFileLinesAsAnEditorDoes) {
    IniText ini = ParseIniText("\xEF\xBB\xBF[Info]\r\n\r\n  ; note\r\nTitel = A\n\n\nVersion = 1\r\n[Task]");
    ASSERT_EQ(ini.Doc.Lines.size(), 5u);
    EXPECT_EQ(ini.LineNumbers, (std::vector<uint32_t>{1, 3, 4, 7, 8}));
    EXPECT_TRUE(ini.Doc.Utf8);
    EXPECT_EQ(IniString(ini, "Info", "Version", ""), "1");
}

TEST(WbpackCheckTest, SuggestsByEditDistanceWithSwapsCountingOne) {
    EXPECT_EQ(NameDistance("Title", "Titel"), 1u);
    EXPECT_EQ(NameDistance("STARTMENU", "StartMenue"), 1u);
    EXPECT_EQ(NameDistance("abc", "xyz"), 3u);
}

// The tables the check works from cover every key the installer reads and every task kind.
TEST(WbpackCheckTest, KnowsTheNamesAsTheFormatSpellsThem) {
    EXPECT_NE(FindSetupKey("Info", "Titel"), nullptr);
    EXPECT_NE(FindSetupKey("startmenue", "UNISTALL"), nullptr);
    EXPECT_EQ(FindSetupKey("StartMenue", "Uninstall"), nullptr);
    for (int kind = -1; kind <= 11; ++kind) {
        bool acts = kind >= 0 && kind <= 10 && kind != 7;
        EXPECT_EQ(FindTaskKind(kind) != nullptr, acts) << kind;
    }
    // The starter description's examples are tasks of the kind they illustrate.
    for (const TaskKindSpec& spec : TaskKinds()) {
        EXPECT_EQ(ParseLeadingNumber(spec.Example), int(spec.Kind)) << spec.Example;
    }
}

class WbpackProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/wb-check-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }
    static void Write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    std::string root_;
};

// The example project, with the programs the Windows build adds, passes clean.
TEST_F(WbpackProjectTest, ExampleProjectPassesClean) {
    const std::string project = root_ + "/hello";
    fs::copy(fs::path(WB_TEST_DATA).parent_path().parent_path() / "examples" / "hello", project,
             fs::copy_options::recursive);
    Write(project + "/program/Hello.exe", "MZ");
    Write(project + "/program/tools/taskrun.exe", "MZ");
    std::vector<CheckFinding> findings;
    std::string error;
    ASSERT_TRUE(CheckProject(project, CheckOptions{}, findings, error)) << error;
    EXPECT_TRUE(findings.empty()) << Describe(findings);
    ToolRun r = Wbpack({"check", project});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, project + ": no problems found\n");
}

TEST_F(WbpackProjectTest, CheckReportsEachFindingAndFailsOnAnError) {
    const std::string project = root_ + "/p";
    Write(project + "/setup.ini", "[Info]\r\nTitle = Tool\r\n[Settings]\r\nProgExe = Tool.exe\r\n");
    fs::create_directories(project + "/program");
    ToolRun r = Wbpack({"check", project});
    EXPECT_EQ(r.Code, 1);
    EXPECT_NE(r.Err.find("setup.ini:2: error: unknown key 'Title' in this group; it is never read "
                         "(did you mean 'Titel'?)\n"),
              std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("setup.ini:4: error: ProgExe 'Tool.exe' is not in program/\n"),
              std::string::npos)
        << r.Err;
    EXPECT_NE(r.Out.find("2 errors, 3 warnings"), std::string::npos) << r.Out;

    // build runs the same check and writes nothing.
    const std::string setup = root_ + "/setup.exe";
    Write(root_ + "/stub.exe", FakeStub("MZ stub"));
    ToolRun b = Wbpack({"build", project, "-o", setup, "--stub", root_ + "/stub.exe"});
    EXPECT_EQ(b.Code, 1);
    EXPECT_NE(b.Err.find("setup.ini:2: error:"), std::string::npos) << b.Err;
    EXPECT_NE(b.Err.find("nothing written"), std::string::npos) << b.Err;
    EXPECT_FALSE(fs::exists(setup));
    size_t left = 0;
    for (const auto& e : fs::directory_iterator(root_)) left += e.path().filename() != "p" &&
                                                               e.path().filename() != "stub.exe";
    EXPECT_EQ(left, 0u) << "no temporary file remains";

    // Asked for, a setup with a broken description is built all the same.
    ToolRun n = Wbpack({"build", project, "-o", setup, "--stub", root_ + "/stub.exe", "--quiet",
                    "--no-check"});
    EXPECT_EQ(n.Code, 0) << n.Err;
    EXPECT_TRUE(fs::exists(setup));
    fs::remove(setup);

    // A mistake that is only a warning still builds, and the warning is shown.
    Write(project + "/setup.ini", "[Info]\r\nTitel = Tool\r\n[Settings]\r\nDefaultDir = Tool\r\n");
    b = Wbpack({"build", project, "-o", setup, "--stub", root_ + "/stub.exe", "--quiet"});
    EXPECT_EQ(b.Code, 0) << b.Err;
    EXPECT_NE(b.Err.find("setup.ini:1: warning: no GUID"), std::string::npos) << b.Err;
    EXPECT_TRUE(fs::exists(setup));
}

TEST_F(WbpackProjectTest, InitWritesAProjectThatChecksCleanAndBuilds) {
    const std::string project = root_ + "/My Tool";
    ToolRun r = Wbpack({"init", project});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const std::string ini = Read(project + "/setup.ini");
    for (const char* group : {"[Info]", "[Settings]", "[Task]", "[StartMenue]", "[UserTask]"}) {
        EXPECT_NE(ini.find(group), std::string::npos) << group;
    }
    EXPECT_NE(ini.find("Titel = My Tool\r\n"), std::string::npos);
    EXPECT_NE(ini.find("DefaultDir = %ProgramFiles%My Tool\r\n"), std::string::npos);
    EXPECT_NE(ini.find("Scope = machine\r\n"), std::string::npos) << "named, with its values";
    EXPECT_NE(ini.find("both (the wizard asks"), std::string::npos);
    std::smatch guid;
    ASSERT_TRUE(std::regex_search(ini, guid, std::regex("GUID = (\\{[0-9A-F-]{36}\\})")));
    EXPECT_TRUE(fs::exists(project + "/licence.txt"));
    EXPECT_TRUE(fs::exists(project + "/readme.txt"));
    EXPECT_FALSE(fs::is_empty(project + "/program"));

    ToolRun c = Wbpack({"check", project});
    EXPECT_EQ(c.Code, 0) << c.Err;
    EXPECT_EQ(c.Err, "");

    // A second project gets another GUID, and an existing project is never overwritten.
    ToolRun again = Wbpack({"init", root_ + "/other", "--title", "Other"});
    ASSERT_EQ(again.Code, 0) << again.Err;
    EXPECT_EQ(Read(root_ + "/other/setup.ini").find(guid[1].str()), std::string::npos);
    Write(project + "/setup.ini", "mine");
    EXPECT_EQ(Wbpack({"init", project}).Code, 1);
    EXPECT_EQ(Read(project + "/setup.ini"), "mine");
}

TEST(WbpackInitTest, GuidsAreVersion4AndDiffer) {
    std::string a = NewGuid(), b = NewGuid();
    EXPECT_NE(a, b);
    ASSERT_EQ(a.size(), 38u);
    EXPECT_EQ(a[15], '4');
    EXPECT_NE(std::string("89AB").find(a[20]), std::string::npos) << a;
}

TEST(WbpackHelpTest, PrintsUsageOnStandardOutputWithSuccess) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}}) {
        ToolRun r = Wbpack(args);
        EXPECT_EQ(r.Code, 0);
        EXPECT_EQ(r.Err, "");
        for (const CommandHelp& c : CommandHelps()) {
            EXPECT_NE(r.Out.find(std::string("  ") + c.Name + " "), std::string::npos) << c.Name;
        }
    }
    ToolRun a = Wbpack({"help", "build"});
    ToolRun b = Wbpack({"build", "--help"});
    ToolRun c = Wbpack({"build", "myproject", "-o", "x.exe", "-h"});
    EXPECT_EQ(a.Code, 0);
    EXPECT_EQ(b.Code, 0);
    EXPECT_EQ(a.Out, b.Out);
    EXPECT_EQ(a.Out, c.Out);
    EXPECT_EQ(a.Out.rfind("usage: wbpack build PROJECT_DIR -o SETUP.exe", 0), 0u) << a.Out;
    EXPECT_NE(a.Out.find("--per-file"), std::string::npos);
    EXPECT_EQ(Wbpack({"help", "bake"}).Code, kExitUsage);
}

TEST(WbpackHelpTest, AWrongOptionShowsThatCommandsUsage) {
    ToolRun r = Wbpack({"list", "x.pck", "--level", "3"});
    EXPECT_EQ(r.Code, kExitUsage);
    EXPECT_EQ(r.Err.rfind("wbpack: unknown option --level for list\nusage: wbpack list FILE", 0), 0u)
        << r.Err;
    ToolRun u = Wbpack({"bake"});
    EXPECT_EQ(u.Code, kExitUsage);
    EXPECT_NE(u.Err.find("commands:"), std::string::npos) << u.Err;
}

// Every option the help lists is one the command takes: a row without its handling (or a
// handled option without its row) shows up here.
TEST(WbpackHelpTest, EveryListedOptionIsAccepted) {
    for (const CommandHelp& c : CommandHelps()) {
        for (const OptionHelp& o : c.Options) {
            for (const char* spelling : {o.Name, o.Alias}) {
                if (!spelling) continue;
                std::vector<std::string> args = {c.Name, spelling};
                if (o.Value) args.push_back(std::string(o.Value).substr(0, 3) == "x86" ? "x86" : "1");
                ToolRun r = Wbpack(args);
                SCOPED_TRACE(std::string(c.Name) + " " + spelling);
                EXPECT_EQ(r.Err.find("unknown option"), std::string::npos) << r.Err;
                EXPECT_EQ(r.Err.find("needs a value"), std::string::npos) << r.Err;
            }
        }
    }
}

}  // namespace
}  // namespace wb
