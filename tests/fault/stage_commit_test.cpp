// Stage, then commit, through the in-memory disk: a fresh installation and an upgrade are
// made to fail at every file call in turn (open, create, read, write, close, rename), and
// each time the run either ends with a failure code and the disk and the registry exactly
// as they were, or succeeds with the whole new version. Too little room, a full disk, a
// file held open, a restart that cannot be scheduled and a killed run's leftovers too.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fakes/fakes.h"
#include "config/language_table.h"
#include "config/setup_description.h"
#include "contract/contract.h"
#include "install/install_sequence.h"
#include "install/install_wizard.h"
#include "install/package_files.h"
#include "install/staging.h"
#include "package/package_reader.h"
#include "platform/files.h"
#include "platform/posix/host_window.h"
#include "startup/finish.h"
#include "state/setup_state.h"
#include "unit/test_support.h"

namespace wb {
namespace {

constexpr uint64_t kTime = 116444736000000000ull + 1577934245ull * 10000000ull;
const char* const kTemp = "C:\\Temp\\{G}\\";
const char* const kTarget = "C:\\Program Files\\Tool\\";
const char* const kGuid = "{5A0C1B2D-3E4F-4A5B-8C9D-0E1F2A3B4C5D}";

using Files = std::map<std::string, std::string>;

std::string Text(size_t n, const std::string& seed) {
    std::string s;
    while (s.size() < n) s += "line of program " + seed + " text\r\n";
    s.resize(n);
    return s;
}

// A version of the program: a stored file large enough for several chunks, compressed
// ones, one in a folder, an empty one, and the uninstaller's pair.
Files Version(const std::string& v) {
    return {{"big.dat", Text(700 * 1024, "big " + v)},
            {"Tool.exe", Text(20000, "tool " + v)},
            {"Lib\\helper.dll", Text(9000, "helper " + v)},
            {"empty.log", ""},
            {"uninstall.exe", Text(3000, "uninstaller " + v)},
            {"uninstall.dat", "[Settings]\r\nProgName = Tool\r\nVersion = " + v + "\r\n"}};
}

std::string SetupIni(const std::string& v) {
    return "[Info]\r\nTitel = Tool\r\nVersion = " + v + "\r\nGUID = " + kGuid +
           "\r\n[Settings]\r\nProgExe = Tool.exe\r\n[StartMenue]\r\nProgLink = Tool\r\n"
           "[Task]\r\nDesktop = 1\r\nStartMenu = 0\r\nNoUninstall = 0\r\n";
}

// The whole machine but the setup's own temporary folder.
struct Machine {
    Files Disk;
    std::vector<std::string> Folders;
    std::vector<std::string> Registry;
    bool operator==(const Machine&) const = default;
};

Machine Snapshot() {
    Machine m;
    for (const std::string& path : fake::FilesList()) {
        if (path.rfind("c:\\temp\\", 0) == 0) continue;
        fake::FilesGet(path, m.Disk[path]);
    }
    for (const std::string& f : fake::FilesFolders()) {
        if (f.rfind("c:\\temp", 0) != 0) m.Folders.push_back(f);
    }
    m.Registry = fake::RegistryDump();
    return m;
}

std::string Describe(const Machine& m) {
    std::string text;
    for (const auto& [path, bytes] : m.Disk) text += path + " (" + std::to_string(bytes.size()) + ")\n";
    for (const std::string& f : m.Folders) text += f + "\\\n";
    for (const std::string& r : m.Registry) text += r.substr(0, 120) + "\n";
    return text;
}

class StageCommitTest : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetAll(); }
    void TearDown() override {
        wb::Setup = SetupState{};
        fake::ResetAll();
    }

    // The setup of version `v` in its temporary folder, as start-up leaves it.
    void PutSetup(const std::string& v) {
        fake::FilesPut(std::string(kTemp) + "setup.pck",
                       PackageBytes({"Lib\\", "Logs\\"}, Version(v), kTime));
        fake::FilesPut(std::string(kTemp) + "setup.ini", SetupIni(v));
    }

    // One quiet run from a fresh Setup state; the code a deployment tool sees.
    unsigned RunQuiet() {
        wb::Setup = SetupState{};
        wb::Setup.QuietMode = 1;
        wb::Setup.TempDir = kTemp;
        wb::Setup.SetupIni = std::string(kTemp) + "setup.ini";
        wb::Setup.CmdProgDir = kTarget;
        ReadStartupKeys();
        return FinishQuietRun(InstallQuietly());
    }

    // A clean machine, or one with version 1.0 installed and the 2.0 setup waiting.
    void Prepare(bool upgrade) {
        fake::ResetAll();
        if (upgrade) {
            PutSetup("1.0");
            ASSERT_EQ(RunQuiet(), kExitOk);
        }
        PutSetup("2.0");
    }

    // Every file of version `v` is in the installation folder, whole.
    void ExpectVersion(const std::string& v) {
        for (const auto& [name, data] : Version(v)) {
            if (name == "uninstall.dat") continue;  // completed by the installation
            std::string got;
            ASSERT_TRUE(fake::FilesGet(kTarget + name, got)) << name;
            EXPECT_TRUE(got == data) << name << " is not the file of version " << v;
        }
    }

