// The uninstall entry: its seven values under HKEY_LOCAL_MACHINE, its name, and what
// happens without the rights to write it.
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "install/uninstall_entry.h"
#include "platform/system_info.h"
#include "state/setup_state.h"

namespace wb {
namespace {

using namespace std::string_literals;

constexpr char kBase[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class UninstallEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetAll();
        wb::Setup = SetupState{};
    }
    void TearDown() override {
        wb::Setup = SetupState{};
        fake::ResetAll();
    }
    static void Register(const std::string& fallback = "My Tool") {
        RegisterUninstall(fallback, "Tool  2.0", "ACME", "http://acme.example", "a@acme.example",
                          "C:\\Program Files\\Tool\\tool.exe",
                          "C:\\Program Files\\Tool\\uninstall.exe");
    }
    static std::string Value(const std::string& entry, const char* name) {
        std::string bytes;
        if (!fake::RegistryGetBytes(RegRoot::LocalMachine, kBase + entry, name, bytes)) {
            return "<missing>";
        }
        return bytes;
    }
};

TEST_F(UninstallEntryTest, SevenValuesWithAQuotedCommand) {
    wb::Setup.GUID = "{G-1}";
    Register();
    EXPECT_EQ(Value("{G-1}", "DisplayName"), "Tool  2.0\0"s);
    EXPECT_EQ(Value("{G-1}", "DisplayIcon"), "C:\\Program Files\\Tool\\tool.exe\0"s);
    EXPECT_EQ(Value("{G-1}", "Publisher"), "ACME\0"s);
    EXPECT_EQ(Value("{G-1}", "URLInfoAbout"), "http://acme.example\0"s);
    EXPECT_EQ(Value("{G-1}", "HelpLink"), "http://acme.example\0"s);
    EXPECT_EQ(Value("{G-1}", "Contact"), "a@acme.example\0"s);
    EXPECT_EQ(Value("{G-1}", "UninstallString"), "\"C:\\Program Files\\Tool\\uninstall.exe\"\0"s);
    // Seven values, then the seven that deployment tools read.
    EXPECT_EQ(fake::RegistrySetCount(), 14);
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::LocalMachine, kBase + std::string("My Tool")));
}

TEST_F(UninstallEntryTest, NamedByTheShortcutNameWithoutGuid) {
    Register("My Tool");
    EXPECT_EQ(Value("My Tool", "DisplayName"), "Tool  2.0\0"s);
    // Neither an empty GUID nor an empty fallback puts values on the list's own key.
    fake::RegistryReset();
    Register("");
    EXPECT_EQ(fake::RegistrySetCount(), 0);
}

TEST_F(UninstallEntryTest, NoUninstallSupportMakesNoEntry) {
    wb::Setup.GUID = "{G}";
    wb::Setup.NoUninstall = 1;
    Register();
    EXPECT_EQ(fake::RegistrySetCount(), 0);
}

TEST_F(UninstallEntryTest, CommandAlreadyInQuotesIsLeftAlone) {
    wb::Setup.GUID = "{G}";
    RegisterUninstall("x", "", "", "", "", "", "\"C:\\A B\\uninstall.exe\"");
    EXPECT_EQ(Value("{G}", "UninstallString"), "\"C:\\A B\\uninstall.exe\"\0"s);
    // Empty values are still written, as empty strings.
    EXPECT_EQ(Value("{G}", "Publisher"), std::string(1, '\0'));
}

TEST_F(UninstallEntryTest, FailuresOnCue) {
    const char* names[] = {"DisplayName", "DisplayIcon", "Publisher", "URLInfoAbout",
                           "HelpLink", "Contact", "UninstallString"};
    for (int failing = 0; failing < 7; ++failing) {
        SCOPED_TRACE(failing);
        // A value that cannot be set is skipped; the others are still written.
        fake::RegistryReset();
        wb::Setup.GUID = "{G}";
        fake::RegistryFailCall(failing + 1, 1);
        Register();
        for (int v = 0; v < 7; ++v) {
            EXPECT_EQ(Value("{G}", names[v]) == "<missing>", v == failing) << names[v];
        }
        // A key that cannot be created or opened ends the registration there.
        fake::RegistryReset();
        fake::RegistryFailCall(failing + 1, 0);
        Register();
        EXPECT_EQ(fake::RegistrySetCount(), failing + 1);
        for (int v = 0; v < 7; ++v) {
            EXPECT_EQ(Value("{G}", names[v]) == "<missing>", v >= failing) << names[v];
        }
    }
}

TEST_F(UninstallEntryTest, TheValuesDeploymentToolsRead) {
    wb::Setup.GUID = "{G-1}";
    wb::Setup.Version = "2.0.1";
    wb::Setup.InstallDir = "C:\\Program Files\\Tool\\";
    wb::Setup.InstalledBytes = 1024 * 1024 + 1;  // a byte over 1 MiB takes another KiB
    fake::SystemSetNow(CalendarTime{2027, 3, 4, 23, 59, 59});
    Register();
    EXPECT_EQ(Value("{G-1}", "DisplayVersion"), "2.0.1\0"s);
    EXPECT_EQ(Value("{G-1}", "InstallLocation"), "C:\\Program Files\\Tool\\\0"s);
    EXPECT_EQ(Value("{G-1}", "QuietUninstallString"),
              "\"C:\\Program Files\\Tool\\uninstall.exe\" /Q\0"s);
    // REG_DWORD values are four bytes, low byte first.
    EXPECT_EQ(Value("{G-1}", "EstimatedSize"), "\x01\x04\0\0"s);
    EXPECT_EQ(Value("{G-1}", "InstallDate"), "20270304\0"s) << "the local date, no time";
    EXPECT_EQ(Value("{G-1}", "NoModify"), "\x01\0\0\0"s);
    EXPECT_EQ(Value("{G-1}", "NoRepair"), "\x01\0\0\0"s);
}

TEST_F(UninstallEntryTest, SizeInKiBRoundsUpAndSaturates) {
    EXPECT_EQ(SizeInKiB(0), 0u);
    EXPECT_EQ(SizeInKiB(-5), 0u);
    EXPECT_EQ(SizeInKiB(1), 1u);
    EXPECT_EQ(SizeInKiB(1024), 1u);
    EXPECT_EQ(SizeInKiB(1025), 2u);
    EXPECT_EQ(SizeInKiB(int64_t(1) << 52), 0xFFFFFFFFu);
}

TEST_F(UninstallEntryTest, SecondRegistrationOverwritesTheSameEntry) {
    wb::Setup.GUID = "{G}";
    Register();
    RegisterUninstall("y", "Tool  3.0", "", "", "", "", "D:\\T\\uninstall.exe");
    EXPECT_EQ(Value("{G}", "DisplayName"), "Tool  3.0\0"s);
    EXPECT_EQ(Value("{G}", "UninstallString"), "\"D:\\T\\uninstall.exe\"\0"s);
}

}  // namespace
}  // namespace wb
