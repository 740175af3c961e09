// The uninstaller's removal over real host files and the registry and process fakes:
// what goes, in which order, what must stay, and the exit codes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "config/pref_file.h"
#include "fakes/fakes.h"
#include "log/install_log.h"
#include "unit/test_support.h"
#include "uninstaller/removal.h"
#include "uninstaller/safe_paths.h"
#include "uninstaller/uninstall_log_reader.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class UninstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        fake::ShellSetSystemFolder("C:\\WINDOWS\\system32");
        root_ = FreshTestDir("wb_uninst_").string() + "/";
        prog_ = root_ + "prog/";
        fs::create_directories(prog_);
        fs::create_directories(root_ + "desktop");
        fs::create_directories(root_ + "menu/Tool");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
        fake::ResetAll();
    }
    void Put(const std::string& path, const std::string& bytes = "x") const {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static bool Exists(const std::string& path) {
        std::error_code ec;
        return fs::exists(fs::symlink_status(path, ec));
    }
    // A log as an installation leaves it; `extra` is appended as is.
    std::string Log(const std::string& files, const std::string& dirs,
                    const std::vector<std::string>& tasks, const std::string& settings = "",
                    const std::string& extra = "") const {
        std::string t = "; base\r\n[Settings]\r\nProgName = Tool\r\nVersion = 1.2\r\n"
                        "NoDelAll = 0\r\nMutexString = ToolMutex\r\nProgDir = " + prog_ +
                        "\r\nProgExe = tool.exe\r\nGUID = {G}\r\nProgLink = Tool\r\n"
                        "StartMenu = " + root_ + "menu/Tool/\r\n"
                        "DesktopIcon = " + root_ + "desktop/Tool.lnk\r\n" + settings +
                        "[Files]\r\n" + files + "[Dirs]\r\n" + dirs +
                        "[Language]\r\nTitel = Entferne\r\nError = Kaputt\r\n"
                        "Mutex = Erst '$Titel' beenden!|Dann OK!\r\n"
                        "[StartMenu]\r\nProgram = " + root_ + "menu/Tool/Tool.lnk\r\n"
                        "AddExe = " + root_ + "menu/Tool/.lnk\r\n"
                        "Help = " + root_ + "menu/Tool/Help.lnk\r\n"
                        "Homepage = " + root_ + "menu/Tool/Homepage.lnk\r\n"
                        "Uninstall = " + root_ + "menu/Tool/Uninstall.lnk\r\n"
                        "[UserTask]\r\nNumber = " + std::to_string(tasks.size()) + "\r\n";
        for (size_t i = 0; i < tasks.size(); ++i) {
            t += "Task" + std::to_string(i + 1) + " = " + tasks[i] + "\r\n";
        }
        return t + extra;
    }
    std::string NegativeCount() const {
        std::string t = Log("", "", {});
        t.replace(t.find("Number = 0"), 10, "Number = -1");
        return t;
    }
    void WriteLog(const std::string& text) const { Put(prog_ + "uninstall.dat", text); }
    UninstallLog ReadOk() const {
        UninstallLog log;
        EXPECT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
        return log;
    }
    // A typical installation on disk: program files, a sub-folder, shortcuts.
    void LayOut() const {
        Put(prog_ + "tool.exe");
        Put(prog_ + "sub/data.txt");
        Put(prog_ + "uninstall.exe");
        Put(root_ + "desktop/Tool.lnk");
        for (const char* n : {"Tool", "Help", "Homepage", "Uninstall"}) {
            Put(root_ + "menu/Tool/" + n + ".lnk");
        }
    }
    std::string root_, prog_;
};

const std::string kFiles = "F001 = tool.exe\r\nF002 = sub\\data.txt\r\nF003 = uninstall.exe\r\n"
                           "F004 = uninstall.dat\r\n";
const std::string kDirs = "D001 = sub\\\r\n";

void Record(void* context, const std::string& item) {
    static_cast<std::vector<std::string>*>(context)->push_back(item);
}

// --- the log -------------------------------------------------------------------------

