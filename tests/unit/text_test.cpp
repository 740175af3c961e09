// The shared text helpers where their edges matter: ASCII-only letter case, the end of a
// system text without its NUL, replacements that must not loop.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace wb {
namespace {

TEST(Text, LetterCaseIgnoresOnlyAsciiLetters) {
    EXPECT_TRUE(SameTextNoCase("NoUninstall", "nOuNINSTALL"));
    EXPECT_FALSE(SameTextNoCase("Grüß", "GRÜSS"));
    // 0xE9 and 0xC9 are é and É in code page 1252: not folded, as the installer does not.
    EXPECT_FALSE(SameTextNoCase("\xE9", "\xC9"));
    EXPECT_FALSE(SameTextNoCase("[", "{"));  // 0x5B and 0x7B differ by 0x20 but are no letters
    EXPECT_FALSE(SameTextNoCase("abc", "ab"));
    EXPECT_TRUE(SameTextNoCase("", ""));
    EXPECT_EQ(AsciiUpper('\xE9'), '\xE9');
}

TEST(Text, SystemTextEndsAtItsNulOrItsLength) {
    EXPECT_EQ(TextBeforeNul("abc\0def", 7), "abc");
    EXPECT_EQ(TextBeforeNul("abcdef", 3), "abc");  // no NUL within the length
    EXPECT_EQ(TextBeforeNul("\0abc", 4), "");
    EXPECT_EQ(TextBeforeNul("", 0), "");
}

TEST(Text, ReplaceAllDoesNotSearchWhatItInserted) {
    EXPECT_EQ(ReplaceAll("$Titel and $Titel", "$Titel", "$Titel!"), "$Titel! and $Titel!");
    EXPECT_EQ(ReplaceAll("aaa", "a", ""), "");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(Text, LittleEndianNumbers) {
    const uint8_t b[] = {0x34, 0x12, 0xFF, 0x80};
    EXPECT_EQ(ReadLe16(b), 0x1234);
    EXPECT_EQ(ReadLe32(b), 0x80FF1234u);
}

}  // namespace
}  // namespace wb
