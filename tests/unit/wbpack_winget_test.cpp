// wbpack winget over setups built by wbpack build: three manifests that a YAML reader takes
// back field for field within the rules of the 1.6.0 schema, facts taken from the setup,
// and clear refusals that write nothing. Also the SHA-256 against the standard vectors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "unit/test_support.h"
#include "wbpack/commands.h"
#include "wbpack/publishing/sha256.h"
#include "wbpack/publishing/winget_fields.h"
#include "winget_manifest_check.h"

namespace wb {
namespace {

namespace fs = std::filesystem;
using winget_check::Node;
using winget_check::Reader;
using winget_check::Str;

std::string Hex(const std::string& bytes) { return Sha256Hex(bytes.data(), bytes.size()); }

TEST(Sha256, GivesTheStandardDigests) {
    EXPECT_EQ(Hex(""), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
    EXPECT_EQ(Hex("abc"), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
    EXPECT_EQ(Hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
                  "klmnopqrlmnopqrsmnopqrstnopqrstu"),
              "CF5B16A778AF8380036CE59E7B0492370B249B11E8F07A51AFAC45037AFEE9D1");
    EXPECT_EQ(Hex(std::string(1000000, 'a')),
              "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0");
}

TEST(Sha256, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
    // Lengths around the 55/56/64-byte padding edges, cut at every place.
    for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 200u}) {
        std::string data;
        for (size_t i = 0; i < length; ++i) data += char(i * 37 + 11);
        const std::string whole = Hex(data);
        for (size_t cut = 0; cut <= length; ++cut) {
            Sha256State s;
            Sha256Begin(s);
            Sha256Add(s, data.data(), cut);
            Sha256Add(s, data.data() + cut, 1 < length - cut ? 1 : length - cut);
            size_t done = cut + (1 < length - cut ? 1 : length - cut);
            Sha256Add(s, data.data() + done, length - done);
            uint8_t digest[32];
            Sha256End(s, digest);
            std::string hex;
            for (uint8_t b : digest) {
                static const char kDigits[] = "0123456789ABCDEF";
                hex += kDigits[b >> 4];
                hex += kDigits[b & 15];
            }
            ASSERT_EQ(hex, whole) << "length " << length << ", cut at " << cut;
        }
    }
}

// Every string comes back unchanged through a YAML reader, and as a string.
TEST(WingetYaml, ScalarsReadBackAsTheSameStrings) {
    const std::vector<std::string> texts = {
        "Sample Tool", "2.1", "1.10", "1.0.0", "007", "0x1F", "1e3", ".5", "-", "- x", "yes",
        "No", "ON", "off", "y", "null", "Null", "~", "true", ".inf", "2026-12-08", "12:30",
        "{5A1E2C3D-0000-4000-8000-00000000C001}", "/Q", "\"/P:<INSTALLPATH>\"", "it's",
        "a: b", "x #y", "#x", " lead", "trail ", "https://example.com/a?b=c#d", "Gr\xC3\xBC\xC3\x9F" "e",
        "tab\there", "line\nbreak", "back\\slash", "[x]", "{x}", "*x", "&x", "!x", "%x", "@x",
        "`x", "|x", ">x", "?x", ":x", "x:", "Caf\xC3\xA9 \"Bar\"", "A, B", "@"};
    Reader reader;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        std::string scalar = YamlScalar(text);
        Node node;
        std::string error;
        ASSERT_TRUE(reader.ReadScalar(scalar, node, error)) << scalar << ": " << error;
        EXPECT_EQ(node.Text, text) << scalar;
        if (node.Quoting == winget_check::Style::Plain) {
            EXPECT_FALSE(winget_check::PlainIsNotAString(text)) << scalar;
        }
    }
    // Plain where nothing needs quoting, so that the manifests stay as people write them.
    EXPECT_EQ(YamlScalar("Sample Tool"), "Sample Tool");
    EXPECT_EQ(YamlScalar("https://example.com/setup.exe"), "https://example.com/setup.exe");
    EXPECT_EQ(YamlScalar("2.1"), "'2.1'");
}

