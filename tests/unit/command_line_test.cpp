// The installer's switches as a user or a deployment script types them.
#include <gtest/gtest.h>

#include "startup/command_line.h"
#include "startup/startup.h"

namespace wb {
namespace {

SetupState Parse(const std::string& line) {
    SetupState s;
    s.HookMode = 77;  // defaults must be set by the parser itself
    s.QuietMode = 1;
    s.CmdProgDir = "stale";
    ParseCommandLine(line, s);
    return s;
}

TEST(CommandLine, DefaultsWithoutParameters) {
    SetupState s = Parse("\"C:\\dl\\setup.exe\"");
    EXPECT_EQ(s.QuietMode, 0);
    EXPECT_EQ(s.CmdProgDir, "");
    EXPECT_EQ(s.CmdStartMenu, "");
    EXPECT_EQ(s.HookMode, 1);
}

TEST(CommandLine, SwitchesIgnoreLetterCaseAndSkipTheThirdCharacter) {
    SetupState s = Parse("setup.exe /q /p:D:\\Apps /s:Tools\\Mine");
    EXPECT_EQ(s.QuietMode, 1);
    EXPECT_EQ(s.CmdProgDir, "D:\\Apps");
    EXPECT_EQ(s.CmdStartMenu, "Tools\\Mine");
    // The third character is skipped whatever it is.
    EXPECT_EQ(Parse("setup.exe /PD:\\Apps").CmdProgDir, ":\\Apps");
}

TEST(CommandLine, ProgramNameIsNotAParameterEvenWhenQuotedWithBlanks) {
    SetupState s = Parse("\"C:\\My Downloads\\setup /Q.exe\" /P:X");
    EXPECT_EQ(s.QuietMode, 0);
    EXPECT_EQ(s.CmdProgDir, "X");
}

TEST(CommandLine, BlanksInAValueNeedTheWholeParameterQuoted) {
    EXPECT_EQ(Parse("setup.exe \"/P:C:\\Some Dir\" /Q").CmdProgDir, "C:\\Some Dir");
    SetupState unquoted = Parse("setup.exe /P:C:\\Some Dir /Q");
    EXPECT_EQ(unquoted.CmdProgDir, "C:\\Some");
    EXPECT_EQ(unquoted.QuietMode, 1);  // "Dir" is a separate, ignored parameter
    // A tab does not separate parameters.
    EXPECT_EQ(Parse("setup.exe /P:A\tB").CmdProgDir, "A\tB");
}

TEST(CommandLine, AnEmptyQuotedParameterEndsTheList) {
    SetupState s = Parse("setup.exe /P:X \"\" /Q");
    EXPECT_EQ(s.CmdProgDir, "X");
    EXPECT_EQ(s.QuietMode, 0);
}

TEST(CommandLine, AnUnclosedQuoteRunsToTheEnd) {
    EXPECT_EQ(Parse("setup.exe \"/P:C:\\a b").CmdProgDir, "C:\\a b");
}

TEST(CommandLine, LaterSwitchOverridesEarlierAndUnknownOnesAreIgnored) {
    SetupState s = Parse("setup.exe /P:first /X:zzz Q /P:second");
    EXPECT_EQ(s.CmdProgDir, "second");
    EXPECT_EQ(s.QuietMode, 0);
}

TEST(CommandLine, EmptyFolderValuesOverrideNothing) {
    EXPECT_EQ(Parse("setup.exe /P").CmdProgDir, "");
    EXPECT_EQ(Parse("setup.exe /S:").CmdStartMenu, "");
}

TEST(CommandLine, HookModeIsADecimalNumberInOneByte) {
    EXPECT_EQ(Parse("s /R:2").HookMode, 2);
    EXPECT_EQ(Parse("s /r:3").HookMode, 3);
    EXPECT_EQ(Parse("s /R:0").HookMode, 0);
    EXPECT_EQ(Parse("s /R").HookMode, 0);
    EXPECT_EQ(Parse("s /R:x").HookMode, 0);
    EXPECT_EQ(Parse("s \"/R: \t +3junk\"").HookMode, 3);
    EXPECT_EQ(Parse("s /R:257").HookMode, 1);   // only the low byte is kept
    EXPECT_EQ(Parse("s /R:-1").HookMode, 255);  // neither hook runs
}

TEST(CommandLine, LeadingIntegerParsing) {
    EXPECT_EQ(ParseLeadingInt("  -42abc"), -42);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt(nullptr), 0);
    EXPECT_EQ(ParseLeadingInt("4294967298"), 2);  // wraps, never overflows
}

TEST(TempDir, NameIsTempPathGuidAndBackslash) {
    std::string guid = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
    EXPECT_EQ(MakeTempDirName("C:\\T\\", guid), "C:\\T\\" + guid + "\\");
}

}  // namespace
}  // namespace wb