    void ExpectNoStaging() {
        for (const std::string& f : fake::FilesFolders()) {
            EXPECT_EQ(f.find(kStagingFolderPrefix), std::string::npos) << f;
        }
    }

    // Fails each call of kind `call` in turn, on a clean machine or over version 1.0.
    // Returns how many runs failed (each checked to have left the machine as it was).
    int FailEveryCall(fake::FileCall call, bool upgrade, uint32_t error = 5) {
        int failedRuns = 0;
        for (int nth = 1; nth < 400; ++nth) {
            SCOPED_TRACE("call " + std::to_string(nth));
            Prepare(upgrade);
            const Machine before = Snapshot();
            fake::FilesSetFailError(error);
            fake::FilesFailCall(call, nth);
            const unsigned code = RunQuiet();
            if (!fake::FilesFailureHappened()) {
                EXPECT_EQ(code, kExitOk);
                break;
            }
            EXPECT_EQ(fake::FilesOpenHandles(), 0);
            if (code == kExitOk) {
                // The failure came after the commit (the logs): the new version is whole.
                ExpectVersion("2.0");
                continue;
            }
            ++failedRuns;
            const Machine after = Snapshot();
            EXPECT_TRUE(after == before) << "exit code " << code << "\nbefore:\n"
                                         << Describe(before) << "after:\n" << Describe(after);
        }
        return failedRuns;
    }
};

TEST_F(StageCommitTest, InstallsAndUpgradesWholeWhenNothingFails) {
    Prepare(false);
    EXPECT_EQ(RunQuiet(), kExitOk);
    ExpectVersion("2.0");
    ExpectNoStaging();
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::LocalMachine, UninstallKeyFor(kGuid, "Tool")));

    Prepare(true);
    EXPECT_EQ(RunQuiet(), kExitOk);
    ExpectVersion("2.0");
    ExpectNoStaging();
}

TEST_F(StageCommitTest, EveryFailedCallOfAFreshInstallationLeavesTheMachineAsItWas) {
    EXPECT_GE(FailEveryCall(fake::FileCall::Write, false), 4);
    EXPECT_GE(FailEveryCall(fake::FileCall::Close, false), 6);
    EXPECT_GE(FailEveryCall(fake::FileCall::Create, false), 6);
    EXPECT_GE(FailEveryCall(fake::FileCall::Move, false), 6);
    EXPECT_GE(FailEveryCall(fake::FileCall::Read, false), 3);
    EXPECT_GE(FailEveryCall(fake::FileCall::Open, false), 1);
}

TEST_F(StageCommitTest, EveryFailedCallOfAnUpgradeKeepsTheEarlierVersionWholeAndRegistered) {
    // Six renames place the files and six more move the earlier ones aside.
    EXPECT_GE(FailEveryCall(fake::FileCall::Move, true), 12);
    EXPECT_GE(FailEveryCall(fake::FileCall::Write, true), 4);
    EXPECT_GE(FailEveryCall(fake::FileCall::Create, true), 6);
    EXPECT_GE(FailEveryCall(fake::FileCall::Close, true), 6);
    EXPECT_GE(FailEveryCall(fake::FileCall::Read, true), 3);
    Prepare(true);
    ExpectVersion("1.0");
}