TEST(WingetYaml, TheTestReaderRejectsWhatItDoesNotUnderstand) {
    Reader reader;
    Node node;
    std::string error;
    for (const std::string& text :
         {std::string("A: [x, y]\n"), std::string("A: |\n  text\n"), std::string("A: &a x\n"),
          std::string("A: x\nA: y\n"), std::string("A: 'open\n"), std::string("A:\n\t- x\n"),
          std::string("A: x"), std::string("A: \"\\q\"\n"), std::string("A: x: y\n"),
          std::string("  A: x\n"), std::string("A:\nB: x\n"), std::string("---\nA: x\n")}) {
        EXPECT_FALSE(reader.Read(text, node, error)) << text;
    }
    ASSERT_TRUE(reader.Read("# c\nA: x\nB:\n- 1\n- C: 'y'\n  D: \"z\"\nE:\n  F: g\n", node, error))
        << error;
    EXPECT_EQ(node.Find("B")->Items[1].Find("D")->Text, "z");
    EXPECT_EQ(node.Find("E")->Find("F")->Text, "g");
}

// A stand-in stub of the given machine: what ReadStubArch looks at.
std::string PeStub(uint16_t machine) {
    std::string d = FakeStub(std::string(2048, '\0'));
    d[0x84] = char(machine & 0xFF);
    d[0x85] = char(machine >> 8);
    return d;
}

const char kGuid[] = "{5A1E2C3D-0000-4000-8000-00000000E017}";

// The codes every setup may end with, spelled out here rather than taken from the contract.
const std::map<long, std::string> kFailureCodes = {
    {2, "contactSupport"}, {3, "contactSupport"},   {4, "diskFull"},
    {5, "fileInUse"},      {6, "contactSupport"},   {7, "cancelledByUser"},
    {8, "invalidParameter"}, {3010, "rebootRequiredToFinish"}};

std::map<long, std::string> WithNotInstalled(std::map<long, std::string> codes) {
    codes[1] = "packageInUse";
    return codes;
}

class WingetTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = FreshTestDir("wb-winget").string();
        WriteStub(0x8664);
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& rel, const std::string& bytes) {
        fs::path p = fs::path(root_) / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    void WriteStub(uint16_t machine) { Write("stub.exe", PeStub(machine)); }

    // Builds a setup of `ini` (and `extra` project files) with the fake stub. The check is
    // left out: these setups test what winget makes of any description, broken ones too.
    std::string BuildSetup(const std::string& ini,
                           const std::map<std::string, std::string>& extra = {}) {
        fs::remove_all(root_ + "/project");
        Write("project/setup.ini", ini);
        Write("project/program/Tool.exe", "MZ tool");
        Write("uninstall.exe", "MZ uninstaller");
        for (const auto& [rel, bytes] : extra) Write("project/" + rel, bytes);
        std::string setup = root_ + "/Tool Setup.exe";
        std::string out, err;
        int code = RunWbpack({"build", root_ + "/project", "-o", setup, "--stub",
                              root_ + "/stub.exe", "--uninstaller", root_ + "/uninstall.exe",
                              "--quiet", "--no-check"},
                             out, err, false);
        EXPECT_EQ(code, 0) << err;
        return setup;
    }

    struct Run {
        int Code;
        std::string Out, Err;
    };
    Run Winget(const std::string& setup, std::vector<std::string> extra = {},
               const std::string& id = "Sample.Tool") {
        std::vector<std::string> args = {"winget", setup, "--id", id, "--url",
                                         "https://example.com/downloads/Tool%20Setup.exe", "-o",
                                         Dir()};
        args.insert(args.end(), extra.begin(), extra.end());
        Run r;
        r.Code = RunWbpack(args, r.Out, r.Err, false);
        return r;
    }
    std::string Dir() const { return root_ + "/manifests"; }
    bool DirIsEmpty() const { return !fs::exists(Dir()) || fs::is_empty(Dir()); }

    std::string root_;
};

const char kFullIni[] =
    "[Info]\r\nTitel = Sample Tool\r\nVersion = 2.10\r\nGUID = {5A1E2C3D-0000-4000-8000-00000000E017}\r\n"
    "Author = Caf\xE9 Software\r\nEMail = info@example.com\r\nWeb = https://example.com/tool\r\n"
    "[Settings]\r\nProgExe = Tool.exe\r\n[Task]\r\nMutexString = SampleToolRunning\r\nReboot = 1\r\n";

