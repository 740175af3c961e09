// File-extension associations: the per-user and the machine-wide layout, chosen by the
// system version.
#include <gtest/gtest.h>

#include "fakes/fakes.h"
#include "install/association.h"

namespace wb {
namespace {

constexpr uint32_t kNewSystem = 0x0A280105;  // build bits set: per-user layout
constexpr uint32_t kOldSystem = 0x00000004;  // no build bits: machine-wide layout

std::string Text(RegRoot root, const std::string& key, const std::string& name = "") {
    std::string bytes;
    if (!fake::RegistryGetBytes(root, key, name, bytes)) return "<missing>";
    if (bytes.empty() || bytes.back() != '\0') return "<no NUL>";
    bytes.pop_back();
    return bytes;
}

class AssociationTest : public ::testing::Test {
protected:
    void SetUp() override { fake::ResetAll(); }
    void TearDown() override { fake::ResetAll(); }
};

TEST_F(AssociationTest, PerUserLayout) {
    fake::SystemSetVersion(kNewSystem);
    AssociateExtension("txt", "Text file", "C:\\Apps\\Ed\\ed.exe", "C:\\Apps\\Ed\\ed.exe,1");
    const auto cr = RegRoot::ClassesRoot;
    EXPECT_EQ(Text(cr, "Applications\\ed.exe\\shell\\open\\command"),
              "\"C:\\Apps\\Ed\\ed.exe\" \"%1\"");
    EXPECT_EQ(Text(cr, ".txt"), "txt_auto_file");
    EXPECT_EQ(Text(cr, "txt_auto_file"), "Text file");
    EXPECT_EQ(Text(cr, "txt_auto_file\\DefaultIcon"), "C:\\Apps\\Ed\\ed.exe,1");
    EXPECT_EQ(Text(RegRoot::CurrentUser,
                   "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt",
                   "Application"),
              "ed.exe");
    EXPECT_EQ(fake::RegistrySetCount(), 5);
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::LocalMachine, "Software\\Classes\\.txt"));
}

TEST_F(AssociationTest, MachineWideLayout) {
    fake::SystemSetVersion(kOldSystem);
    AssociateExtension("abc", "ABC data", "C:\\Program Files\\ABC Tool\\abc.exe", "abc.ico,0");
    const auto lm = RegRoot::LocalMachine;
    EXPECT_EQ(Text(lm, "Software\\Classes\\.abc"), "abc.exe");
    EXPECT_EQ(Text(lm, "Software\\Classes\\abc.exe"), "ABC data");
    EXPECT_EQ(Text(lm, "Software\\Classes\\abc.exe\\DefaultIcon"), "abc.ico,0");
    // The path with blanks stays whole inside its quotes.
    EXPECT_EQ(Text(lm, "Software\\Classes\\abc.exe\\shell\\open\\command"),
              "\"C:\\Program Files\\ABC Tool\\abc.exe\" \"%1\"");
    EXPECT_EQ(fake::RegistrySetCount(), 4);
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::ClassesRoot, ".abc"));
}

TEST_F(AssociationTest, EmptyDescriptionShowsTheProgramNameAndEmptyIconMakesNoIconKey) {
    fake::SystemSetVersion(kNewSystem);
    AssociateExtension("log", "", "C:\\A\\view.exe", "");
    EXPECT_EQ(Text(RegRoot::ClassesRoot, "log_auto_file"), "view.exe");
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::ClassesRoot, "log_auto_file\\DefaultIcon"));

    fake::SystemSetVersion(kOldSystem);
    AssociateExtension("log", "", "C:\\A\\view.exe", "");
    EXPECT_EQ(Text(RegRoot::LocalMachine, "Software\\Classes\\view.exe"), "view.exe");
    EXPECT_FALSE(fake::RegistryKeyExists(RegRoot::LocalMachine,
                                         "Software\\Classes\\view.exe\\DefaultIcon"));
}

TEST_F(AssociationTest, AFailedRowLeavesTheOthersWritten) {
    const char* rows[] = {"Software\\Classes\\.abc", "Software\\Classes\\abc.exe",
                          "Software\\Classes\\abc.exe\\DefaultIcon",
                          "Software\\Classes\\abc.exe\\shell\\open\\command"};
    for (int failing = 0; failing < 4; ++failing) {
        SCOPED_TRACE(failing);
        fake::ResetAll();
        fake::SystemSetVersion(kOldSystem);
        fake::RegistryFailCall(failing + 1, failing % 2);  // key refused, or value refused
        AssociateExtension("abc", "", "C:\\A\\abc.exe", "abc.exe,1");
        EXPECT_EQ(fake::RegistrySetCount(), 4);
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(Text(RegRoot::LocalMachine, rows[row]) == "<missing>", row == failing)
                << rows[row];
        }
    }
}

TEST_F(AssociationTest, NoExtensionWritesNothing) {
    AssociateExtension("", "x", "C:\\A\\abc.exe", "");
    EXPECT_EQ(fake::RegistrySetCount(), 0);
}

}  // namespace
}  // namespace wb
