// The authoring tool and the installer read a setup.ini alike: awkward numbers and texts
// through the tool's view and through the installer's open document give the same values.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "config/pref_file.h"
#include "unit/test_support.h"
#include "wbpack/authoring/ini_text.h"

namespace wb {
namespace {

struct Case {
    const char* What;
    std::string Text;   // the whole setup.ini
    const char* Group;
    const char* Key;
    bool Found;
    std::string Value;  // as read (trailing blanks gone, Latin-1)
    int32_t Number;     // the leading number, with a fallback of 77
};

const Case kCases[] = {
    {"plain", "[Task]\r\nNoUninstall = 1\r\n", "Task", "NoUninstall", true, "1", 1},
    {"2^32 wraps to 0", "[Task]\r\nN = 4294967296\r\n", "Task", "N", true, "4294967296", 0},
    {"2^32+5", "[Task]\r\nN = 4294967301\r\n", "Task", "N", true, "4294967301", 5},
    {"2^31 wraps negative", "[Task]\r\nN = 2147483648\r\n", "Task", "N", true, "2147483648",
     INT32_MIN},
    {"minus", "[Task]\r\nN = -12 apples  \r\n", "Task", "N", true, "-12 apples", -12},
    {"plus, blanks", "[Task]\r\nN =\t +7x\r\n", "Task", "N", true, "+7x", 7},
    {"hex is 0", "[Task]\r\nN = 0x10\r\n", "Task", "N", true, "0x10", 0},
    {"no digits", "[Task]\r\nN = yes\r\n", "Task", "N", true, "yes", 0},
    {"empty value", "[Task]\r\nN =\r\n", "Task", "N", true, "", 0},
    {"key without =", "[Task]\r\nN\r\n", "Task", "N", true, "", 0},
    {"missing key", "[Task]\r\nM = 1\r\n", "Task", "N", false, "", 77},
    {"missing group", "[Info]\r\nN = 1\r\n", "Task", "N", false, "", 77},
    {"letter case", "[tASK]\r\nnoUNinstall = 3\r\n", "Task", "NoUninstall", true, "3", 3},
    {"first group only", "[Task]\r\nA = 1\r\n[Task]\r\nN = 2\r\n", "Task", "N", false, "", 77},
    {"first key wins", "[Task]\r\nN = 1\r\nN = 2\r\n", "Task", "N", true, "1", 1},
    {"top section", "N = 9\r\n[Task]\r\nN = 2\r\n", "", "N", true, "9", 9},
    {"comment is no key", "[Task]\r\n; N = 5\r\n", "Task", "N", false, "", 77},
    {"lone CR and LF", "[Task]\rA = 1\nN = 4\r", "Task", "N", true, "4", 4},
    {"NUL ends a line", std::string("[Task]\r\nN = 6\0junk\r\n", 20), "Task", "N", true, "6", 6},
    {"blank in key", "[Task]\r\nNo Uninstall = 1\r\n", "Task", "No Uninstall", true, "1", 1},
    {"group closed late", "[Task] extra\r\nN = 8\r\n", "Task", "N", true, "8", 8},
    {"code page bytes", "[Info]\r\nTitel = Caf\xE9 \xA9\r\n", "Info", "Titel", true, "Caf\xE9 \xA9",
     0},
    {"UTF-8 to Latin-1", "\xEF\xBB\xBF[Info]\r\nTitel = Caf\xC3\xA9\r\n", "Info", "Titel", true,
     "Caf\xE9", 0},
    {"UTF-8 beyond Latin-1", "\xEF\xBB\xBF[Info]\r\nTitel = \xE2\x82\xAC 5\r\n", "Info", "Titel",
     true, "", 0},
    {"UTF-8 group name", "\xEF\xBB\xBF[Gr\xC3\xBC\xC3\x9F]\r\nN = 1\r\n", "Gr\xFC\xDF", "N", true,
     "1", 1},
    {"BOM without UTF-8 text", "\xEF\xBB\xBF[Task]\r\nN = 12\r\n", "Task", "N", true, "12", 12},
};

TEST(IniText, TheToolAndTheInstallerReadTheSameValues) {
    std::string path = (FreshTestDir("wb-ini") / "setup.ini").string();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.What);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.Text;

        IniText tool = ParseIniText(c.Text);
        const std::string missing = "\x01missing";
        std::string toolValue = IniString(tool, c.Group, c.Key, missing);
        EXPECT_EQ(toolValue != missing, c.Found);
        if (c.Found) EXPECT_EQ(toolValue, c.Value);
        EXPECT_EQ(IniNumber(tool, c.Group, c.Key, 77), c.Number);

        ASSERT_EQ(PrefOpen(path.c_str()), 1);
        PrefGroup(c.Group);
        EXPECT_EQ(PrefReadString(c.Key, missing.c_str()), toolValue);
        EXPECT_EQ(PrefReadNumber(c.Key, 77), IniNumber(tool, c.Group, c.Key, 77));
        PrefClose();
    }
}

}  // namespace
}  // namespace wb