TEST_F(WingetTest, ManifestsCarryTheSetupsFactsWithinTheSchema) {
    std::string setup = BuildSetup(kFullIni, {{"licence.txt", "Terms of use.\r\n"}});
    Run r = Winget(setup);
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Sample.Tool.installer.yaml"), std::string::npos) << r.Out;

    winget_check::Manifests m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    ASSERT_TRUE(m.Read);
    // "2.10" stays a string: read as a number it would be 2.1, another version.
    EXPECT_EQ(Str(m.Version, "PackageVersion"), "2.10");
    EXPECT_EQ(Str(m.Locale, "Publisher"), "Caf\xC3\xA9 Software") << "Author, from code page 1252";
    EXPECT_EQ(Str(m.Locale, "PackageName"), "Sample Tool");
    EXPECT_EQ(Str(m.Locale, "PackageUrl"), "https://example.com/tool");
    EXPECT_EQ(Str(m.Installer, "ProductCode"), kGuid) << "the uninstall entry's key name";
    EXPECT_EQ(Str(m.Installer, "InstallerType"), "exe");
    EXPECT_EQ(Str(m.Installer, "Scope"), "machine");
    EXPECT_EQ(Str(m.Installer, "UpgradeBehavior"), "install");
    std::vector<std::string> modes;
    for (const Node& n : m.Installer.Find("InstallModes")->Items) modes.push_back(n.Text);
    EXPECT_EQ(modes, (std::vector<std::string>{"interactive", "silent", "silentWithProgress"}));
    const Node& switches = *m.Installer.Find("InstallerSwitches");
    EXPECT_EQ(Str(switches, "Silent"), "/Q");
    EXPECT_EQ(Str(switches, "SilentWithProgress"), "/Q");
    EXPECT_EQ(Str(switches, "InstallLocation"), "\"/P:<INSTALLPATH>\"");
    EXPECT_EQ(Str(switches, "Log"), "\"/L:<LOGPATH>\"");
    EXPECT_EQ(winget_check::ReturnCodes(m.Installer),
              WithNotInstalled(kFailureCodes));
    const Node& installer = winget_check::FirstInstaller(m.Installer);
    EXPECT_EQ(Str(installer, "Architecture"), "x64");
    EXPECT_EQ(Str(installer, "InstallerUrl"), "https://example.com/downloads/Tool%20Setup.exe");
    std::string sha = Str(installer, "InstallerSha256");
    EXPECT_EQ(sha, winget_check::HostSha256(setup)) << "a digest computed apart from wbpack";
    EXPECT_EQ(sha.size(), 64u);
    // The defaults say only what is known, and the author hears about them.
    EXPECT_EQ(Str(m.Locale, "License"), "See the licence agreement shown by the setup");
    EXPECT_EQ(Str(m.Locale, "ShortDescription"), "Sample Tool by Caf\xC3\xA9 Software");
    EXPECT_NE(r.Err.find("warning: no --license given"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("warning: no --description given"), std::string::npos) << r.Err;
}

TEST_F(WingetTest, ReturnCodesAreOnlyThoseTheSetupCanReturn) {
    // No mutex, no ProgExe, no BeforeWB.exe: nothing can stop it with 1. A restart may come
    // from a file in use even where none is asked (256 is 0 in the installer's 8-bit field).
    std::string plain =
        "[Info]\r\nTitel = Plain\r\nVersion = 1.0\r\nGUID = {PLAIN-GUID}\r\nAuthor = Pl\r\n"
        "[Task]\r\nReboot = 256\r\n";
    Run r = Winget(BuildSetup(plain));
    ASSERT_EQ(r.Code, 0) << r.Err;
    winget_check::Manifests m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    ASSERT_TRUE(m.Read);
    EXPECT_EQ(winget_check::ReturnCodes(m.Installer), kFailureCodes);
    EXPECT_EQ(Str(m.Locale, "License"), "Not stated by the publisher") << "no licence file";
    EXPECT_EQ(m.Locale.Find("PackageUrl"), nullptr) << "no Web";

    // A BeforeWB.exe alone can end the run with 1.
    r = Winget(BuildSetup(plain, {{"BeforeWB.exe", "MZ hook"}}));
    ASSERT_EQ(r.Code, 0) << r.Err;
    m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    EXPECT_EQ(winget_check::ReturnCodes(m.Installer).count(1), 1u);
}

// Scope decides the installer entries: one at the root's scope for a setup of one scope,
// two for a setup offering both, each with its switch, its elevation and only the codes
// that scope can return (a per-user run never meets the administrator prompt).
TEST_F(WingetTest, EachScopeTheSetupOffersHasItsEntry) {
    auto ini = [](const char* scope) {
        return std::string("[Info]\r\nTitel = Plain\r\nVersion = 1.0\r\nGUID = {PLAIN-GUID}\r\n"
                           "Author = Pl\r\n[Settings]\r\nScope = ") + scope + "\r\n";
    };
    std::map<long, std::string> userCodes = kFailureCodes;
    userCodes.erase(7);  // the administrator prompt declined

    Run r = Winget(BuildSetup(ini("user")));
    ASSERT_EQ(r.Code, 0) << r.Err;
    winget_check::Manifests m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    ASSERT_TRUE(m.Read);
    EXPECT_EQ(Str(m.Installer, "Scope"), "user");
    EXPECT_EQ(Str(m.Installer, "ElevationRequirement"), "elevationProhibited");
    EXPECT_EQ(Str(*m.Installer.Find("InstallerSwitches"), "Silent"), "/Q");
    EXPECT_EQ(winget_check::ReturnCodes(m.Installer), userCodes);
    EXPECT_EQ(m.Installer.Find("Installers")->Items.size(), 1u);

    r = Winget(BuildSetup(ini("Both")));
    ASSERT_EQ(r.Code, 0) << r.Err;
    m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    ASSERT_TRUE(m.Read);
    EXPECT_EQ(m.Installer.Find("Scope"), nullptr) << "each entry names its own";
    const std::vector<winget_check::Node>& entries = m.Installer.Find("Installers")->Items;
    ASSERT_EQ(entries.size(), 2u);
    const struct {
        const char* Scope;
        const char* Silent;
        const char* Elevation;
        const std::map<long, std::string>& Codes;
    } want[] = {{"machine", "/Q /ALLUSERS", "elevatesSelf", kFailureCodes},
                {"user", "/Q /CURRENTUSER", "elevationProhibited", userCodes}};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(want[i].Scope);
        EXPECT_EQ(Str(entries[i], "Scope"), want[i].Scope);
        EXPECT_EQ(Str(entries[i], "Architecture"), "x64");
        EXPECT_EQ(Str(entries[i], "InstallerSha256"), Str(entries[1 - i], "InstallerSha256"))
            << "one setup file serves both";
        const winget_check::Node& switches = *entries[i].Find("InstallerSwitches");
        EXPECT_EQ(Str(switches, "Silent"), want[i].Silent);
        EXPECT_EQ(Str(switches, "SilentWithProgress"), want[i].Silent);
        EXPECT_EQ(Str(switches, "InstallLocation"), "\"/P:<INSTALLPATH>\"");
        EXPECT_EQ(Str(entries[i], "ElevationRequirement"), want[i].Elevation);
        EXPECT_EQ(winget_check::ReturnCodes(entries[i]), want[i].Codes);
    }

    r = Winget(BuildSetup(ini("machine")));
    ASSERT_EQ(r.Code, 0) << r.Err;
    m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    EXPECT_EQ(Str(m.Installer, "Scope"), "machine");
    EXPECT_EQ(Str(m.Installer, "ElevationRequirement"), "elevatesSelf");
    EXPECT_EQ(winget_check::ReturnCodes(m.Installer), kFailureCodes);
}

