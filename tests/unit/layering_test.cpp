// Who may include whom: the folder rules of docs/architecture.md, read from the sources of
// the installer, the uninstaller, the authoring tool and the fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "unit/test_support.h"

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

// Every include of the sources below `folder` (relative to `root`). A folder without
// sources fails the calling test: a rule over nothing would pass forever.
std::vector<Include> IncludesUnder(const std::string& folder, const fs::path& root = kRoot) {
    std::vector<Include> found;
    size_t sources = 0;
    EXPECT_TRUE(fs::is_directory(root / folder)) << folder << " is missing";
    if (!fs::is_directory(root / folder)) return found;
    for (const auto& e : fs::recursive_directory_iterator(root / folder)) {
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
            found.push_back({fs::relative(e.path(), root).generic_string(),
                             line.substr(open + 1, close - open - 1), line[open] == '<'});
        }
    }
    EXPECT_GT(sources, 0u) << folder << " holds no sources";
    return found;
}

// The room a project include names, as the rules spell it: "package/extract.h" ->
// "package", "wbpack/authoring/project.h" -> "wbpack"; the block methods' three rooms by
// their own names ("blocks/compress"), since the decoders may not reach the encoders.
// Empty for a system header.
std::string RoomOf(const std::string& path) {
    size_t slash = path.find('/');
    if (slash == std::string::npos) return std::string();
    if (path.compare(0, slash, "blocks") == 0) {
        size_t second = path.find('/', slash + 1);
        if (second != std::string::npos) return path.substr(0, second);
    }
    return path.substr(0, slash);
}

std::string FolderOf(const Include& inc) {
    return inc.System ? std::string() : RoomOf(inc.Target);
}

// The includes of `folder` that its rule does not allow, one line each. `allowed` names
// rooms ("platform", "blocks/common") or single headers ("platform/text.h").
std::vector<std::string> Breaches(const std::string& folder, const std::set<std::string>& allowed,
                                  const fs::path& root = kRoot) {
    std::vector<std::string> found;
    for (const Include& inc : IncludesUnder(folder, root)) {
        std::string to = FolderOf(inc);
        if (to.empty() || allowed.count(to) || allowed.count(inc.Target)) continue;
        found.push_back(inc.File + " includes " + inc.Target);
    }
    return found;
}

// Pairs of rooms below `folder` ("src") that include each other.
std::vector<std::string> MutualPairs(const std::string& folder, const fs::path& root = kRoot) {
    std::set<std::pair<std::string, std::string>> arrows;
    for (const Include& inc : IncludesUnder(folder, root)) {
        std::string from = RoomOf(inc.File.substr(folder.size() + 1));
        std::string to = FolderOf(inc);
        if (to.empty() || to == from) continue;
        arrows.insert({from, to});
    }
    std::vector<std::string> found;
    for (const auto& [from, to] : arrows) {
        if (from < to && arrows.count({to, from})) found.push_back(from + " and " + to);
    }
    EXPECT_GT(arrows.size(), 0u) << "no arrows between the rooms of " << folder;
    return found;
}

void ExpectOnly(const std::string& folder, const std::set<std::string>& allowed) {
    for (const std::string& breach : Breaches(folder, allowed)) ADD_FAILURE() << breach;
}

TEST(Layering, PlatformDependsOnNothingOfTheInstaller) {
    ExpectOnly("src/platform", {"platform"});
}

// The contract is the leaf the three programs share: every folder above the platform may
// use it, so it may use nothing but the text helpers.
TEST(Layering, TheContractIsALeaf) {
    ExpectOnly("src/contract", {"contract", "platform/text.h"});
}

// The Setup state is read by every Part of the installer, so it sits below all of them.
TEST(Layering, TheSetupStateStandsOnTheContractAlone) {
    ExpectOnly("src/state", {"state", "contract"});
}

TEST(Layering, TheBlockMethodsShareTheirFormatsAndLeanOnNothingAbove) {
    ExpectOnly("src/blocks/common", {"blocks/common", "platform/text.h"});
    ExpectOnly("src/blocks/decompress", {"blocks/decompress", "blocks/common", "platform/text.h"});
    // A Package's own trailer tells the LZMA encoder to leave the x86 filter off.
    ExpectOnly("src/blocks/compress", {"blocks/compress", "blocks/decompress", "blocks/common",
                                       "platform/text.h", "package/package_format.h"});
}

