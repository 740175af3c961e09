// The start-up sequence over the host's files and fakes of the other services: what lands
// in the temporary setup folder, the running-program warning, and damaged setups.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <filesystem>
#include <functional>
#include <fstream>

#include "config/language_table.h"
#include "config/special_folders.h"
#include "fakes/fakes.h"
#include "platform/posix/host_window.h"
#include "state/setup_state.h"
#include "startup/startup.h"
#include "wbpack/package_writer.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        HostWindowReset();
        wb::Setup = SetupState{};
        root_ = FreshTestDir("wb-startup-");
        fs::create_directories(root_ / "temp");
        fake::ShellSetTempFolder((root_ / "temp").string() + "/");
        fs::create_directories(root_ / "windows" / "Temp");
        fake::ShellSetWindowsFolder((root_ / "windows").string());
        exe_ = (root_ / "setup.exe").string();
        fake::ProcessSetModulePath(exe_);
        fake::ProcessSetCommandLine("\"" + exe_ + "\" /Q");
    }
    void TearDown() override { fs::remove_all(root_); }

    // An installer: some stub bytes followed by a Package of `files`.
    void WriteSetup(const std::vector<std::pair<std::string, std::string>>& files) {
        std::vector<PackInput> inputs;
        for (const auto& [name, bytes] : files) {
            PackInput in;
            in.Name = name;
            in.Data.assign(bytes.begin(), bytes.end());
            in.LastWriteTime = 132000000000000000ULL;
            in.CreationTime = in.LastWriteTime;
            inputs.push_back(in);
        }
        std::vector<uint8_t> bytes(4096, 0x90);
        std::string error;
        PackWriteResult result;
        PackWriteOptions options;
        ASSERT_TRUE(WritePackage(
            [&](const uint8_t* d, size_t n) { bytes.insert(bytes.end(), d, d + n); return true; },
            4096, inputs, options, result, error))
            << error;
        std::ofstream(exe_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    // Neither the user's nor the system's temporary folder holds anything of the run.
    bool NothingTemporaryLeft() const {
        return fs::is_empty(root_ / "temp") && fs::is_empty(root_ / "windows" / "Temp");
    }

    std::string TempDirHost() const {
        std::string t = wb::Setup.TempDir;
        for (char& c : t) if (c == '\\') c = '/';
        return t;
    }

    fs::path root_;
    std::string exe_;
};

const char* kIni =
    "[Info]\r\nTitel = Tool\r\nVersion = 2.0\r\nGUID = {G}\r\n"
    "[Settings]\r\nProgExe = Tool.exe\r\n[Task]\r\nMutexString =  ToolMutex  \r\n";

TEST_F(StartupTest, UnpacksTheOwnPackageAndReadsTheFirstKeys) {
    WriteSetup({{"setup.ini", kIni}, {"sub\\a.txt", "alpha"}});
    fake::ProcessSetCommandLine("setup.exe");  // the caption is made for the wizard only
    EXPECT_EQ(RunSetup(), kExitOk);
    // Elevated (as the fakes start), in a new folder of the system's temporary folder that
    // only administrators may enter: the Hook programs and the script start from there.
    const std::string expected = (root_ / "windows").string() +
                                 "\\Temp\\{00000000-0000-0000-0000-000000000001}\\";
    EXPECT_EQ(wb::Setup.TempDir, expected);
    EXPECT_EQ(fake::ScopeAdminFoldersMade(),
              std::vector<std::string>{expected.substr(0, expected.size() - 1)});
    EXPECT_EQ(wb::Setup.SetupIni, wb::Setup.TempDir + "setup.ini");
    EXPECT_EQ(wb::Setup.SetupExe, exe_);
    EXPECT_TRUE(fs::exists(TempDirHost() + "sub/a.txt"));
    EXPECT_EQ(wb::Setup.Titel, "Tool");
    EXPECT_EQ(wb::Setup.MutexString, "ToolMutex");
    EXPECT_EQ(wb::Setup.WindowTitle, "Tool 2.0");
    EXPECT_EQ(wb::Setup.Page, 1);
    EXPECT_TRUE(HostMessageBoxes().empty());
}

TEST_F(StartupTest, WithoutAPackageTheQuietRunEndsWithCode2AndLeavesNothing) {
    std::ofstream(exe_, std::ios::binary) << std::string(3000, 'M');
    EXPECT_EQ(RunSetup(), kExitDamaged);
    EXPECT_EQ(wb::Setup.PackageDamaged, 1);
    EXPECT_TRUE(NothingTemporaryLeft());
    EXPECT_TRUE(HostMessageBoxes().empty());
}

TEST_F(StartupTest, WithoutAPackageTheWizardRunSaysSoOnceAndEndsWithCode0) {
    std::ofstream(exe_, std::ios::binary) << std::string(3000, 'M');
    fake::ProcessSetCommandLine("setup.exe");
    EXPECT_EQ(RunSetup(), kExitOk);
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_EQ(HostMessageBoxes()[0].Text, kDamagedSetupText);
    EXPECT_EQ(HostMessageBoxes()[0].Kind, MessageBoxKind::ErrorOk);
    EXPECT_TRUE(NothingTemporaryLeft());
}

TEST_F(StartupTest, ADamagedEntryIsTreatedLikeAMissingPackage) {
    WriteSetup({{"setup.ini", kIni}, {"big.bin", std::string(5000, 'x')}});
    // Flip a byte inside the data area of the compressed entries.
    std::fstream f(exe_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096 + 40);
    char c;
    f.seekg(4096 + 40);
    f.get(c);
    f.seekp(4096 + 40);
    f.put(static_cast<char>(c ^ 0x55));
    f.close();
    EXPECT_EQ(RunSetup(), kExitDamaged);
    EXPECT_TRUE(NothingTemporaryLeft());
}

TEST_F(StartupTest, RunningProgramWarningCancelRemovesTheTemporaryFolder) {
    WriteSetup({{"setup.ini", kIni}});
    fake::ProcessSetCommandLine("setup.exe");
    fake::ProcessSetMutexExists("ToolMutex", true);
    HostSetMessageBoxAnswer(2);  // Cancel
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_EQ(wb::Setup.ProgramRunning, 1);
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    const HostMessageBox& box = HostMessageBoxes()[0];
    EXPECT_EQ(box.Caption, "Wendlebox - Warning");
    EXPECT_EQ(box.Text, "Close Program 'Tool' first!\nThen press OK!");
    EXPECT_EQ(box.Kind, MessageBoxKind::WarningOkCancel);
    EXPECT_FALSE(fs::exists(TempDirHost()));
}

TEST_F(StartupTest, RunningProgramWarningOkGoesOn) {
    WriteSetup({{"setup.ini", kIni}, {"BeforeWB.exe", "MZ"}});
    fake::ProcessSetCommandLine("setup.exe");
    fake::ProcessSetMutexExists("ToolMutex", true);
    HostSetMessageBoxAnswer(1);
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_EQ(fake::LaunchCalls().size(), 1u) << "the run went on to BeforeWB.exe";
    const fake::FakeWindowRecord* wizard = fake::WindowRecord(1);
    ASSERT_NE(wizard, nullptr) << "the run went on to the wizard";
    EXPECT_EQ(wizard->Title, " Tool 2.0");
    // The wizard's loop ended at once; the finish removed the temporary setup folder.
    EXPECT_FALSE(fs::exists(TempDirHost()));
}

TEST_F(StartupTest, QuietRunEndsWithoutAWindowWhenTheProgramRuns) {
    WriteSetup({{"setup.ini", kIni}, {"BeforeWB.exe", "MZ"}});
    fake::ProcessSetMutexExists("ToolMutex", true);
    EXPECT_EQ(RunSetup(), kExitNotInstalled);
    EXPECT_EQ(wb::Setup.ProgramRunning, 1);
    EXPECT_TRUE(HostMessageBoxes().empty());
    EXPECT_TRUE(fake::LaunchCalls().empty());
    EXPECT_FALSE(fs::exists(TempDirHost())) << "removed as after Cancel";
}

const char* kIniNoMutex =
    "[Info]\r\nTitel = Tool\r\n[Settings]\r\nProgExe = Tool.exe\r\n";

TEST_F(StartupTest, WithoutAMutexNameTheProcessListDecides) {
    WriteSetup({{"setup.ini", kIniNoMutex}});
    fake::ProcessSetCommandLine("setup.exe");
    fake::LaunchSetProcessNames({"C:\\windows\\explorer.exe", "TOOL.EXE"});
    HostSetMessageBoxAnswer(2);
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_EQ(wb::Setup.ProgramRunning, 1);
    EXPECT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_EQ(fake::ProcessMutexQueryCount(), 0);
}

TEST_F(StartupTest, WithAMutexNameTheProcessListIsNotConsulted) {
    WriteSetup({{"setup.ini", kIni}});
    fake::ProcessSetCommandLine("setup.exe");
    fake::LaunchSetProcessNames({"Tool.exe"});
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_EQ(wb::Setup.ProgramRunning, 0);
    EXPECT_TRUE(HostMessageBoxes().empty());
}

TEST_F(StartupTest, BeforeHookStoppingEndsTheRunAndLeavesTheFolder) {
    WriteSetup({{"setup.ini", kIniNoMutex}, {"BeforeWB.exe", "MZ"}});
    fake::LaunchSetExitCode("BeforeWB.exe", 1);
    EXPECT_EQ(RunSetup(), kExitNotInstalled);  // quiet: the deployment tool learns it
    EXPECT_TRUE(fs::exists(TempDirHost() + "setup.ini"));
    EXPECT_TRUE(fs::exists(TempDirHost() + "BeforeWB.exe"));

    // The fakes start their GUIDs again: the folder of that name must not be there.
    fs::remove_all(TempDirHost());
    fake::ResetAll();
    wb::Setup = SetupState{};
    fake::ShellSetTempFolder((root_ / "temp").string() + "/");
    fake::ShellSetWindowsFolder((root_ / "windows").string());
    fake::ProcessSetModulePath(exe_);
    fake::ProcessSetCommandLine("setup.exe");
    fake::LaunchSetExitCode("BeforeWB.exe", 1);
    EXPECT_EQ(RunSetup(), kExitOk);  // a wizard run always ends with 0
    EXPECT_TRUE(fs::exists(TempDirHost() + "setup.ini"));
    EXPECT_TRUE(wb::Setup.WindowTitle.empty()) << "no wizard follows";
}

TEST_F(StartupTest, QuietRunFinishesWithAfterHookAndTheRestartCode) {
    WriteSetup({{"setup.ini", std::string(kIniNoMutex) + "[Task]\r\nReboot = 1\r\n"},
                {"BeforeWB.exe", "MZ"}, {"AfterWB.exe", "MZ"}});
    fake::LaunchSetExitCode("BeforeWB.exe", 2);
    EXPECT_EQ(RunSetup(), kExitRestartRequired);
    ASSERT_EQ(fake::LaunchCalls().size(), 2u);
    EXPECT_NE(fake::LaunchCalls()[0].CommandLine.find("BeforeWB.exe"), std::string::npos);
    EXPECT_NE(fake::LaunchCalls()[1].CommandLine.find("AfterWB.exe"), std::string::npos);
    EXPECT_EQ(fake::RebootPromptCount(), 0);
    EXPECT_TRUE(HostMessageBoxes().empty());
    EXPECT_FALSE(fs::exists(TempDirHost()));
}

TEST_F(StartupTest, AbsentMutexShowsNoWarning) {
    WriteSetup({{"setup.ini", kIni}});
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_EQ(wb::Setup.ProgramRunning, 0);
    EXPECT_TRUE(HostMessageBoxes().empty());
}

TEST_F(StartupTest, TempDirCreationStripsTrailingSeparatorsAndBlanks) {
    std::string dir = (root_ / "temp" / "x").string();
    EXPECT_TRUE(CreateTempDir(dir + "\\ /"));
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_FALSE(CreateTempDir(dir + "\\"));  // exists already: the caller ignores this
}

// A setup that cannot read its own files stops before anything is written: quiet runs end
// with exit code 6, wizard runs say why; the temporary folder is left as it was.
TEST_F(StartupTest, ASetupThatCannotReadItsOwnFilesStopsWithCode6) {
    struct Case {
        const char* What;
        std::function<void()> Arrange;
        const char* Why;
    };
    const std::vector<Case> cases = {
        // The user's temporary folder serves only a run without administrator rights.
        {"no temporary folder",
         [] { fake::SystemSetElevation(0); fake::ShellSetTempFolder(""); },
         "temporary folder cannot be found"},
        {"a temporary folder whose characters became '?'",
         [this] {
             fake::SystemSetElevation(0);
             fake::ShellSetTempFolder((root_ / "temp").string() + "/?/");
         },
         "cannot be written in this system's code page"},
        {"a temporary folder that cannot be made",
         [this] {
             fake::SystemSetElevation(0);
             fake::ShellSetTempFolder((root_ / "temp" / "missing").string() + "/");
         },
         "cannot be made"},
        {"elevated, and no Windows folder", [] { fake::ShellSetWindowsFolder(""); },
         "the system's temporary folder cannot be found"},
        {"elevated, and the system's temporary folder cannot be made in",
         [this] { fake::ShellSetWindowsFolder((root_ / "gone").string()); },
         "cannot be made"},
        {"a setup file that cannot be opened",
         [this] { fake::ProcessSetModulePath((root_ / "gone.exe").string()); },
         "cannot be opened"},
        {"a setup path whose characters became '?'",
         [this] { fake::ProcessSetModulePath((root_ / "?" / "setup.exe").string()); },
         "path of the setup file cannot be written"},
        {"a Package without setup.ini", [this] { WriteSetup({{"readme.txt", "no description"}}); },
         "setup.ini cannot be read"},
    };
    for (const Case& c : cases) {
        for (const bool quiet : {true, false}) {
            SCOPED_TRACE(std::string(c.What) + (quiet ? ", quiet" : ", wizard"));
            SetUp();
            WriteSetup({{"setup.ini", kIni}});
            c.Arrange();
            fake::ProcessSetCommandLine(quiet ? "setup.exe /Q" : "setup.exe");
            EXPECT_EQ(RunSetup(), quiet ? kExitUnreadable : kExitOk);
            EXPECT_TRUE(NothingTemporaryLeft()) << "nothing unpacked is left";
            EXPECT_EQ(wb::Setup.Titel, "") << "the run never went on nameless";
            EXPECT_EQ(fake::WindowRecord(1), nullptr) << "no wizard";
            if (quiet) {
                EXPECT_TRUE(HostMessageBoxes().empty());
                TearDown();
                continue;
            }
            ASSERT_EQ(HostMessageBoxes().size(), 1u);
            const std::string text = HostMessageBoxes()[0].Text;
            EXPECT_EQ(text.rfind(kUnreadableSetupText, 0), 0u) << text;
            EXPECT_NE(text.find(c.Why), std::string::npos) << text;
            EXPECT_EQ(HostMessageBoxes()[0].Kind, MessageBoxKind::ErrorOk);
            TearDown();
        }
    }
}

// A /P folder whose characters the code page lacks is made under its real name (from the
// UTF-8 command line) and used by the path that reaches it; a run that leaves it empty
// removes it again.
TEST_F(StartupTest, ASlashPFolderOutsideTheCodePageIsMadeUnderItsRealName) {
    WriteSetup({{"setup.ini", kIni}});
    const std::string ansi = (root_ / "Apps").string() + "/?/Tool";
    const std::string real = (root_ / "Apps").string() + "/\xE7\x8E\x8B/Tool";
    fake::ProcessSetCommandLine("setup.exe \"/P:" + ansi + "\"");
    fake::ProcessSetCommandLineUtf8("setup.exe \"/P:" + real + "\"");
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_EQ(wb::Setup.CmdProgDir, real) << "natively every name is reached as it is";
    ASSERT_NE(fake::WindowRecord(1), nullptr) << "the run went on to the wizard";
    EXPECT_FALSE(fs::exists(root_ / "Apps")) << "the wizard installed nothing: it went again";

    // The code page carries an ordinary /P: nothing is made before the installation.
    SetUp();
    WriteSetup({{"setup.ini", kIni}});
    fake::ProcessSetCommandLine("setup.exe \"/P:" + (root_ / "Plain").string() + "\"");
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_EQ(wb::Setup.CmdProgDir, (root_ / "Plain").string());
    EXPECT_FALSE(fs::exists(root_ / "Plain"));
}

TEST_F(StartupTest, ASlashSFolderOutsideTheCodePageIsRefusedBeforeAnythingIsWritten) {
    WriteSetup({{"setup.ini", kIni}});
    fake::ProcessSetCommandLine("setup.exe /Q /S:Tools\\?");
    fake::ProcessSetCommandLineUtf8("setup.exe /Q /S:Tools\\\xE7\x8E\x8B");
    EXPECT_EQ(RunSetup(), kExitWriteFailed);
    EXPECT_TRUE(NothingTemporaryLeft());
    EXPECT_EQ(fake::RegistrySetCount(), 0) << "nothing registered";
}

// --- who the run installs for ------------------------------------------------------------

const char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{S}";

class ScopeStartupTest : public StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        fs::create_directories(root_ / "user programs");
        fake::ScopeSetUserProgramFiles((root_ / "user programs").string());
    }
    // A setup of GUID {S} whose DefaultDir lies on the host, with `scope` and `extra` keys.
    void WriteScoped(const std::string& scope, const std::string& extra = std::string()) {
        fake::RegistrySetText(RegRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                              "ProgramFilesDir", (root_ / "machine").string() + "/");
        const std::string ini = "[Info]\r\nTitel = Scoped\r\nVersion = 1.0\r\nGUID = {S}\r\n"
                                "[Settings]\r\nDefaultDir = %ProgramFiles%Scoped\r\nScope = " +
                                scope + "\r\n" + extra;
        WriteSetup({{"setup.ini", ini}});
    }
    bool EntryIn(RegRoot root) { return fake::RegistryKeyExists(root, kEntryKey); }
    bool TempIsEmpty() { return NothingTemporaryLeft(); }
};

