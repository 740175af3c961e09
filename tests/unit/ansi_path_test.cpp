// Paths the ANSI code page cannot carry: the lossy conversion is detected, and a path is
// used by its short name or not at all, never with "?" in it.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/ansi_path.h"

namespace wb {
namespace {

// A made-up system: the code page carries ASCII only; short names as the test sets them.
std::map<std::wstring, std::wstring> g_short;

bool AsciiOnly(const std::wstring& wide, std::string& ansi) {
    ansi.clear();
    bool whole = true;
    for (wchar_t c : wide) {
        whole = whole && c < 0x80;
        ansi += c < 0x80 ? char(c) : '?';
    }
    return whole;
}

bool ShortOf(const std::wstring& wide, std::wstring& shortPath) {
    auto found = g_short.find(wide);
    if (found == g_short.end()) return false;
    shortPath = found->second;
    return true;
}

const AnsiPathCalls kCalls{AsciiOnly, ShortOf};

TEST(AnsiPath, AQuestionMarkInAPathIsALostCharacter) {
    EXPECT_TRUE(PathLostCharacters("C:\\Users\\?\\AppData\\Local\\Temp\\"));
    EXPECT_TRUE(PathLostCharacters("C:\\Apps\\??"));
    EXPECT_FALSE(PathLostCharacters("C:\\Users\\Jos\xE9\\Temp\\"));  // carried in 1252
    EXPECT_FALSE(PathLostCharacters("\\\\?\\C:\\Long\\Path"));       // the long-path prefix
    EXPECT_TRUE(PathLostCharacters("\\\\?\\C:\\?"));
    EXPECT_FALSE(PathLostCharacters(""));
}

TEST(AnsiPath, OnlyThePartsTheCodePageLacksTakeTheirShortNames) {
    g_short = {{L"C:\\Users\\\x738B\\AppData\\Local\\Temp\\",
                L"C:\\Users\\_~~~~AIE\\AppData\\Local\\Temp\\"},
               {L"C:\\My Apps\\\x738B\\Tool", L"C:\\MYAPPS~1\\_~~~~AIE\\Tool"}};
    AnsiPathWay way = AnsiPathWay::None;
    EXPECT_EQ(ReachableAnsiPath(L"C:\\Program Files\\Tool", kCalls, &way),
              "C:\\Program Files\\Tool");
    EXPECT_EQ(way, AnsiPathWay::AsIs);
    EXPECT_EQ(ReachableAnsiPath(L"C:\\Users\\\x738B\\AppData\\Local\\Temp\\", kCalls, &way),
              "C:\\Users\\_~~~~AIE\\AppData\\Local\\Temp\\");
    EXPECT_EQ(way, AnsiPathWay::ShortName);
    // "My Apps" keeps the name the user knows; only the part the code page lacks changes.
    EXPECT_EQ(ReachableAnsiPath(L"C:\\My Apps\\\x738B\\Tool", kCalls), "C:\\My Apps\\_~~~~AIE\\Tool");
}

TEST(AnsiPath, WithoutAShortNameThatTheCodePageCarriesThePathIsNotUsed) {
    // Short names switched off: the system gives the long part back unchanged.
    g_short = {{L"D:\\\x738B", L"D:\\\x738B"}};
    AnsiPathWay way = AnsiPathWay::AsIs;
    EXPECT_EQ(ReachableAnsiPath(L"D:\\\x738B", kCalls, &way), "");
    EXPECT_EQ(way, AnsiPathWay::None);
    // A path that does not exist has no short form at all.
    EXPECT_EQ(ReachableAnsiPath(L"D:\\\x738B\\new", kCalls), "");
    // The parts do not pair up: the whole short form, if the code page carries it.
    g_short = {{L"E:\\a\\\x738B", L"E:\\A_~1"}};
    EXPECT_EQ(ReachableAnsiPath(L"E:\\a\\\x738B", kCalls), "E:\\A_~1");
    EXPECT_EQ(ReachableAnsiPath(L"", kCalls), "");
}

}  // namespace
}  // namespace wb