TEST(Layering, TheJcDecoderUsesOnlyItsFormatAndTheTextHelpers) {
    size_t seen = 0;
    for (const Include& inc : IncludesUnder("src/blocks/decompress")) {
        if (inc.File.rfind("src/blocks/decompress/unpack_block", 0) != 0) continue;
        ++seen;
        if (FolderOf(inc).empty()) continue;
        EXPECT_TRUE(inc.Target == "blocks/decompress/unpack_block.h" ||
                    inc.Target == "blocks/common/jc_format.h" || inc.Target == "platform/text.h")
            << inc.File << " includes " << inc.Target;
    }
    EXPECT_GT(seen, 0u) << "the JC decoder was not found";
}

// The stub carries the decoders only: the Package reader never reaches the encoders.
TEST(Layering, PackageStandsOnTheDecodersAndPlatform) {
    ExpectOnly("src/package", {"package", "platform", "contract", "blocks/common",
                               "blocks/decompress"});
    // Progress goes to the callback the caller gives; only a caller knows of windows.
    for (const Include& inc : IncludesUnder("src/package")) {
        EXPECT_NE(inc.Target, "platform/window.h") << inc.File << " reaches a window";
    }
}

// The install log is reported to from every part, so it may lean on nothing but the
// platform services, or it would close a circle of includes.
TEST(Layering, TheInstallLogStandsOnPlatformAlone) {
    ExpectOnly("src/log", {"log", "platform"});
}

TEST(Layering, ConfigurationStandsOnPlatformTheStateAndTheContract) {
    ExpectOnly("src/config", {"config", "platform", "state", "contract"});
}

TEST(Layering, TheEngineTheLogWriterAndTheWizardWindowsStayBelowStartUp) {
    ExpectOnly("src/install", {"install", "platform", "package", "config", "handover", "log",
                               "state", "contract"});
    ExpectOnly("src/handover", {"handover", "platform", "package", "config", "log", "state",
                                "contract"});
    ExpectOnly("src/ui", {"ui", "platform", "package", "config", "state", "contract"});
}

TEST(Layering, StartUpMayUseEverythingOfTheInstaller) {
    ExpectOnly("src/startup", {"startup", "platform", "package", "blocks/common",
                               "blocks/decompress", "config", "install", "handover", "ui", "log",
                               "state", "contract"});
}

TEST(Layering, TheUninstallerUsesThePlatformThePreferenceReaderAndTheContract) {
    ExpectOnly("uninstaller", {"uninstaller", "platform", "config/pref_file.h",
                               "config/registry_text.h", "contract", "handover/log_reader.h",
                               "log/install_log.h"});
}

TEST(Layering, TheAuthoringToolUsesThePackageCodeAndThePreferenceParser) {
    ExpectOnly("tools", {"wbpack", "package", "blocks/common", "blocks/decompress",
                         "blocks/compress", "platform", "config/pref_file.h", "config/setup_keys.h",
                         "config/special_folders.h", "config/install_scope.h", "contract"});
}

TEST(Layering, FakesStandInForPlatformServicesOnly) {
    ExpectOnly("tests/fakes", {"fakes", "platform"});
}

// No two rooms of the installer include each other, none excepted.
TEST(Layering, NoTwoInstallerFoldersIncludeEachOther) {
    for (const std::string& pair : MutualPairs("src")) ADD_FAILURE() << pair << " include each other";
}

// The checks above must fail when a rule is broken: a made-up tree with one wrong arrow
// of each kind.
TEST(Layering, TheChecksFindABrokenRule) {
    const fs::path root = wb::FreshTestDir("wb_layering_");
    auto write = [&](const std::string& file, const std::string& include) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << "#include \"" << include << "\"\n";
    };
    write("src/config/a.cpp", "startup/wizard_flow.h");
    write("src/startup/b.cpp", "config/a.h");
    write("src/blocks/decompress/c.cpp", "blocks/compress/jc_encoder.h");
    write("src/blocks/compress/d.cpp", "blocks/decompress/c.h");

    EXPECT_EQ(Breaches("src/config", {"config", "platform", "state", "contract"}, root),
              std::vector<std::string>{"src/config/a.cpp includes startup/wizard_flow.h"});
    EXPECT_EQ(Breaches("src/blocks/decompress", {"blocks/decompress", "blocks/common"}, root),
              std::vector<std::string>{
                  "src/blocks/decompress/c.cpp includes blocks/compress/jc_encoder.h"});
    EXPECT_EQ(MutualPairs("src", root),
              (std::vector<std::string>{"blocks/compress and blocks/decompress",
                                        "config and startup"}));
    fs::remove_all(root);
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

// The one library the product builds in: the LZMA SDK's decoder beside the JC decoder,
// its encoder beside the JC encoder.
const std::set<std::pair<std::string, std::string>> kLibraryHeaders = {
    {"src/blocks/decompress/", "LzmaDec.h"}, {"src/blocks/compress/", "LzmaEnc.h"}};

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