TEST_F(UninstallerTest, LogReadsEveryGroupAndTextsFallBackKeyByKey) {
    WriteLog(Log(kFiles, kDirs, {"6|2147483649|Software\\Tool|Path", "", "5|" + root_ + "x"}));
    UninstallLog log = ReadOk();
    EXPECT_EQ(log.ProgName, "Tool");
    EXPECT_EQ(log.Version, "1.2");
    EXPECT_EQ(log.MutexString, "ToolMutex");
    EXPECT_FALSE(log.NoDelAll);
    EXPECT_EQ(log.ProgDir, prog_);
    EXPECT_EQ(log.GUID, "{G}");
    EXPECT_EQ(log.Files, (std::vector<std::string>{"tool.exe", "sub\\data.txt", "uninstall.exe",
                                                   "uninstall.dat"}));
    EXPECT_EQ(log.Dirs, std::vector<std::string>{"sub\\"});
    ASSERT_EQ(log.StartMenuLinks.size(), 5u);
    EXPECT_EQ(log.StartMenuLinks[2], root_ + "menu/Tool/Help.lnk");
    ASSERT_EQ(log.Tasks.size(), 3u);
    EXPECT_EQ(log.Tasks[1], "") << "a missing task keeps its place";
    EXPECT_EQ(log.Tasks[2], "5|" + root_ + "x");
    EXPECT_EQ(log.Texts.Titel, "Entferne");
    EXPECT_EQ(log.Texts.Error, "Kaputt");
    EXPECT_EQ(log.Texts.Status, "Uninstalling completed.") << "missing key: the default";
    EXPECT_EQ(log.Texts.Ready, "Ready");
}

TEST_F(UninstallerTest, NumberedKeysStopAtTheFirstGapAndKeepEmptyValues) {
    WriteLog(Log("F001 = a\r\nF002 =\r\nF003 = c\r\nF005 = e\r\n", "", {}));
    EXPECT_EQ(ReadOk().Files, (std::vector<std::string>{"a", "", "c"}));
}

TEST_F(UninstallerTest, MissingAndDamagedLogsAreNotOk) {
    UninstallLog log;
    EXPECT_EQ(ReadUninstallLog(prog_, log), LogStatus::Missing);
    EXPECT_EQ(log.Texts.Error, "Uninstalling Program Not possible.");

    struct Case {
        const char* Why;
        std::string Text;
    };
    const std::vector<Case> cases = {
        {"no Settings", "[Files]\r\nF001 = tool.exe\r\n[Language]\r\nError = Kaputt\r\n"},
        {"no ProgDir", "[Settings]\r\nProgName = Tool\r\n[Language]\r\nError = Kaputt\r\n"},
        {"relative ProgDir", "[Settings]\r\nProgDir = prog\\\r\n[Language]\r\nError = Kaputt\r\n"},
        {"another folder", "[Settings]\r\nProgDir = " + root_ +
                               "\r\n[Language]\r\nError = Kaputt\r\n"},
        {"negative count", NegativeCount()},
        {"binary junk", std::string("\x7f" "ELF\0\0\x01[x", 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Why);
        WriteLog(c.Text);
        EXPECT_EQ(ReadUninstallLog(prog_, log), LogStatus::Damaged);
        if (c.Text.find("Kaputt") != std::string::npos) {
            EXPECT_EQ(log.Texts.Error, "Kaputt");
        }
    }
}

TEST_F(UninstallerTest, ProgDirMatchesThisFolderWhateverItsCaseOrSeparators) {
    std::string other = prog_;
    for (char& c : other) c = c == '/' ? '\\' : c;
    WriteLog("[Settings]\r\nProgDir = " + other + "\r\n");
    UninstallLog log;
    EXPECT_EQ(ReadUninstallLog(prog_, log), LogStatus::Ok);
}

TEST_F(UninstallerTest, DecimalTextPadsAndPreferenceNumbersKeepTheirSign) {
    EXPECT_EQ(DecimalText(0), "0");
    EXPECT_EQ(DecimalText(7, 3), "007");
    EXPECT_EQ(DecimalText(1234, 3), "1234");
    EXPECT_EQ(DecimalText(4294967295u), "4294967295");
    std::string path = root_ + "n.ini";
    PrefOpen(path.c_str());
    PrefWriteNumber("min", INT32_MIN);
    PrefWriteNumber("zero", 0);
    PrefWriteNumber("max", INT32_MAX);
    PrefClose();
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "min = -2147483648\r\nzero = 0\r\nmax = 2147483647\r\n");
}

// --- what goes and in which order -----------------------------------------------------