TEST_F(WingetTest, OptionsFillTheLocaleManifestAndNameItsFile) {
    Run r = Winget(BuildSetup(kFullIni),
                   {"--license", "MIT", "--license-url", "https://example.com/licence",
                    "--description", "Rechnet: schnell & \"gut\"", "--locale", "de-DE",
                    "--publisher-url", "https://example.com", "--package-url",
                    "HTTPS://example.com/tool/de"},
                   "Caf\xC3\xA9.Sample.Tool");
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Err.find("warning"), std::string::npos) << r.Err;
    winget_check::Manifests m =
        winget_check::ReadAndCheck(Dir(), "Caf\xC3\xA9.Sample.Tool", "de-DE");
    ASSERT_TRUE(m.Read);
    EXPECT_EQ(Str(m.Version, "DefaultLocale"), "de-DE");
    EXPECT_EQ(Str(m.Locale, "License"), "MIT");
    EXPECT_EQ(Str(m.Locale, "LicenseUrl"), "https://example.com/licence");
    EXPECT_EQ(Str(m.Locale, "ShortDescription"), "Rechnet: schnell & \"gut\"");
    EXPECT_EQ(Str(m.Locale, "PublisherUrl"), "https://example.com");
    EXPECT_EQ(Str(m.Locale, "PackageUrl"), "HTTPS://example.com/tool/de");
}