TEST_F(StageCommitTest, AFullDiskEndsWithItsOwnCode) {
    Prepare(true);
    const Machine before = Snapshot();
    fake::FilesSetFailError(112);
    fake::FilesFailCall(fake::FileCall::Write, 3);
    EXPECT_EQ(RunQuiet(), kExitDiskFull);
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(StageCommitTest, TooLittleRoomWritesNothing) {
    for (bool upgrade : {false, true}) {
        Prepare(upgrade);
        const Machine before = Snapshot();
        fake::FilesSetFreeBytes(700 * 1024);
        EXPECT_EQ(RunQuiet(), kExitDiskFull);
        EXPECT_TRUE(Snapshot() == before);
        EXPECT_GT(wb::Setup.RoomNeeded, 700 * 1024 + 20000);
        EXPECT_EQ(wb::Setup.RoomFree, 700 * 1024);
    }
    // Just enough room installs; a volume that cannot tell its room is tried.
    Prepare(false);
    fake::FilesSetFreeBytes(0, false);
    EXPECT_EQ(RunQuiet(), kExitOk);
    ExpectVersion("2.0");
}

TEST_F(StageCommitTest, AFileHeldOpenIsReplacedAtTheRestartAndNothingElseWaits) {
    Prepare(true);
    fake::FilesHold(std::string(kTarget) + "Lib\\helper.dll");
    EXPECT_EQ(RunQuiet(), kExitRestartRequired);
    std::string held;
    ASSERT_TRUE(fake::FilesGet(std::string(kTarget) + "Lib\\helper.dll", held));
    EXPECT_TRUE(held == Version("1.0").at("Lib\\helper.dll")) << "the held file is untouched";
    const std::vector<std::string> moves = fake::FilesMovesAtRestart();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_NE(moves[0].find(">c:\\program files\\tool\\lib\\helper.dll"), std::string::npos);
    EXPECT_TRUE(fake::RegistryKeyExists(RegRoot::LocalMachine, UninstallKeyFor(kGuid, "Tool")));
    // The staging folder goes at the restart, after the move.
    ASSERT_FALSE(fake::ProcessDeletesAtRestart().empty());
    EXPECT_NE(fake::ProcessDeletesAtRestart().back().find(kStagingFolderPrefix),
              std::string::npos);

    fake::FilesRestart();
    ExpectVersion("2.0");
}

TEST_F(StageCommitTest, AFileHeldOpenWhoseReplacementCannotBeScheduledRollsBack) {
    Prepare(true);
    const Machine before = Snapshot();
    fake::FilesHold(std::string(kTarget) + "Tool.exe");
    fake::FilesFailCall(fake::FileCall::MoveAtRestart, 1);
    EXPECT_EQ(RunQuiet(), kExitFileInUse);
    EXPECT_TRUE(Snapshot() == before) << Describe(Snapshot());
    // Nothing waits for the restart that could bring the new file back.
    fake::FilesRestart();
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(StageCommitTest, CancellingTheWizardWhileFilesAreStagedTakesThemBack) {
    Prepare(true);
    const Machine before = Snapshot();
    wb::Setup = SetupState{};
    wb::Setup.TempDir = kTemp;
    wb::Setup.InstallDir = kTarget;
    // The user presses Cancel while the third entry is unpacked.
    static int entries = 0;
    entries = 0;
    InstallProgress.SetPosition = [](int32_t) {
        if (++entries == 3) wb::Setup.Cancelled = 1;
    };
    EXPECT_EQ(InstallPackageFiles(true), kExitNotInstalled);
    InstallProgress = InstallProgressHooks{};
    EXPECT_EQ(entries, 3) << "no entry after the cancel";
    EXPECT_TRUE(Snapshot() == before) << Describe(Snapshot());
}

TEST_F(StageCommitTest, TheWizardSaysHowMuchRoomIsNeededAndFreeAndChangesNothing) {
    Prepare(true);
    const Machine before = Snapshot();
    fake::FilesSetFreeBytes(700 * 1024);
    wb::Setup = SetupState{};
    wb::Setup.TempDir = kTemp;
    wb::Setup.SetupIni = std::string(kTemp) + "setup.ini";
    ReadStartupKeys();
    LoadSetupDescription();
    CreateLanguageTable();
    HostWindowReset();
    InstallFromWizard({.ProgDir = kTarget, .StartMenu = "C:\\Menu\\Tool", .DesktopIcon = true},
                      InstallSink{});
    // The files of 2.0 in whole 4 KB clusters, its folders, and 256 KB for the logs.
    ASSERT_EQ(HostMessageBoxes().size(), 1u);
    const std::string text = HostMessageBoxes()[0].Text;
    EXPECT_NE(text.find("1012 KB are needed, 700 KB are free"), std::string::npos) << text;
    EXPECT_TRUE(Snapshot() == before) << Describe(Snapshot());
    EXPECT_EQ(wb::Setup.StartProg, 0);
}

TEST_F(StageCommitTest, TheNextRunClearsWhatAKilledRunStagedAndCompletes) {
    Prepare(true);
    // A run killed during its commit: its staging folder with a staged file and a file it
    // had moved aside, and the program file it had not put back.
    const std::string killed = std::string(kTarget) + kStagingFolderPrefix + "77\\";
    std::string exe;
    ASSERT_TRUE(fake::FilesGet(std::string(kTarget) + "Tool.exe", exe));
    fake::FilesPut(killed + "0001", "half a file");
    fake::FilesPut(killed + "0002.old", exe);
    ASSERT_TRUE(FileDelete((std::string(kTarget) + "Tool.exe").c_str()));

    EXPECT_EQ(RunQuiet(), kExitOk);
    ExpectVersion("2.0");
    ExpectNoStaging();
}

TEST_F(StageCommitTest, ADamagedBlockFoundWhileStagingRestoresTheEarlierVersion) {
    Prepare(true);
    const Machine before = Snapshot();
    const std::string pck = std::string(kTemp) + "setup.pck";
    std::string bytes;
    ASSERT_TRUE(fake::FilesGet(pck, bytes));
    // The last entry of the data area, compressed: every other file is staged by then.
    ASSERT_EQ(OpenPackage(pck.c_str(), nullptr, PackageHost::Standalone), 1);
    const PackageEntry last = Package.Entries.back();
    ClosePackage();
    ASSERT_EQ(last.Name, "uninstall.exe");
    ASSERT_LT(last.PackedSize, last.Size);
    const size_t at = size_t(last.DataOffset + last.PackedSize / 2);
    bytes[at] = char(bytes[at] ^ 0x5A);
    fake::FilesPut(pck, bytes);
    EXPECT_EQ(RunQuiet(), kExitDamaged);
    EXPECT_TRUE(Snapshot() == before) << Describe(Snapshot());
    ExpectVersion("1.0");
}

}  // namespace
}  // namespace wb