TEST_F(UninstallerTest, RemovesEverythingRecordedInOrderAndTasksBackwards) {
    LayOut();
    Put(root_ + "copied.dll");
    Put(root_ + "desktop/Extra.lnk");
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Tool", "Path", prog_);
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Tool", "Other", "stays");
    fake::RegistrySetText(RegRoot::LocalMachine, std::string(kUninstallKey) + "{G}",
                          "DisplayName", "Tool  1.2");
    WriteLog(Log(kFiles, kDirs,
                 {"0|" + root_ + "desktop/Extra.lnk", "5|" + root_ + "copied.dll",
                  "6|2147483649|Software\\Tool|Path", "8|ignored"}));
    std::vector<std::string> seen;
    RemovalOptions options;
    options.SelfPath = prog_ + "uninstall.exe";
    RemovalResult r = RemoveInstallation(ReadOk(), options, Record, &seen);
    EXPECT_EQ(r.Failed, 0);
    EXPECT_FALSE(r.SelfPending);

    const std::vector<std::string> expected = {
        "ignored", "Software\\Tool\\Path", root_ + "copied.dll",
        root_ + "desktop/Extra.lnk", root_ + "menu/Tool/Tool.lnk",
        root_ + "menu/Tool/.lnk", root_ + "menu/Tool/Help.lnk",
        root_ + "menu/Tool/Homepage.lnk", root_ + "menu/Tool/Uninstall.lnk",
        root_ + "desktop/Tool.lnk", prog_ + "tool.exe", prog_ + "sub\\data.txt",
        prog_ + "sub\\", std::string(kUninstallKey) + "{G}", prog_ + "uninstall.dat"};
    EXPECT_EQ(seen, expected);
    for (const char* gone : {"copied.dll", "desktop/Extra.lnk", "desktop/Tool.lnk", "menu/Tool",
                             "prog"}) {
        EXPECT_FALSE(Exists(root_ + gone)) << gone;
    }
    EXPECT_TRUE(Exists(root_ + "menu")) << "only the program's own Start-menu folder goes";
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::CurrentUser, "Software\\Tool", "Path"));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::CurrentUser, "Software\\Tool", "Other"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::LocalMachine,
                                         std::string(kUninstallKey) + "{G}"));
}

TEST_F(UninstallerTest, RegistryValueTakesItsKeyAlongOnlyWhenNothingElseIsInIt) {
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Vendor\\Tool", "Path", "x");
    EXPECT_TRUE(UndoTaskRecord("6|2147483649|Software\\Vendor\\Tool|Path", prog_));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, "Software\\Vendor\\Tool"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, "Software\\Vendor"));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::CurrentUser, "Software")) << "a top key stays";

    // A sibling value or a subkey keeps the key; a parent with other content stays.
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Vendor\\Tool", "Path", "x");
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Vendor\\Tool", "Other", "y");
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Vendor\\Tool2", "Path", "x");
    EXPECT_TRUE(UndoTaskRecord("6|2147483649|Software\\Vendor\\Tool|Path", prog_));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::CurrentUser, "Software\\Vendor\\Tool", "Other"));
    EXPECT_TRUE(UndoTaskRecord("6|2147483649|Software\\Vendor\\Tool2|Path", prog_));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, "Software\\Vendor\\Tool2"));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::CurrentUser, "Software\\Vendor"));
    fake::RegistryCreateKey(RegRoot::CurrentUser, "Software\\Vendor\\Tool3\\Sub");
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Vendor\\Tool3", "Path", "x");
    EXPECT_TRUE(UndoTaskRecord("6|2147483649|Software\\Vendor\\Tool3|Path", prog_));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::CurrentUser, "Software\\Vendor\\Tool3\\Sub"));
}

TEST_F(UninstallerTest, UserFilesStayWithoutDelAllAndGoWithIt) {
    for (bool delAll : {false, true}) {
        SCOPED_TRACE(delAll ? "DelAll" : "plain");
        LayOut();
        Put(prog_ + "notes.txt");
        Put(prog_ + "sub/mine.txt");
        Put(prog_ + "own/deep/more.txt");
        WriteLog(Log(kFiles, kDirs, {}));
        RemovalOptions options;
        options.DelAll = delAll;
        options.SelfPath = prog_ + "uninstall.exe";
        RemovalResult r = RemoveInstallation(ReadOk(), options);
        EXPECT_EQ(r.Failed, 0);
        EXPECT_FALSE(Exists(prog_ + "tool.exe"));
        EXPECT_FALSE(Exists(prog_ + "sub/data.txt"));
        EXPECT_FALSE(Exists(prog_ + "uninstall.dat"));
        EXPECT_EQ(Exists(prog_ + "notes.txt"), !delAll);
        EXPECT_EQ(Exists(prog_ + "sub/mine.txt"), !delAll);
        EXPECT_EQ(Exists(prog_ + "own/deep/more.txt"), !delAll);
        EXPECT_EQ(Exists(prog_), !delAll);
        fs::create_directories(prog_);
    }
}

