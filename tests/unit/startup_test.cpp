// The start-up sequence over the host's files and fakes of the other services: what lands
// in the temporary setup folder, the running-program warning, and damaged setups.
#include <gtest/gtest.h>

#include "unit/test_support.h"

#include <filesystem>
#include <functional>
#include <fstream>

#include "config/language_table.h"
#include "fakes/fakes.h"
#include "platform/posix/host_window.h"
#include "startup/setup_state.h"
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
    EXPECT_EQ(wb::Setup.TempDir, (root_ / "temp").string() + "/" +
                                 "{00000000-0000-0000-0000-000000000001}\\");
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
    EXPECT_TRUE(fs::is_empty(root_ / "temp"));
    EXPECT_TRUE(HostMessageBoxes().empty());
}

TEST_F(StartupTest, WithoutAPackageTheWizardRunSaysSoOnceAndEndsWithCode0) {
    std::ofstream(exe_, std::ios::binary) << std::string(3000, 'M');
    fake::ProcessSetCommandLine("setup.exe");
    EXPECT_EQ(RunSetup(), kExitOk);
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    EXPECT_EQ(HostMessageBoxes()[0].Text, kDamagedSetupText);
    EXPECT_EQ(HostMessageBoxes()[0].Kind, MessageBoxKind::ErrorOk);
    EXPECT_TRUE(fs::is_empty(root_ / "temp"));
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
    EXPECT_TRUE(fs::is_empty(root_ / "temp"));
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
        {"no temporary folder", [] { fake::ShellSetTempFolder(""); }, "temporary folder cannot be found"},
        {"a temporary folder whose characters became '?'",
         [this] { fake::ShellSetTempFolder((root_ / "temp").string() + "/?/"); },
         "cannot be written in this system's code page"},
        {"a temporary folder that cannot be made",
         [this] { fake::ShellSetTempFolder((root_ / "temp" / "missing").string() + "/"); },
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
            EXPECT_TRUE(fs::is_empty(root_ / "temp")) << "nothing unpacked is left";
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
    EXPECT_TRUE(fs::is_empty(root_ / "temp"));
    EXPECT_EQ(fake::RegistrySetCount(), 0) << "nothing registered";
}

}  // namespace
}  // namespace wb
