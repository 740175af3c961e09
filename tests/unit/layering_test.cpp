// Who may include whom: the folder rules of the architecture, read from the sources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSource = fs::path(WB_TEST_DATA).parent_path().parent_path() / "src";

struct Include {
    std::string File;    // relative to src/
    std::string Target;  // as written between the quotes or angle brackets
    bool System;         // <...>
};

std::vector<Include> IncludesUnder(const std::string& folder) {
    std::vector<Include> found;
    for (const auto& e : fs::recursive_directory_iterator(kSource / folder)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path());
        std::string line;
        while (std::getline(in, line)) {
            size_t at = line.find("#include");
            if (at == std::string::npos || line.find_first_not_of(" \t") != at) continue;
            size_t open = line.find_first_of("\"<", at);
            size_t close = open == std::string::npos ? open : line.find_first_of("\">", open + 1);
            if (close == std::string::npos) continue;
            found.push_back({fs::relative(e.path(), kSource).generic_string(),
                             line.substr(open + 1, close - open - 1), line[open] == '<'});
        }
    }
    return found;
}

// The folder of a project include ("package/extract.h" -> "package"); empty for a system one.
std::string FolderOf(const Include& inc) {
    size_t slash = inc.Target.find('/');
    if (inc.System || slash == std::string::npos) return std::string();
    return inc.Target.substr(0, slash);
}

void ExpectOnly(const std::string& folder, const std::set<std::string>& allowed) {
    std::vector<Include> includes = IncludesUnder(folder);
    ASSERT_FALSE(includes.empty()) << folder;
    for (const Include& inc : includes) {
        std::string to = FolderOf(inc);
        // The hand-over contract is a leaf every side shares.
        if (to.empty() || inc.Target == "handover/contract.h") continue;
        EXPECT_TRUE(allowed.count(to)) << inc.File << " includes " << inc.Target;
    }
}

TEST(Layering, PackageStandsOnPlatformAlone) { ExpectOnly("package", {"package", "platform"}); }

// The install log is reported to from every part, so it may lean on nothing but the
// platform services, or it would close a circle of includes.
TEST(Layering, TheInstallLogStandsOnPlatformAlone) { ExpectOnly("log", {"log", "platform"}); }

TEST(Layering, PlatformDependsOnNothingOfTheInstaller) { ExpectOnly("platform", {"platform"}); }

TEST(Layering, TheBlockDecoderUsesOnlyItsFormatAndTheTextHelpers) {
    for (const Include& inc : IncludesUnder("package")) {
        if (inc.File.rfind("package/unpack_block", 0) != 0 || FolderOf(inc).empty()) continue;
        EXPECT_TRUE(inc.Target == "package/unpack_block.h" || inc.Target == "package/jc_format.h" ||
                    inc.Target == "platform/text.h")
            << inc.File << " includes " << inc.Target;
    }
}

TEST(Layering, OnlyThePlatformFolderSeesTheWindowsHeaders) {
    for (const std::string folder : {"startup", "package", "config", "install", "handover"}) {
        if (!fs::exists(kSource / folder)) continue;
        for (const Include& inc : IncludesUnder(folder)) {
            EXPECT_NE(inc.Target, "windows.h") << inc.File;
            EXPECT_NE(inc.Target, "commctrl.h") << inc.File;
        }
    }
}

}  // namespace