TEST_F(UninstallerTest, LeftoverStagingGoesWithTheProgramButAFolderOfALikeNameStays) {
    for (bool delAll : {false, true}) {
        SCOPED_TRACE(delAll ? "DelAll" : "plain");
        LayOut();
        // What a killed installation staged, and a file a restart was to move in.
        Put(prog_ + "~wbstage.4242/0001", "staged");
        Put(prog_ + "~WBSTAGE.7/0002.old", "aside");
        Put(prog_ + "~wbstage-notes/mine.txt", "the user's");
        WriteLog(Log(kFiles, kDirs, {}));
        RemovalOptions options;
        options.DelAll = delAll;
        options.SelfPath = prog_ + "uninstall.exe";
        RemovalResult r = RemoveInstallation(ReadOk(), options);
        EXPECT_EQ(r.Failed, 0);
        EXPECT_FALSE(Exists(prog_ + "~wbstage.4242"));
        EXPECT_FALSE(Exists(prog_ + "~WBSTAGE.7"));
        EXPECT_EQ(Exists(prog_ + "~wbstage-notes/mine.txt"), !delAll);
        fs::remove_all(prog_);
        fs::create_directories(prog_);
    }
}

TEST_F(UninstallerTest, DelAllRemovesLinksInsideButNeverWhatTheyPointTo) {
    LayOut();
    Put(root_ + "elsewhere/precious.txt");
    fs::create_directory_symlink(root_ + "elsewhere", prog_ + "link");
    fs::create_symlink(root_ + "elsewhere/precious.txt", prog_ + "sub/file-link");
    WriteLog(Log(kFiles, kDirs, {}));
    RemovalOptions options;
    options.DelAll = true;
    EXPECT_EQ(RemoveInstallation(ReadOk(), options).Failed, 0);
    EXPECT_FALSE(Exists(prog_ + "link"));
    EXPECT_TRUE(Exists(root_ + "elsewhere/precious.txt"));
    EXPECT_FALSE(Exists(prog_));
}

TEST_F(UninstallerTest, RecordedPathsThroughALinkInTheFolderAreRefused) {
    LayOut();
    Put(root_ + "elsewhere/precious.txt");
    Put(root_ + "elsewhere/inner/more.txt");
    fs::create_directory_symlink(root_ + "elsewhere", prog_ + "Data");
    for (bool delAll : {false, true}) {
        SCOPED_TRACE(delAll ? "DelAll" : "plain");
        WriteLog(Log(kFiles + "F005 = data\\precious.txt\r\nF006 = Data\\inner\\more.txt\r\n",
                     "D001 = data\\inner\\\r\nD002 = data\\\r\n", {}));
        RemovalOptions options;
        options.DelAll = delAll;
        EXPECT_EQ(RemoveInstallation(ReadOk(), options).Failed, 2);
        EXPECT_TRUE(Exists(root_ + "elsewhere/precious.txt"));
        EXPECT_TRUE(Exists(root_ + "elsewhere/inner/more.txt"));
    }
    EXPECT_FALSE(Exists(prog_ + "Data")) << "DelAll removes the link itself";
}

TEST_F(UninstallerTest, EachRecordKindUndoesItsOwnThing) {
    Put(root_ + "s.lnk");
    Put(root_ + "web.url");
    Put(root_ + "OLD.URL");
    Put(root_ + "notalink.txt");
    Put(root_ + "kept.dat");
    fs::create_directories(root_ + "afolder.lnk");
    Put(prog_ + "lib/my.dll");
    Put(prog_ + "tool.exe");
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\T", "", "default");
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\T", "V", "x");
    struct Case {
        std::string Record;
        bool Undone;
    };
    const std::vector<Case> cases = {
        {"1|" + root_ + "s.lnk", true},
        {"2|" + root_ + "web.url", true},
        {"3|" + root_ + "OLD.URL", true},
        {"3|relative.url", false},
        {"4|" + root_ + "missing.lnk", true},
        {"0|" + root_ + "notalink.txt", false},
        {"2|relative.lnk", false},
        {"3|" + root_ + "afolder.lnk", false},
        {"5|" + root_ + "kept.dat", true},
        {"5|justaname.dat", true},
        {"5|" + root_ + "afolder.lnk", false},
        {"6|2147483650|Software\\T|", true},
        {"6|-2147483647|Software\\T|V", true},
        {"6|5|Software\\T|V", false},
        {"6|2147483649||V", false},
        {"9|C:\\elsewhere\\|" + prog_ + "lib\\my.dll", true},
        {"9|C:\\WINDOWS\\system32\\|C:\\WINDOWS\\system32\\shell32.dll", false},
        {"9|C:\\WINDOWS\\system32\\|" + prog_ + "lib\\gone.dll", true},
        {"9|C:\\WINDOWS\\system32\\|" + prog_ + "tool.exe", true},  // run, not registered
        {"7|anything", true},
        {"x|1", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Record);
        EXPECT_EQ(UndoTaskRecord(c.Record, prog_), c.Undone);
    }
    EXPECT_FALSE(Exists(root_ + "s.lnk"));
    EXPECT_FALSE(Exists(root_ + "web.url"));
    EXPECT_FALSE(Exists(root_ + "OLD.URL"));
    EXPECT_TRUE(Exists(root_ + "notalink.txt"));
    EXPECT_FALSE(Exists(root_ + "kept.dat"));
    EXPECT_TRUE(Exists(root_ + "afolder.lnk"));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::LocalMachine, "Software\\T", ""));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::CurrentUser, "Software\\T", "V"));
    // Only the library inside the program folder, with the system's own regsvr32.
    EXPECT_EQ(fake::ProcessRuns(),
              std::vector<std::string>{"C:\\WINDOWS\\system32\\regsvr32.exe /u /s \"" + prog_ +
                                       "lib\\my.dll\""});
    fake::ProcessSetRunResult(true, 3);
    EXPECT_FALSE(UndoTaskRecord("9|x|" + prog_ + "lib\\my.dll", prog_));
    fake::ProcessSetRunResult(false, 0);
    EXPECT_FALSE(UndoTaskRecord("9|x|" + prog_ + "lib\\my.dll", prog_));
}

