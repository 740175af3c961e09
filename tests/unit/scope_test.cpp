// Who a run installs for, and what an elevated run trusts: the scope decision, the scope
// switches, the tasks a per-user installation cannot do, the administrators' folders, and
// an earlier copy's uninstaller that must not run with administrator rights.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/install_scope.h"
#include "fakes/fakes.h"
#include "install/elevated_trust.h"
#include "install/upgrade.h"
#include "log/install_log.h"
#include "startup/command_line.h"
#include "state/setup_state.h"
#include "unit/test_support.h"

namespace wb {
namespace {

namespace fs = std::filesystem;
using O = ScopeOffer;
using S = ScopeSwitch;
using C = ScopeChoice;

TEST(Scope, TheDecisionFollowsOfferSwitchInstallationAndElevation) {
    const struct {
        O Offer;
        S Switch;
        int Elevation;
        bool Machine, User;
        C Want;
    } cases[] = {
        {O::Machine, S::None, 0, false, false, C::Machine},  // elevates later
        {O::Machine, S::AllUsers, 1, false, false, C::Machine},
        {O::Machine, S::CurrentUser, 1, false, false, C::Refused},
        {O::User, S::None, 1, false, false, C::User},  // even elevated
        {O::User, S::AllUsers, 0, false, false, C::Refused},
        {O::Both, S::None, 1, false, false, C::Machine},
        {O::Both, S::None, 0, false, false, C::User},
        {O::Both, S::None, -1, false, false, C::User},
        {O::Both, S::None, 1, false, true, C::User},     // follows this user's installation
        {O::Both, S::None, 0, true, false, C::Machine},  // follows the machine's
        {O::Both, S::CurrentUser, 1, true, false, C::Refused},  // never two at once
        {O::Both, S::AllUsers, 0, false, true, C::Refused},
        {O::Both, S::None, 1, true, true, C::Refused},
        {O::Machine, S::None, 1, false, true, C::Refused},
    };
    for (const auto& c : cases) {
        ScopeFacts f;
        f.Offer = c.Offer;
        f.Switch = c.Switch;
        f.Elevation = c.Elevation;
        f.MachineEntry = c.Machine;
        f.UserEntry = c.User;
        EXPECT_EQ(DecideScope(f), c.Want)
            << int(c.Offer) << " " << int(c.Switch) << " " << c.Elevation << " " << c.Machine
            << c.User;
    }
}

TEST(Scope, TheKeyAndTheSwitchesAreReadAsAdministratorsWriteThem) {
    ScopeOffer offer;
    EXPECT_TRUE(ParseScopeOffer("", offer));
    EXPECT_EQ(offer, O::Machine);
    EXPECT_TRUE(ParseScopeOffer(" User ", offer));
    EXPECT_EQ(offer, O::User);
    EXPECT_TRUE(ParseScopeOffer("BOTH", offer));
    EXPECT_EQ(offer, O::Both);
    EXPECT_FALSE(ParseScopeOffer("everyone", offer));
    EXPECT_EQ(offer, O::Machine) << "an unknown value keeps the default";

    SetupState state;
    ParseCommandLine("setup.exe /q /allusers", state);
    EXPECT_EQ(state.CmdScope, S::AllUsers);
    EXPECT_EQ(state.QuietMode, 1);
    ParseCommandLine("setup.exe /ALLUSERS /CurrentUser", state);
    EXPECT_EQ(state.CmdScope, S::CurrentUser) << "the last one given";
    // Not a scope switch: a longer word, and the one-letter switches' values are untouched.
    ParseCommandLine("setup.exe /ALLUSERSX \"/P:C:\\ALLUSERS\"", state);
    EXPECT_EQ(state.CmdScope, S::None);
    EXPECT_EQ(state.CmdProgDir, "C:\\ALLUSERS");

    EXPECT_EQ(CommandLineTail("\"C:\\My Setup.exe\"   /Q \"/P:C:\\a b\" /L"),
              "/Q \"/P:C:\\a b\" /L");
    EXPECT_EQ(CommandLineTail("setup.exe"), "");
    EXPECT_EQ(CommandLineTail("  setup.exe /Q"), "/Q");
}

TEST(Scope, TasksThatNeedMachineRightsAreNamed) {
    auto reason = [](std::vector<std::string> fields) { return MachineOnlyTaskReason(fields); };
    EXPECT_NE(reason({"6", "2147483650", "Software\\Acme", "x", ""}), "");
    EXPECT_EQ(reason({"6", "2147483649", "Software\\Acme", "x", ""}), "");
    EXPECT_EQ(reason({"6", "2147483648", "AcmeDoc", "x", ""}), "") << "goes to the user's classes";
    EXPECT_NE(reason({"9", "%ProgDir%", "server.dll", "1"}), "") << "regsvr32 writes the machine's";
    EXPECT_EQ(reason({"9", "%ProgDir%tools\\", "setup.exe", "0"}), "");
    EXPECT_NE(reason({"9", "%System%", "helper.dll", "0"}), "");
    EXPECT_NE(reason({"5", "Link", "a.url", "%CommonFiles%Acme\\"}), "");
    EXPECT_EQ(reason({"5", "Link", "a.url", "%ProgDir%"}), "");
    EXPECT_EQ(reason({"10", "tool.exe", "acme"}), "") << "associations go to the user's classes";
    EXPECT_EQ(reason({"0", "Tool", "tool.exe"}), "");

    uint32_t root = 0x80000000u;
    std::string key = "AcmeDoc\\shell";
    EXPECT_TRUE(UserClassesInstead(root, key));
    EXPECT_EQ(root, 0x80000001u);
    EXPECT_EQ(key, "Software\\Classes\\AcmeDoc\\shell");
    root = 0x80000002u;
    EXPECT_FALSE(UserClassesInstead(root, key));
}

TEST(ElevatedTrust, OnlyTheAdministratorsFoldersAreTrusted) {
    fake::ResetAll();
    fake::ScopeSetAdminOnlyFolders({"C:\\Program Files", "C:\\Program Files (x86)\\"});
    EXPECT_TRUE(OnlyAdministratorsWrite("C:\\Program Files\\Tool\\uninstall.exe"));
    EXPECT_TRUE(OnlyAdministratorsWrite("c:\\program files (x86)\\Tool\\uninstall.dat"));
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\Program Files Evil\\uninstall.exe"));
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\Program Files\\..\\Users\\a\\uninstall.exe"));
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\Program Files\\.\\x.exe"));
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\PROGRA~1\\Tool\\uninstall.exe")) << "a short name";
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\Program Files"));
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\Tools\\uninstall.exe"));
    EXPECT_FALSE(OnlyAdministratorsWrite("\\\\server\\Program Files\\x.exe"));
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\Users\\a\\AppData\\Local\\Programs\\x.exe"));
    fake::ScopeSetAdminOnlyFolders({});
    EXPECT_FALSE(OnlyAdministratorsWrite("C:\\Program Files\\Tool\\uninstall.exe"));

    fake::SystemSetElevation(1);
    EXPECT_TRUE(RunsElevated());
    fake::SystemSetElevation(-1);
    EXPECT_TRUE(RunsElevated()) << "unknown counts as elevated";
    fake::SystemSetElevation(0);
    EXPECT_FALSE(RunsElevated());
}

// The upgrade path would run the earlier copy's uninstaller; its GUID is public, so with
// administrator rights that happens only where ordinary users cannot have put a program.
class EarlierCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        wb::Setup = SetupState{};
        root_ = FreshTestDir("wb-earlier-").string() + "/";
        fs::create_directories(root_ + "old");
        std::ofstream(root_ + "old/uninstall.dat") << "[Settings]\r\nGUID = {E}\r\n";
        std::ofstream(root_ + "old/uninstall.exe") << "MZ";
        fake::RegistrySetText(RegRoot::LocalMachine,
                              "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{E}",
                              "InstallLocation", root_ + "old");
        earlier_ = root_ + "old\\";  // as the entry's folder is read
        wb::Setup.GUID = "{E}";
        wb::Setup.InstallDir = root_ + "new\\";
        wb::Setup.TempDir = root_;
        ASSERT_TRUE(OpenInstallLog(root_ + "setup.log"));
    }
    void TearDown() override {
        CloseInstallLog();
        fs::remove_all(root_);
    }
    std::string Log() {
        CloseInstallLog();
        std::ifstream in(root_ + "setup.log", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string root_, earlier_;
};

TEST_F(EarlierCopyTest, AnElevatedRunNeverStartsAnUninstallerUsersCouldHavePut) {
    fake::SystemSetElevation(1);
    RemoveEarlierCopyElsewhere();
    EXPECT_TRUE(fake::LaunchCalls().empty());
    const std::string log = Log();
    EXPECT_NE(log.find("REFUSED to start " + earlier_ + "uninstall.exe with administrator rights"),
              std::string::npos)
        << log;
    EXPECT_TRUE(fs::exists(root_ + "old/uninstall.exe"));
}

// An ordinary user's run (a per-user upgrade) starts nothing the user could not start
// anyway. The trusted elevated case needs drive paths: the Wine test moves a copy under
// Program Files.
TEST_F(EarlierCopyTest, AnOrdinaryUsersRunRemovesTheEarlierCopyAsBefore) {
    fake::SystemSetElevation(0);
    RemoveEarlierCopyElsewhere();
    ASSERT_EQ(fake::LaunchCalls().size(), 1u);
    EXPECT_NE(fake::LaunchCalls()[0].CommandLine.find(earlier_ + "uninstall.exe\" /Q"),
              std::string::npos)
        << fake::LaunchCalls()[0].CommandLine;
}

}  // namespace
}  // namespace wb
