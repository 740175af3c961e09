// Who may include whom: the folder rules of docs/architecture.md, read from the sources of
// the installer, the uninstaller, the authoring tool and the fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(WB_TEST_DATA).parent_path().parent_path();

struct Include {
    std::string File;    // relative to the repository
    std::string Target;  // as written between the quotes or angle brackets
    bool System;         // <...>
};

bool IsSource(const fs::path& p) {
    const std::string ext = p.extension().string();
    return ext == ".cpp" || ext == ".h";
}

// Every include of the sources below `folder` (relative to the repository). A folder
// without sources fails the calling test: a rule over nothing would pass forever.
std::vector<Include> IncludesUnder(const std::string& folder) {
    std::vector<Include> found;
    size_t sources = 0;
    EXPECT_TRUE(fs::is_directory(kRoot / folder)) << folder << " is missing";
    if (!fs::is_directory(kRoot / folder)) return found;
    for (const auto& e : fs::recursive_directory_iterator(kRoot / folder)) {
        if (!e.is_regular_file() || !IsSource(e.path())) continue;
        ++sources;
        std::ifstream in(e.path());
        std::string line;
        while (std::getline(in, line)) {
            size_t at = line.find("#include");
            if (at == std::string::npos || line.find_first_not_of(" \t") != at) continue;
            size_t open = line.find_first_of("\"<", at);
            size_t close = open == std::string::npos ? open : line.find_first_of("\">", open + 1);
            if (close == std::string::npos) continue;
            found.push_back({fs::relative(e.path(), kRoot).generic_string(),
                             line.substr(open + 1, close - open - 1), line[open] == '<'});
        }
    }
    EXPECT_GT(sources, 0u) << folder << " holds no sources";
    return found;
}

// The folder a project include names, as the rules spell it: "package/extract.h" ->
// "package", "wbpack/project.h" -> "wbpack"; empty for a system header.
std::string FolderOf(const Include& inc) {
    size_t slash = inc.Target.find('/');
    if (inc.System || slash == std::string::npos) return std::string();
    return inc.Target.substr(0, slash);
}

// Headers every folder may include: the one record every Part reads, and the hand-over
// contract, a leaf the three programs share.
bool SharedByAll(const std::string& target) {
    return target == "startup/setup_state.h" || target == "handover/contract.h";
}

void ExpectOnly(const std::string& folder, const std::set<std::string>& allowed,
                bool sharedHeaders = true) {
    for (const Include& inc : IncludesUnder(folder)) {
        std::string to = FolderOf(inc);
        if (to.empty() || (sharedHeaders && SharedByAll(inc.Target))) continue;
        EXPECT_TRUE(allowed.count(to) || allowed.count(inc.Target))
            << inc.File << " includes " << inc.Target;
    }
}

TEST(Layering, PlatformDependsOnNothingOfTheInstaller) {
    ExpectOnly("src/platform", {"platform"}, false);
}

TEST(Layering, PackageStandsOnPlatformAlone) {
    ExpectOnly("src/package", {"package", "platform", "handover/contract.h"}, false);
}

TEST(Layering, TheBlockDecoderUsesOnlyItsFormatAndTheTextHelpers) {
    size_t seen = 0;
    for (const Include& inc : IncludesUnder("src/package")) {
        if (inc.File.rfind("src/package/unpack_block", 0) != 0) continue;
        ++seen;
        if (FolderOf(inc).empty()) continue;
        EXPECT_TRUE(inc.Target == "package/unpack_block.h" || inc.Target == "package/jc_format.h" ||
                    inc.Target == "platform/text.h")
            << inc.File << " includes " << inc.Target;
    }
    EXPECT_GT(seen, 0u) << "the block decoder was not found";
}

// The install log is reported to from every part, so it may lean on nothing but the
// platform services, or it would close a circle of includes.
TEST(Layering, TheInstallLogStandsOnPlatformAlone) {
    ExpectOnly("src/log", {"log", "platform"}, false);
}

TEST(Layering, ConfigurationStandsOnPlatform) {
    ExpectOnly("src/config", {"config", "platform"});
}