// --- associations --------------------------------------------------------------------

TEST_F(UninstallerTest, AssociationsOfBothLayoutsGoWhenTheyStillLeadHere) {
    const std::string command = "\"" + prog_ + "bin\\ed.exe\" \"%1\"";
    const std::string fileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt";
    // Machine-wide.
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\.txt", "", "ed.exe");
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\ed.exe", "", "Editor");
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\ed.exe\\DefaultIcon", "", "i,0");
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\ed.exe\\shell\\open\\command",
                          "", command);
    // Per-user.
    fake::RegistrySetText(RegRoot::ClassesRoot, "Applications\\ed.exe\\shell\\open\\command", "",
                          command);
    fake::RegistrySetText(RegRoot::ClassesRoot, ".txt", "", "txt_auto_file");
    fake::RegistrySetText(RegRoot::ClassesRoot, ".txt", "Content Type", "text/plain");
    fake::RegistrySetText(RegRoot::ClassesRoot, "txt_auto_file", "", "Editor");
    fake::RegistrySetText(RegRoot::ClassesRoot, "txt_auto_file\\DefaultIcon", "", "i,0");
    fake::RegistrySetText(RegRoot::CurrentUser, fileExts, "Application", "ed.exe");

    EXPECT_TRUE(UndoAssociation("txt", "ed.exe", prog_));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::LocalMachine, "Software\\Classes\\.txt", ""));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::LocalMachine, "Software\\Classes\\ed.exe"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::ClassesRoot, "Applications\\ed.exe"));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::ClassesRoot, ".txt", ""));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::ClassesRoot, ".txt", "Content Type"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::ClassesRoot, "txt_auto_file"));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::CurrentUser, fileExts, "Application"));
}

// A per-user installation's removal: its entry from the user's list, its associations
// from the user's own classes, and nothing of the machine's, even where the same names are.
TEST_F(UninstallerTest, APerUserInstallationGoesFromTheUsersListAndClasses) {
    const std::string command = "\"" + prog_ + "ed.exe\" \"%1\"";
    const std::string classes = "Software\\Classes\\";
    LayOut();
    WriteLog(Log(kFiles, kDirs, {"10|txt|ed.exe"}, "Scope = user\r\n"));
    const std::string entry = std::string(kUninstallKey) + "{G}";
    fake::RegistrySetText(RegRoot::CurrentUser, entry, "DisplayName", "Tool");
    fake::RegistrySetText(RegRoot::LocalMachine, entry, "DisplayName", "Tool for all users");
    fake::RegistrySetText(RegRoot::CurrentUser, classes + "Applications\\ed.exe\\shell\\open\\command",
                          "", command);
    fake::RegistrySetText(RegRoot::CurrentUser, classes + ".txt", "", "txt_auto_file");
    fake::RegistrySetText(RegRoot::CurrentUser, classes + "txt_auto_file", "", "Editor");
    // The machine's classes name the same program (an installation for all users).
    fake::RegistrySetText(RegRoot::ClassesRoot, "Applications\\ed.exe\\shell\\open\\command", "",
                          command);
    fake::RegistrySetText(RegRoot::ClassesRoot, ".txt", "", "txt_auto_file");

    const UninstallLog log = ReadOk();
    EXPECT_TRUE(log.PerUser);
    EXPECT_EQ(UninstallEntryRoot(log), RegRoot::CurrentUser);
    RemovalOptions options;
    EXPECT_EQ(RemoveInstallation(log, options).Failed, 0);
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, entry));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::LocalMachine, entry)) << "the other scope's";
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, classes + "Applications\\ed.exe"));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::CurrentUser, classes + ".txt", ""));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::CurrentUser, classes + "txt_auto_file"));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::ClassesRoot, "Applications\\ed.exe"));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::ClassesRoot, ".txt", ""));

    // A log without the key is one for all users, as every earlier log is.
    WriteLog(Log(kFiles, kDirs, {}));
    EXPECT_EQ(UninstallEntryRoot(ReadOk()), RegRoot::LocalMachine);
}