TEST_F(WingetTest, TheStubDecidesTheArchitectureAndTheCodePageTheTexts) {
    WriteStub(0x014C);
    // "\x81" is a box-drawing character in code page 437, undefined in 1252.
    std::string ini =
        "[Info]\r\nTitel = Tool \x81 Plus\r\nVersion = 3.0 beta\r\nGUID = My Tool\r\n"
        "Author = Name: With #Colon\r\nWeb = www.example.com\r\n";
    Run r = Winget(BuildSetup(ini), {"--codepage", "437", "--description", "Box tool"});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Err.find("no http:// or https:// address"), std::string::npos) << r.Err;
    winget_check::Manifests m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    ASSERT_TRUE(m.Read);
    EXPECT_EQ(Str(winget_check::FirstInstaller(m.Installer), "Architecture"), "x86");
    EXPECT_EQ(Str(m.Locale, "PackageName"), "Tool \xC3\xBC Plus");
    EXPECT_EQ(Str(m.Locale, "Publisher"), "Name: With #Colon");
    EXPECT_EQ(Str(m.Installer, "ProductCode"), "My Tool");
    EXPECT_EQ(Str(m.Version, "PackageVersion"), "3.0 beta");
    EXPECT_EQ(m.Locale.Find("PackageUrl"), nullptr) << "Web is no web address";
}

TEST_F(WingetTest, SetupsWithoutWhatWingetNeedsAreRefusedAndNothingIsWritten) {
    const std::string good = kFullIni;
    auto without = [&](const std::string& line) {
        std::string ini = good;
        size_t at = ini.find(line);
        EXPECT_NE(at, std::string::npos) << line;
        return ini.erase(at, line.size());
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {without("GUID = {5A1E2C3D-0000-4000-8000-00000000E017}\r\n"), "has no GUID"},
        {good + "NoUninstall = 1\r\n", "makes no uninstall entry"},
        {good + "[StartMenue]\r\nProgLink =\r\n", "makes no uninstall entry"},
        {without("Version = 2.10\r\n"), "has no Version"},
        {without("Author = Caf\xE9 Software\r\n"), "has no Author"},
        {without("Titel = Sample Tool\r\n"), "has no Titel"},
        {"[Info]\r\nTitel = T\r\nVersion = 1\r\nGUID = {G}\r\nAuthor = Au\r\n", "PackageName takes 2 to 256"},
        {"[Info]\r\nTitel = Tool\r\nVersion = 1/2\r\nGUID = {G}\r\nAuthor = Au\r\n", "cannot be a winget package version"},
        {"[Info]\r\nTitel = Tool\r\nVersion = 1\r\nGUID = A\\B\r\nAuthor = Au\r\n", "cannot name a registry key"},
    };
    for (const auto& [ini, message] : cases) {
        SCOPED_TRACE(message);
        Run r = Winget(BuildSetup(ini));
        EXPECT_EQ(r.Code, kExitFailure) << r.Err;
        EXPECT_NE(r.Err.find(message), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find("Tool Setup.exe"), std::string::npos) << "names the setup: " << r.Err;
        EXPECT_TRUE(DirIsEmpty());
    }
}

