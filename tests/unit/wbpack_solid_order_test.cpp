// The order of the entries in an LZMA solid block: folders first (each before what it holds),
// files grouped by extension; nothing added or lost.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wbpack/solid_order.h"

namespace wb {
namespace {

PackInput Entry(const std::string& name) {
    PackInput in;
    in.Name = name;
    in.Kind = name.back() == '\\' ? 0 : 1;
    in.Data.assign(name.begin(), name.end());  // tells where each entry's data went
    return in;
}

std::vector<std::string> Ordered(const std::vector<std::string>& names) {
    std::vector<PackInput> entries;
    for (const std::string& n : names) entries.push_back(Entry(n));
    OrderForSolidLzma(entries);
    std::vector<std::string> out;
    for (const PackInput& e : entries) {
        EXPECT_EQ(std::string(e.Data.begin(), e.Data.end()), e.Name) << "data moved with its entry";
        out.push_back(e.Name);
    }
    return out;
}

TEST(SolidOrderTest, FoldersFirstThenFilesByExtensionThenName) {
    // In name order, as the project scan gives them.
    const std::vector<std::string> scanned = {
        "LICENSE",      "a.dll",        "bin\\",        "bin\\Core.DLL", "bin\\app.exe",
        "bin\\z.dll",   "doc\\",        "doc\\v1.2\\",  "doc\\v1.2\\README", "doc\\x.txt",
        "readme.TXT",   "setup.Exe"};
    EXPECT_EQ(Ordered(scanned),
              (std::vector<std::string>{
                  "bin\\", "doc\\", "doc\\v1.2\\",
                  // no extension (a dot in a folder's name is not one)
                  "LICENSE", "doc\\v1.2\\README",
                  // extensions compared without regard to case
                  "a.dll", "bin\\Core.DLL", "bin\\z.dll",
                  "bin\\app.exe", "setup.Exe",
                  "doc\\x.txt", "readme.TXT"}));
}

TEST(SolidOrderTest, EmptyAndFolderOnlyListsKeepTheirOrder) {
    EXPECT_TRUE(Ordered({}).empty());
    EXPECT_EQ(Ordered({"a\\", "a\\b\\", "c\\"}), (std::vector<std::string>{"a\\", "a\\b\\", "c\\"}));
    EXPECT_EQ(Ordered({".profile", "x."}), (std::vector<std::string>{"x.", ".profile"}));
}

}  // namespace
}  // namespace wb