// Not elevated, a run for all users hands over to an elevated copy of itself: the same
// parameters, its exit code, and nothing written by this run (its folder goes too).
TEST_F(ScopeStartupTest, ANonElevatedMachineRunStartsItselfAgainElevated) {
    WriteScoped("machine");
    fake::SystemSetElevation(0);
    fake::ProcessSetCommandLine("\"" + exe_ + "\"  /Q \"/P:C:\\My Tools\" /L");
    fake::ScopeSetElevatedRun(ElevatedRun::Ended, kExitRestartRequired);
    EXPECT_EQ(RunSetup(), kExitRestartRequired);
    EXPECT_EQ(fake::ScopeElevatedRuns(),
              std::vector<std::string>{exe_ + "|/Q \"/P:C:\\My Tools\" /L"});
    EXPECT_EQ(fake::RegistrySetCount(), 0);
    EXPECT_FALSE(fs::exists(TempDirHost())) << "the elevated run unpacks its own";
    EXPECT_FALSE(fs::exists(root_ / "machine"));
    // "/L" alone: this run's log is its own file and says how the hand-over went.
    std::string text;
    for (const auto& e : fs::directory_iterator(root_ / "temp")) {
        std::ifstream in(e.path(), std::ios::binary);
        text += std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    EXPECT_NE(text.find("starts again elevated"), std::string::npos) << text;
    EXPECT_NE(text.find("The elevated run ended with exit code 3010"), std::string::npos) << text;
}

TEST_F(ScopeStartupTest, ADeclinedPromptEndsWithItsCodeAndWritesNothing) {
    WriteScoped("both");
    fake::SystemSetElevation(0);
    fake::ProcessSetCommandLine("setup.exe /Q /ALLUSERS");
    for (ElevatedRun answer : {ElevatedRun::Declined, ElevatedRun::Failed}) {
        fake::ScopeSetElevatedRun(answer, 0);
        EXPECT_EQ(RunSetup(), kExitElevationDeclined);
        EXPECT_EQ(fake::RegistrySetCount(), 0);
        EXPECT_TRUE(TempIsEmpty());
        EXPECT_FALSE(fs::exists(root_ / "machine"));
        EXPECT_FALSE(fs::exists(root_ / "user programs" / "Scoped"));
    }
    EXPECT_TRUE(HostMessageBoxes().empty());
}

// Deployment tools run as SYSTEM: an elevated run installs in place, for all users.
TEST_F(ScopeStartupTest, AnElevatedRunInstallsWithoutStartingAgain) {
    WriteScoped("machine");
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_TRUE(fake::ScopeElevatedRuns().empty());
    EXPECT_TRUE(EntryIn(RegRoot::LocalMachine));
    EXPECT_FALSE(EntryIn(RegRoot::CurrentUser));
    EXPECT_TRUE(fs::exists(root_ / "machine" / "Scoped" / "uninstall.dat"));
}

// A per-user run never asks: the user's program folder plus DefaultDir's last name, the
// user's uninstall entry, a log the uninstaller reads as per-user.
TEST_F(ScopeStartupTest, APerUserRunNeverElevatesAndStaysWithTheUser) {
    WriteScoped("user");
    fake::SystemSetElevation(0);
    EXPECT_EQ(RunSetup(), kExitOk);
    EXPECT_TRUE(fake::ScopeElevatedRuns().empty());
    const fs::path folder = root_ / "user programs" / "Scoped";
    EXPECT_EQ(wb::Setup.InstallDir, (root_ / "user programs").string() + "\\Scoped\\");
    EXPECT_TRUE(EntryIn(RegRoot::CurrentUser));
    EXPECT_FALSE(EntryIn(RegRoot::LocalMachine));
    std::string location;
    ASSERT_TRUE(fake::RegistryGetBytes(RegRoot::CurrentUser, kEntryKey, "InstallLocation", location));
    EXPECT_EQ(location, wb::Setup.InstallDir + std::string(1, '\0'));
    std::ifstream log(folder / "uninstall.dat", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Scope = user"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(root_ / "machine"));

    // Without the known folder (before Windows 7) the user's local application data.
    fake::ScopeSetUserProgramFiles("");
    fake::ShellSetFolder(28, (root_ / "local").string());
    EXPECT_EQ(UserProgramsFolder(), (root_ / "local").string() + "\\Programs\\");
}

// A switch for a scope the setup does not offer, or a scope that meets this program's
// installation in the other one, ends the run before anything is written.
TEST_F(ScopeStartupTest, AScopeNotOfferedIsRefusedBeforeAnythingIsWritten) {
    const struct {
        const char* Scope;
        const char* Switch;
        bool MachineEntry;
    } cases[] = {{"user", "/ALLUSERS", false},
                 {"machine", "/currentuser", false},
                 {"both", "/CURRENTUSER", true},
                 {"user", "", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Scope) + " " + c.Switch);
        fake::RegistryReset();
        if (c.MachineEntry) {
            fake::RegistrySetText(RegRoot::LocalMachine, kEntryKey, "InstallLocation", "C:\\Elsewhere\\");
        }
        WriteScoped(c.Scope);
        fake::ProcessSetCommandLine(std::string("setup.exe /Q ") + c.Switch);
        const int before = fake::RegistrySetCount();  // the test's own ProgramFilesDir
        EXPECT_EQ(RunSetup(), kExitScopeRefused);
        EXPECT_EQ(fake::RegistrySetCount(), before);
        EXPECT_TRUE(TempIsEmpty());
        EXPECT_FALSE(fs::exists(root_ / "machine"));
        EXPECT_FALSE(fs::exists(root_ / "user programs" / "Scoped"));
        EXPECT_TRUE(fake::ScopeElevatedRuns().empty());
    }
    EXPECT_TRUE(HostMessageBoxes().empty()) << "a quiet run shows nothing";

    // The wizard run says why, and ends with the same code.
    WriteScoped("user");
    fake::RegistryReset();
    fake::ProcessSetCommandLine("setup.exe /ALLUSERS");
    EXPECT_EQ(RunSetup(), kExitScopeRefused);
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_NE(HostMessageBoxes()[0].Text.find("/ALLUSERS"), std::string::npos);
}

// Install tasks that need machine rights are named in the log and not done; classes-root
// values and associations go to the user's own classes.
TEST_F(ScopeStartupTest, APerUserRunKeepsItsTasksInsideTheUsersRights) {
    const std::string log = (root_ / "setup.log").string();
    WriteScoped("user",
                "[UserTask]\r\nNumber = 4\r\n"
                "Task1 = 6|2147483650|Software\\Acme|Path|%InstallDir%\r\n"
                "Task2 = 6|2147483648|AcmeDoc\\shell|x|%InstallDir%\r\n"
                "Task3 = 9|%System%|helper.dll|1\r\n"
                "Task4 = 10|Scoped.exe|scd|Scoped Document|0||0\r\n");
    fake::SystemSetElevation(0);
    fake::ProcessSetCommandLine("setup.exe /Q \"/L:" + log + "\"");
    EXPECT_EQ(RunSetup(), kExitOk) << "the author was warned; the installation is complete";
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::LocalMachine, "Software\\Acme"));
    EXPECT_TRUE(fake::RegistryValueExists(RegRoot::CurrentUser, "Software\\Classes\\AcmeDoc\\shell", "x"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::ClassesRoot, "AcmeDoc\\shell"));
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::CurrentUser, "Software\\Classes\\.scd"));
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::ClassesRoot, ".scd"));
    std::ifstream in(log, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Install task 1 (kind 6): NOT done, a per-user installation cannot do it: "
                        "it writes a value under HKEY_LOCAL_MACHINE"),
              std::string::npos) << text;
    EXPECT_NE(text.find("Install task 3 (kind 9): NOT done"), std::string::npos) << text;
    EXPECT_TRUE(fake::ProcessRuns().empty()) << "regsvr32 never ran";
}

}  // namespace
}  // namespace wb