TEST_F(UninstallerTest, AnAssociationAnotherProgramTookSinceStays) {
    const std::string ours = "\"" + prog_ + "ed.exe\" \"%1\"";
    const std::string theirs = "\"C:\\Other\\ed.exe\" \"%1\"";
    const std::string fileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt";
    // Machine-wide: a program of the same name elsewhere owns the class now.
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\.txt", "", "ed.exe");
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Classes\\ed.exe\\shell\\open\\command",
                          "", theirs);
    // Per-user: the user's choice is another program now; our application key is dead.
    fake::RegistrySetText(RegRoot::ClassesRoot, "Applications\\ed.exe\\shell\\open\\command", "",
                          ours);
    fake::RegistrySetText(RegRoot::ClassesRoot, ".txt", "", "txt_auto_file");
    fake::RegistrySetText(RegRoot::ClassesRoot, "txt_auto_file", "", "Editor");
    fake::RegistrySetText(RegRoot::CurrentUser, fileExts, "Application", "notepad.exe");

    EXPECT_TRUE(UndoAssociation("txt", "ed.exe", prog_));
    std::string bytes;
    EXPECT_TRUE(fake::RegistryGetBytes(RegRoot::LocalMachine, "Software\\Classes\\.txt", "", bytes));
    EXPECT_TRUE(fake::RegistryGetBytes(RegRoot::LocalMachine,
                                       "Software\\Classes\\ed.exe\\shell\\open\\command", "", bytes));
    EXPECT_EQ(bytes, theirs + std::string(1, '\0'));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::ClassesRoot, ".txt", ""));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::ClassesRoot, "txt_auto_file"));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::CurrentUser, fileExts, "Application"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::ClassesRoot, "Applications\\ed.exe"))
        << "our own application key points at a program that is going";

    // And a class that now points to another type is left alone.
    fake::RegistryReset();
    fake::RegistrySetText(RegRoot::ClassesRoot, ".txt", "", "Other.Document");
    fake::RegistrySetText(RegRoot::ClassesRoot, "Applications\\ed.exe\\shell\\open\\command", "",
                          ours);
    EXPECT_TRUE(UndoAssociation("txt", "ed.exe", prog_));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::ClassesRoot, ".txt", ""));
    EXPECT_FALSE(UndoAssociation("", "ed.exe", prog_));
    EXPECT_FALSE(UndoAssociation("txt", "..\\ed.exe", prog_));
}

// --- safety --------------------------------------------------------------------------

TEST_F(UninstallerTest, EntriesThatLeaveTheFolderAreRefusedAndNothingOutsideGoes) {
    LayOut();
    Put(root_ + "outside.txt");
    Put(root_ + "desktop/keep.ini");
    WriteLog(Log("F001 = tool.exe\r\nF002 = ..\\outside.txt\r\nF003 = " + root_ +
                     "outside.txt\r\nF004 = sub\\..\\..\\outside.txt\r\nF005 = C:\\boot.ini\r\n"
                     "F006 = \\outside.txt\r\nF007 = c:outside.txt\r\n",
                 "D001 = ..\\desktop\\\r\nD002 = " + root_ + "desktop/\r\n", {}));
    RemovalOptions options;
    options.DelAll = true;
    RemovalResult r = RemoveInstallation(ReadOk(), options);
    EXPECT_EQ(r.Failed, 8) << "six refused files and two refused folders";
    EXPECT_TRUE(Exists(root_ + "outside.txt"));
    EXPECT_TRUE(Exists(root_ + "desktop/keep.ini"));
    EXPECT_FALSE(Exists(prog_ + "tool.exe"));
}