TEST_F(WingetTest, BadOptionsAndFilesAreRefusedAndNothingIsWritten) {
    std::string setup = BuildSetup(kFullIni);
    const std::vector<std::pair<std::vector<std::string>, std::string>> failures = {
        {{"--id", "NoDot"}, "not a winget package identifier"},
        {{"--id", ".Lead"}, "not a winget package identifier"},
        {{"--id", "A..B"}, "not a winget package identifier"},
        {{"--id", "A.B."}, "not a winget package identifier"},
        {{"--id", "A.B C"}, "not a winget package identifier"},
        {{"--id", "A.B\xC2\xA0" "C"}, "not a winget package identifier"},
        {{"--id", "A/B.C"}, "not a winget package identifier"},
        {{"--id", "A." + std::string(33, 'b')}, "not a winget package identifier"},
        {{"--id", "a.b.c.d.e.f.g.h.i"}, "not a winget package identifier"},
        {{"--url", "ftp://example.com/s.exe"}, "--url"},
        {{"--url", "https://"}, "--url"},
        {{"--locale", "english"}, "--locale"},
        {{"--locale", "en_US"}, "--locale"},
        {{"--description", "ab"}, "ShortDescription takes 3 to 256"},
        {{"--license", std::string(513, 'x')}, "License takes 3 to 512"},
        {{"--license-url", "example.com"}, "--license-url"},
        {{"--description", "two\nlines"}, "control character"},
    };
    for (const auto& [extra, message] : failures) {
        SCOPED_TRACE(message + " " + extra[1]);
        std::vector<std::string> args = {"winget", setup, "--id", "Sample.Tool", "--url",
                                         "https://example.com/s.exe", "-o", Dir()};
        // A later option of the same name wins.
        args.insert(args.end(), extra.begin(), extra.end());
        std::string out, err;
        EXPECT_EQ(RunWbpack(args, out, err, false), kExitFailure) << err;
        EXPECT_NE(err.find(message), std::string::npos) << err;
        EXPECT_TRUE(DirIsEmpty());
    }
    // Accepted at the edges of the patterns.
    for (const std::string& id :
         std::vector<std::string>{"a.b", "a.b.c.d.e.f.g.h", std::string(32, 'p') + ".Tool"}) {
        EXPECT_EQ(Winget(setup, {}, id).Code, 0) << id;
    }
    for (const char* locale : {"en", "fil-PH", "i-klingonian", "x-private", "zh-Hant-TW"}) {
        EXPECT_EQ(Winget(setup, {"--locale", locale}).Code, 0) << locale;
        EXPECT_TRUE(fs::exists(Dir() + "/Sample.Tool.locale." + std::string(locale) + ".yaml"))
            << locale;
    }
    fs::remove_all(Dir());

    // Usage errors: what the command needs.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"winget", setup, "--url", "https://e.com/s.exe", "-o", Dir()},
          {"winget", setup, "--id", "A.B", "-o", Dir()},
          {"winget", setup, "--id", "A.B", "--url", "https://e.com/s.exe"},
          {"winget", "--id", "A.B", "--url", "https://e.com/s.exe", "-o", Dir()},
          {"winget", setup, "--id", "A.B", "--url", "https://e.com/s.exe", "-o", Dir(), "--arch", "x64"},
          {"winget", setup, "--id"}}) {
        std::string out, err;
        EXPECT_EQ(RunWbpack(args, out, err, false), kExitUsage) << err;
        EXPECT_NE(err.find("usage: wbpack winget"), std::string::npos) << err;
        EXPECT_TRUE(DirIsEmpty());
    }

    // Not a setup: a missing file, a bare Package, a stub of no known machine, a damaged one.
    std::string out, err;
    EXPECT_EQ(Winget(root_ + "/missing.exe").Code, kExitFailure);
    std::string bytes;
    {
        std::ifstream f(setup, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    ASSERT_EQ(RunWbpack({"pack", root_ + "/project", "-o", root_ + "/bare.pck", "--quiet"}, out,
                        err, false),
              0)
        << err;
    Run bare = Winget(root_ + "/bare.pck");
    EXPECT_EQ(bare.Code, kExitFailure);
    EXPECT_NE(bare.Err.find("no x86 or x64 installer stub"), std::string::npos) << bare.Err;
    WriteStub(0xAA64);
    Run arm = Winget(BuildSetup(kFullIni));
    EXPECT_NE(arm.Err.find("no x86 or x64 installer stub"), std::string::npos) << arm.Err;
    std::string damaged = bytes;
    damaged[2048 + 40] ^= 0x5A;
    Write("damaged.exe", damaged);
    Run bad = Winget(root_ + "/damaged.exe");
    EXPECT_EQ(bad.Code, kExitFailure);
    EXPECT_NE(bad.Err.find("damaged"), std::string::npos) << bad.Err;
    EXPECT_TRUE(DirIsEmpty());
}

TEST_F(WingetTest, ARunAgainReplacesTheManifestsAndAFailedOneKeepsThem) {
    std::string setup = BuildSetup(kFullIni);
    ASSERT_EQ(Winget(setup, {"--license", "MIT"}).Code, 0);
    ASSERT_EQ(Winget(setup, {"--license", "Apache-2.0"}).Code, 0);
    winget_check::Manifests m = winget_check::ReadAndCheck(Dir(), "Sample.Tool", "en-US");
    EXPECT_EQ(Str(m.Locale, "License"), "Apache-2.0");
    std::string before = winget_check::Slurp(Dir() + "/Sample.Tool.locale.en-US.yaml");
    EXPECT_EQ(Winget(setup, {"--license", "x"}).Code, kExitFailure);
    EXPECT_EQ(winget_check::Slurp(Dir() + "/Sample.Tool.locale.en-US.yaml"), before);
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(Dir())) files += e.is_regular_file();
    EXPECT_EQ(files, 3u) << "no temporary files left behind";
}

}  // namespace
}  // namespace wb