TEST(Layering, TheEngineTheLogWriterAndTheWizardWindowsStayBelowStartUp) {
    ExpectOnly("src/install", {"install", "platform", "package", "config", "handover", "log"});
    ExpectOnly("src/handover", {"handover", "platform", "package", "config", "log"});
    ExpectOnly("src/ui", {"ui", "platform", "package", "config"});
}

TEST(Layering, StartUpMayUseEverythingOfTheInstaller) {
    ExpectOnly("src/startup",
               {"startup", "platform", "package", "config", "install", "handover", "ui", "log"});
}

TEST(Layering, TheUninstallerUsesThePlatformThePreferenceReaderAndTheContract) {
    ExpectOnly("uninstaller", {"uninstaller", "platform", "config/pref_file.h",
                               "config/registry_text.h", "handover/contract.h",
                               "log/install_log.h"},
               false);
}

TEST(Layering, TheAuthoringToolUsesThePackageCodeAndThePreferenceParser) {
    ExpectOnly("tools", {"wbpack", "package", "platform", "config/pref_file.h",
                         "config/setup_keys.h", "config/special_folders.h", "config/install_scope.h",
                         "handover/contract.h"},
               false);
}

TEST(Layering, FakesStandInForPlatformServicesOnly) {
    ExpectOnly("tests/fakes", {"fakes", "platform"}, false);
}

// No two folders of the installer include each other; the Setup state header, the one
// record every Part reads, and the hand-over contract, the shared leaf, make no such pair.
TEST(Layering, NoTwoInstallerFoldersIncludeEachOther) {
    std::set<std::pair<std::string, std::string>> arrows;
    for (const Include& inc : IncludesUnder("src")) {
        std::string from = inc.File.substr(4, inc.File.find('/', 4) - 4);
        std::string to = FolderOf(inc);
        if (to.empty() || to == from || SharedByAll(inc.Target)) continue;
        arrows.insert({from, to});
    }
    EXPECT_GT(arrows.size(), 0u);
    for (const auto& [from, to] : arrows) {
        EXPECT_FALSE(arrows.count({to, from})) << from << " and " << to << " include each other";
    }
}

// The C++ standard library: the only system headers code outside the platform folders
// may include. Anything else (windows.h, Windows.h, shlobj.h, io.h, unistd.h...) belongs
// behind a platform interface.
const std::set<std::string> kStandardHeaders = {
    "algorithm", "array", "atomic", "bitset", "cassert", "cctype", "cerrno", "cinttypes",
    "climits", "cmath", "compare", "condition_variable", "cstdarg", "cstddef", "cstdint", "cstdio", "cstdlib",
    "cstring", "ctime", "deque", "filesystem", "fstream", "functional", "initializer_list",
    "iomanip", "ios", "iostream", "istream", "iterator", "limits", "list", "map", "memory",
    "mutex", "new", "numeric", "optional", "ostream", "random", "set", "span", "sstream",
    "stdexcept", "string", "string_view", "system_error", "thread", "tuple", "type_traits",
    "unordered_map", "unordered_set", "utility", "variant", "vector", "chrono"};

// The one library the product builds in: the LZMA SDK's decoder in the Package reader,
// its encoder in the authoring tool.
const std::set<std::pair<std::string, std::string>> kLibraryHeaders = {
    {"src/package/", "LzmaDec.h"}, {"tools/wbpack/", "LzmaEnc.h"}};

bool LibraryHeaderAllowed(const std::string& file, const std::string& target) {
    for (const auto& [folder, header] : kLibraryHeaders) {
        if (target == header && file.rfind(folder, 0) == 0) return true;
    }
    return false;
}

bool InPlatformFolder(const std::string& file) {
    return file.rfind("src/platform/", 0) == 0 || file.find("/platform/") != std::string::npos;
}

TEST(Layering, SystemHeadersStayInsidePlatformFolders) {
    for (const std::string folder : {"src", "uninstaller", "tools"}) {
        for (const Include& inc : IncludesUnder(folder)) {
            if (InPlatformFolder(inc.File) || !FolderOf(inc).empty()) continue;
            if (LibraryHeaderAllowed(inc.File, inc.Target)) continue;
            // A bare quoted name ("Windows.h") is a system header too.
            EXPECT_TRUE(kStandardHeaders.count(inc.Target))
                << inc.File << " includes " << inc.Target << " outside a platform folder";
        }
    }
}

}  // namespace