TEST_F(UninstallerTest, DelAllNeverEmptiesASystemFolderOrOneHoldingIt) {
    struct Case {
        const char* Why;
        int Csidl;
        std::string Folder;  // relative to root_
    };
    const std::vector<Case> cases = {
        {"program files itself", 0x26, "prog/"},
        {"holds the user profile", 0x28, "prog/Users/me"},
        {"the Windows folder", -1, "prog"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Why);
        fake::ShellReset();
        if (c.Csidl >= 0) {
            fake::ShellSetFolder(c.Csidl, root_ + c.Folder);
        } else {
            fake::ShellSetWindowsFolder(root_ + c.Folder);
        }
        LayOut();
        Put(prog_ + "user.txt");
        WriteLog(Log(kFiles, kDirs, {}));
        RemovalOptions options;
        options.DelAll = true;
        RemoveInstallation(ReadOk(), options);
        EXPECT_TRUE(Exists(prog_ + "user.txt"));
        EXPECT_FALSE(Exists(prog_ + "tool.exe")) << "the recorded files still go";
    }
}

TEST_F(UninstallerTest, PathTests) {
    EXPECT_TRUE(IsDriveRoot("C:\\"));
    EXPECT_TRUE(IsDriveRoot("c:"));
    EXPECT_TRUE(IsDriveRoot("/"));
    EXPECT_TRUE(IsDriveRoot("\\\\server\\share\\"));
    EXPECT_FALSE(IsDriveRoot("\\\\server\\share\\app\\"));
    EXPECT_FALSE(IsDriveRoot("C:\\Program Files\\"));
    EXPECT_TRUE(IsProtectedFolder("C:\\", {}));
    EXPECT_TRUE(IsProtectedFolder("c:/program files", {"C:\\Program Files\\"}));
    EXPECT_TRUE(IsProtectedFolder("C:\\Users\\", {"C:\\Users\\me\\"}));
    EXPECT_FALSE(IsProtectedFolder("C:\\Program Files\\Tool\\", {"C:\\Program Files\\"}));
    EXPECT_FALSE(IsProtectedFolder("C:\\Program Files2\\", {"C:\\Program Files\\"}));
    for (const char* bad : {"", "..", "a\\..\\b", "C:\\x", "\\x", "/x", "c:x", "a*", "a?b",
                            "a|b", "a\"b", "a\tb", ".", ".\\", "sub\\.\\x", ". \\x", "\\\\x",
                            "a\\\\b", "sub\\. "}) {
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
    }
    for (const char* good : {"a.txt", "sub\\b.txt", "sub/c d.txt", ".hidden", "x.", "sub\\.cfg", "sub\\", "a\\b/"}) {
        EXPECT_TRUE(IsSafeRelativePath(good)) << good;
    }
    EXPECT_TRUE(IsInsideFolder("C:\\App\\x.dll", "c:/app/"));
    EXPECT_FALSE(IsInsideFolder("C:\\App", "C:\\App\\"));
    EXPECT_FALSE(IsInsideFolder("C:\\Apple\\x", "C:\\App"));
    EXPECT_FALSE(IsInsideFolder("C:\\App\\..\\Windows\\x", "C:\\App\\"));
}

// --- running program, exit codes -----------------------------------------------------

TEST_F(UninstallerTest, QuietRunExitCodes) {
    // No log, a damaged log: 2 and nothing removed.
    LayOut();
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitIncomplete);
    WriteLog("[Settings]\r\nProgDir = " + root_ + "\r\n[Files]\r\nF001 = tool.exe\r\n");
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitIncomplete);
    EXPECT_TRUE(Exists(prog_ + "tool.exe"));

    // The program runs: 1 and nothing removed.
    WriteLog(Log(kFiles, kDirs, {}));
    fake::ProcessSetMutexExists("ToolMutex", true);
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitStopped);
    EXPECT_TRUE(Exists(prog_ + "tool.exe"));
    EXPECT_TRUE(Exists(root_ + "desktop/Tool.lnk"));
    EXPECT_TRUE(Exists(prog_ + "uninstall.dat"));

    // A value the user may not remove: 2, and everything else still goes.
    fake::ProcessSetMutexExists("ToolMutex", false);
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Locked", "V", "x");
    fake::RegistryLockKey(RegRoot::LocalMachine, "Software\\Locked");
    WriteLog(Log(kFiles, kDirs, {"6|2147483650|Software\\Locked|V"}));
    RemovalResult r;
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe", &r), kExitIncomplete);
    EXPECT_EQ(r.Failed, 1);
    EXPECT_FALSE(Exists(prog_));

    // All gone: 0.
    fs::create_directories(prog_);
    LayOut();
    WriteLog(Log(kFiles, kDirs, {}));
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitRemoved);
    EXPECT_FALSE(Exists(prog_));
}

TEST_F(UninstallerTest, RunningProgramTextAndEntryName) {
    WriteLog(Log(kFiles, kDirs, {}));
    UninstallLog log = ReadOk();
    EXPECT_FALSE(InstalledProgramRuns(log));
    fake::ProcessSetMutexExists("ToolMutex", true);
    EXPECT_TRUE(InstalledProgramRuns(log));
    EXPECT_EQ(RunningProgramMessage(log), "Erst 'Tool' beenden!\nDann OK!");
    log.Texts = DefaultUninstallTexts();
    EXPECT_EQ(RunningProgramMessage(log), "Close Program 'Tool' first!\nThen press OK!");
    log.MutexString.clear();
    EXPECT_FALSE(InstalledProgramRuns(log)) << "no mutex named: nothing to test";

    EXPECT_EQ(UninstallEntryKey(log), std::string(kUninstallKey) + "{G}");
    log.GUID.clear();
    EXPECT_EQ(UninstallEntryKey(log), std::string(kUninstallKey) + "Tool");
    log.ProgLink.clear();
    EXPECT_EQ(UninstallEntryKey(log), "") << "never the whole Uninstall key";
    log.ProgLink = "..\\..\\Run";
    EXPECT_EQ(UninstallEntryKey(log), "");
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An upgraded installation's log names what an earlier version made and a later one
// removed or never made again: those records are taken in stride, and the log says which
// things went, which were already gone and which could not be removed.
TEST_F(UninstallerTest, RecordsOfThingsAlreadyGoneStillEndWithExitCode0AndAreLogged) {
    LayOut();
    fake::RegistrySetText(RegRoot::CurrentUser, "Software\\Acme\\New", "Path", "x");
    WriteLog(Log(kFiles + "F005 = dropped\\gone.txt\r\n", kDirs + "D002 = dropped\\\r\n",
                 {"6|2147483649|Software\\Acme\\Old|Path", "0|" + root_ + "desktop/Gone.lnk",
                  "5|" + root_ + "gone.cfg", "10|old|old.exe",
                  "6|2147483649|Software\\Acme\\New|Path"}));
    const std::string logFile = root_ + "logs/uninstall.log";
    ASSERT_TRUE(OpenInstallLog(logFile));
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitRemoved);
    CloseInstallLog();
    EXPECT_FALSE(Exists(prog_));
    EXPECT_FALSE(fake::RegistryValueExists(RegRoot::CurrentUser, "Software\\Acme\\New", "Path"));

    const std::string text = ReadText(logFile);
    EXPECT_NE(text.find("Removing Tool 1.2 from " + prog_), std::string::npos) << text;
    EXPECT_NE(text.find("Removed: " + prog_ + "tool.exe\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Already gone: " + root_ + "desktop/Gone.lnk\r\n"), std::string::npos);
    EXPECT_NE(text.find("Already gone: " + prog_ + "dropped\\gone.txt\r\n"), std::string::npos);
    EXPECT_NE(text.find("Removed: Software\\Acme\\New\\Path\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Could NOT"), std::string::npos) << text;
}

TEST_F(UninstallerTest, TheLogNamesWhatStayedAndWhy) {
    LayOut();
    Put(prog_ + "sub/user-notes.txt");  // not in the log: the folder holding it stays
    fake::RegistrySetText(RegRoot::LocalMachine, "Software\\Locked", "V", "x");
    fake::RegistryLockKey(RegRoot::LocalMachine, "Software\\Locked");
    WriteLog(Log(kFiles + "F005 = ..\\outside.txt\r\n", kDirs,
                 {"6|2147483650|Software\\Locked|V"}));
    const std::string logFile = root_ + "uninstall.log";
    ASSERT_TRUE(OpenInstallLog(logFile));
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitIncomplete);
    CloseInstallLog();
    const std::string text = ReadText(logFile);
    EXPECT_NE(text.find("Could NOT remove: Software\\Locked\\V\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Refused (it could lead out of the installation folder): ..\\outside.txt"),
              std::string::npos);
    EXPECT_NE(text.find("Kept (it holds files the log does not name): " + prog_ + "sub"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("2 item(s) could not be removed"), std::string::npos) << text;

    // Without a log, and with the program running, the log says why nothing went.
    fs::remove(prog_ + "uninstall.dat");
    ASSERT_TRUE(OpenInstallLog(logFile));
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitIncomplete);
    WriteLog(Log(kFiles, kDirs, {}));
    fake::ProcessSetMutexExists("ToolMutex", true);
    EXPECT_EQ(UninstallQuietly(prog_, prog_ + "uninstall.exe"), kExitStopped);
    CloseInstallLog();
    const std::string second = ReadText(logFile);
    EXPECT_NE(second.find("uninstall.dat is missing: nothing removed"), std::string::npos) << second;
    EXPECT_NE(second.find("The program is running (mutex ToolMutex): nothing removed"),
              std::string::npos);
}

}  // namespace
}  // namespace wb
