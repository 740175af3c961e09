// The winget manifests of a setup. Every fact that the installed program shows to Windows
// (publisher, version, the uninstall entry's key name) is read from the setup itself, so
// that winget finds, upgrades and removes what the setup really installs.
#include "wbpack/publishing/winget.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "config/install_scope.h"
#include "package/extract.h"
#include "package/package_format.h"
#include "contract/contract.h"
#include "wbpack/codepage.h"
#include "wbpack/commands.h"
#include "wbpack/host_files.h"
#include "wbpack/authoring/ini_text.h"
#include "wbpack/inspection/inspect.h"
#include "wbpack/publishing/sha256.h"
#include "wbpack/publishing/winget_fields.h"

namespace wb {

namespace {

const char kWingetUsage[] =
    "usage: wbpack winget SETUP.exe --id PUBLISHER.PACKAGE --url URL -o DIR\n"
    "                     [--license TEXT] [--license-url URL] [--description TEXT]\n"
    "                     [--locale en-US] [--publisher-url URL] [--package-url URL]\n"
    "                     [--codepage N]\n";

// The longest product code, a registry key name.
constexpr long kMaxProductCode = 255;

bool NamesEqualNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x + 32);
        if (y >= 'A' && y <= 'Z') y = char(y + 32);
        if (x != y) return false;
    }
    return true;
}

// The index of the outer Package's file entry `name`, compared as Windows compares the
// names of the temporary setup folder it lands in; -1 when absent.
long FindEntry(const PackageImage& image, const char* name) {
    for (size_t i = 0; i < image.Entries.size(); ++i) {
        const PackageEntry& e = image.Entries[i];
        if (e.Kind == pck::kKindFile && NamesEqualNoCase(e.Name, name)) return long(i);
    }
    return -1;
}

bool HasNonEmptyEntry(const PackageImage& image, const char* name) {
    long i = FindEntry(image, name);
    return i >= 0 && image.Entries[size_t(i)].Size > 0;
}

// What the setup tells about itself, UTF-8.
struct SetupFacts {
    std::string Title, Version, Guid, Author, Web;
    bool HasTitle = false;
    bool RegistersEntry = true;  // an uninstall entry is made
    bool MayReturnNotInstalled = false;
    bool CarriesLicence = false;
    ScopeOffer Scope = ScopeOffer::Machine;
};

bool ReadSetupFacts(const uint8_t* data, size_t size, const std::string& name, int codepage,
                    SetupFacts& facts, std::string& arch, std::string& error) {
    PackageImage image;
    if (!ReadPackageImage(data, size, image, error)) {
        error = name + ": " + error;
        return false;
    }
    StubArch stub = ReadStubArch(data, image.Trailer.DataStart);
    if (stub == StubArch::Unknown) {
        error = name + ": carries no x86 or x64 installer stub; winget needs a setup made by "
                       "wbpack build";
        return false;
    }
    arch = StubArchName(stub);
    std::vector<std::string> problems = VerifyPackageImage(data, size, false);
    if (!problems.empty()) {
        error = name + ": the setup is damaged (" + problems.front() + "; see wbpack verify)";
        return false;
    }
    long ini = FindEntry(image, "setup.ini");
    if (ini < 0) {
        error = name + ": carries no setup.ini";
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!EntryContents(data, size, image, size_t(ini), bytes, error)) {
        error = name + ": setup.ini: " + error;
        return false;
    }
    IniText text = ParseIniText(std::string(bytes.begin(), bytes.end()));
    auto value = [&](const char* group, const char* key) {
        return CodePageToUtf8(IniString(text, group, key, ""), codepage);
    };
    const std::string absent = "\x01";
    facts.HasTitle = IniString(text, "Info", "Titel", absent) != absent;
    facts.Title = value("Info", "Titel");
    facts.Version = value("Info", "Version");
    facts.Guid = value("Info", "GUID");
    facts.Author = value("Info", "Author");
    facts.Web = value("Info", "Web");
    // The installer keeps this one in an 8-bit field.
    const bool noUninstall = (IniNumber(text, "Task", "NoUninstall", 0) & 0xFF) != 0;
    const bool noShortcutName =
        IniString(text, "StartMenue", "ProgLink", absent) != absent &&
        IniString(text, "StartMenue", "ProgLink", "").empty();
    facts.RegistersEntry = !noUninstall && !noShortcutName;
    // Exit code 1: the program to be installed runs (found by its mutex, else by the process
    // of ProgExe), or BeforeWB.exe asks to stop.
    facts.MayReturnNotInstalled = !IniString(text, "Task", "MutexString", "").empty() ||
                                  !IniString(text, "Settings", "ProgExe", "").empty() ||
                                  FindEntry(image, "BeforeWB.exe") >= 0;
    ParseScopeOffer(IniString(text, "Settings", "Scope", ""), facts.Scope);
    facts.CarriesLicence = HasNonEmptyEntry(image, "licence.rtf") ||
                           HasNonEmptyEntry(image, "licence.txt");
    return true;
}

// Checks the facts winget depends on; false with the reason naming the key to fix.
bool CheckFacts(const SetupFacts& facts, std::string& error) {
    if (facts.Guid.empty()) {
        error = "setup.ini has no GUID in [Info]: without one the uninstall entry has no stable "
                "key name for winget to find the installed program by (its ProductCode); "
                "give the setup a GUID";
        return false;
    }
    if (!facts.RegistersEntry) {
        error = "the setup makes no uninstall entry (NoUninstall = 1, or an empty ProgLink): "
                "winget could neither find nor remove the installed program";
        return false;
    }
    if (facts.Guid.find('\\') != std::string::npos || HasControl(facts.Guid) ||
        Utf8Length(facts.Guid) > kMaxProductCode) {
        error = "setup.ini: GUID \"" + facts.Guid + "\" cannot name a registry key (no \\ or "
                "control characters, at most 255 characters)";
        return false;
    }
    if (!facts.HasTitle) {
        error = "setup.ini has no Titel in [Info]: winget needs the package name";
        return false;
    }
    if (!CheckText(kPackageNameRule, facts.Title, "setup.ini: Titel", error)) return false;
    if (facts.Author.empty()) {
        error = "setup.ini has no Author in [Info]: winget needs the publisher, which the "
                "uninstall entry shows as Publisher";
        return false;
    }
    if (!CheckText(kPublisherRule, facts.Author, "setup.ini: Author", error)) return false;
    if (facts.Version.empty()) {
        error = "setup.ini has no Version in [Info]: winget needs the package version";
        return false;
    }
    if (!ValidPackageVersion(facts.Version)) {
        error = "setup.ini: Version \"" + facts.Version + "\" cannot be a winget package "
                "version (at most 128 characters, none of \\ / : * ? \" < > | or control "
                "characters)";
        return false;
    }
    return true;
}

bool CheckOptions(const WingetOptions& o, std::string& error) {
    if (!ValidPackageIdentifier(o.Id)) {
        error = "--id \"" + o.Id + "\" is not a winget package identifier: Publisher.Package, "
                "2 to 8 parts separated by \".\", each of 1 to 32 characters without blanks "
                "or \\ / : * ? \" < > |, at most 128 in all";
        return false;
    }
    if (!ValidUrl(o.Url)) {
        error = "--url \"" + o.Url + "\" is not an http:// or https:// address of at most 2048 "
                "characters";
        return false;
    }
    if (!ValidLocale(o.Locale)) {
        error = "--locale \"" + o.Locale + "\" is not a language tag such as en-US";
        return false;
    }
    const std::pair<const char*, const std::string*> urls[] = {
        {"--license-url", &o.LicenseUrl}, {"--publisher-url", &o.PublisherUrl},
        {"--package-url", &o.PackageUrl}};
    for (const auto& [name, url] : urls) {
        if (!url->empty() && !ValidUrl(*url)) {
            error = std::string(name) + " \"" + *url + "\" is not an http:// or https:// " +
                    "address of at most 2048 characters";
            return false;
        }
    }
    if (!o.License.empty() && !CheckText(kLicenseRule, o.License, "--license", error)) {
        return false;
    }
    if (!o.Description.empty() &&
        !CheckText(kShortDescriptionRule, o.Description, "--description", error)) {
        return false;
    }
    return true;
}

struct Yaml {
    std::string Text;
    void Field(const std::string& indent, const char* key, const std::string& value) {
        Text += indent + key + ": " + YamlScalar(value) + "\n";
    }
    void Number(const std::string& indent, const char* key, long value) {
        Text += indent + key + ": " + std::to_string(value) + "\n";
    }
    void Key(const std::string& indent, const char* key) { Text += indent + key + ":\n"; }
    void Item(const std::string& value) { Text += "- " + YamlScalar(value) + "\n"; }
};

std::string Header(const char* type) {
    return std::string("# Written by wbpack winget.\n# yaml-language-server: $schema=https://aka.ms/"
                       "winget-manifest.") +
           type + "." + kWingetManifestVersion + ".schema.json\n\n";
}

void Identity(Yaml& y, const WingetOptions& o, const SetupFacts& facts) {
    y.Field("", "PackageIdentifier", o.Id);
    y.Field("", "PackageVersion", facts.Version);
}

void Closing(Yaml& y, const char* type) {
    y.Field("", "ManifestType", type);
    y.Field("", "ManifestVersion", kWingetManifestVersion);
}

std::string VersionManifest(const WingetOptions& o, const SetupFacts& facts) {
    Yaml y{Header("version")};
    Identity(y, o, facts);
    y.Field("", "DefaultLocale", o.Locale);
    Closing(y, "version");
    return y.Text;
}

std::string LocaleManifest(const WingetOptions& o, const SetupFacts& facts,
                           std::vector<std::string>& warnings) {
    Yaml y{Header("defaultLocale")};
    Identity(y, o, facts);
    y.Field("", "PackageLocale", o.Locale);
    y.Field("", "Publisher", facts.Author);
    if (!o.PublisherUrl.empty()) y.Field("", "PublisherUrl", o.PublisherUrl);
    y.Field("", "PackageName", facts.Title);
    std::string packageUrl = o.PackageUrl;
    if (packageUrl.empty() && !facts.Web.empty()) {
        if (ValidUrl(facts.Web)) {
            packageUrl = facts.Web;
        } else {
            warnings.push_back("Web of setup.ini (\"" + facts.Web + "\") is no http:// or "
                               "https:// address; the manifest has no PackageUrl");
        }
    }
    if (!packageUrl.empty()) y.Field("", "PackageUrl", packageUrl);
    std::string license = o.License;
    if (license.empty()) {
        // Say what is known and no more: the setup shows its licence, or nobody said.
        license = facts.CarriesLicence ? "See the licence agreement shown by the setup"
                                       : "Not stated by the publisher";
        warnings.push_back("no --license given; License is \"" + license + "\"");
    }
    y.Field("", "License", license);
    if (!o.LicenseUrl.empty()) y.Field("", "LicenseUrl", o.LicenseUrl);
    std::string description = o.Description;
    if (description.empty()) {
        description = FirstCharacters(facts.Title + " by " + facts.Author,
                                      kShortDescriptionRule.Max);
        warnings.push_back("no --description given; ShortDescription is \"" + description + "\"");
    }
    y.Field("", "ShortDescription", description);
    Closing(y, "defaultLocale");
    return y.Text;
}

std::string InstallerManifest(const WingetOptions& o, const SetupFacts& facts,
                              const std::string& arch, const std::string& sha256) {
    Yaml y{Header("installer")};
    Identity(y, o, facts);
    // What depends on the scope: at the root for a setup of one scope, in each of two
    // installer entries for a setup offering both, where the switch names the scope.
    auto scopeFields = [&](const std::string& in, bool perUser) {
        y.Field(in, "Scope", perUser ? "user" : "machine");
        const std::string silent =
            facts.Scope != ScopeOffer::Both ? "/Q" : perUser ? "/Q /CURRENTUSER" : "/Q /ALLUSERS";
        y.Key(in, "InstallerSwitches");
        y.Field(in + "  ", "Silent", silent);
        y.Field(in + "  ", "SilentWithProgress", silent);
        // Quoted whole, as the installer takes a switch whose value holds blanks.
        y.Field(in + "  ", "InstallLocation", "\"/P:<INSTALLPATH>\"");
        y.Field(in + "  ", "Log", "\"/L:<LOGPATH>\"");
        y.Key(in, "ExpectedReturnCodes");
        // A file in use is replaced at the next restart, so 3010 may come from any setup.
        // A per-user run never asks for an administrator, so it is never declined.
        for (const ExitCodeMeaning& m : kExitMeanings) {
            if (m.Code == kExitNotInstalled && !facts.MayReturnNotInstalled) continue;
            if (m.Code == kExitElevationDeclined && perUser) continue;
            y.Text += in + "- ";
            y.Number("", "InstallerReturnCode", long(m.Code));
            y.Field(in + "  ", "ReturnResponse", m.Response);
        }
        // A run for all users starts itself again through the administrator prompt; a
        // per-user run started elevated would install into the administrator's profile.
        y.Field(in, "ElevationRequirement", perUser ? "elevationProhibited" : "elevatesSelf");
    };
    y.Field("", "InstallerType", "exe");
    if (facts.Scope != ScopeOffer::Both) scopeFields("", facts.Scope == ScopeOffer::User);
    y.Key("", "InstallModes");
    y.Item("interactive");
    y.Item("silent");
    y.Item("silentWithProgress");
    y.Field("", "UpgradeBehavior", "install");
    y.Field("", "ProductCode", facts.Guid);
    y.Key("", "Installers");
    auto entry = [&](bool both, bool perUser) {
        y.Text += "- ";
        y.Field("", "Architecture", arch);
        y.Field("  ", "InstallerUrl", o.Url);
        y.Field("  ", "InstallerSha256", sha256);
        if (both) scopeFields("  ", perUser);
    };
    if (facts.Scope == ScopeOffer::Both) {
        entry(true, false);
        entry(true, true);
    } else {
        entry(false, false);
    }
    Closing(y, "installer");
    return y.Text;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct ParsedArgs {
    WingetOptions Options;
    std::string IdHost, LocaleHost, OutputDir;  // as the host spells them, for file names
};

bool ParseWingetArgs(const std::vector<std::string>& args, ParsedArgs& p, std::string& error) {
    WingetOptions& o = p.Options;
    std::vector<std::string> positional;
    bool localeGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s.size() < 2 || s[0] != '-') {
            positional.push_back(s);
            continue;
        }
        if (i + 1 >= args.size()) {
            error = s + " needs a value";
            return false;
        }
        const std::string& raw = args[++i];
        const std::string v = HostTextToUtf8(raw);
        if (s == "--id") {
            o.Id = v;
            p.IdHost = raw;
        } else if (s == "--url") {
            o.Url = v;
        } else if (s == "-o" || s == "--output") {
            p.OutputDir = raw;
        } else if (s == "--license") {
            o.License = v;
        } else if (s == "--license-url") {
            o.LicenseUrl = v;
        } else if (s == "--description") {
            o.Description = v;
        } else if (s == "--locale") {
            o.Locale = v;
            p.LocaleHost = raw;
            localeGiven = true;
        } else if (s == "--publisher-url") {
            o.PublisherUrl = v;
        } else if (s == "--package-url") {
            o.PackageUrl = v;
        } else if (s == "--codepage") {
            char* end = nullptr;
            long n = std::strtol(raw.c_str(), &end, 10);
            if (raw.empty() || *end != '\0' || !CodePageSupported(int(n))) {
                error = "code page " + raw + " is not supported (1252, 850 or 437)";
                return false;
            }
            o.CodePage = int(n);
        } else {
            error = "unknown option " + s + " for winget";
            return false;
        }
    }
    if (!localeGiven) p.LocaleHost = o.Locale;
    if (positional.size() != 1) {
        error = "winget takes one SETUP.exe";
        return false;
    }
    o.Setup = positional[0];
    if (o.Id.empty() || o.Url.empty() || p.OutputDir.empty()) {
        error = "winget needs --id PUBLISHER.PACKAGE, --url URL and -o DIR";
        return false;
    }
    return true;
}

}  // namespace

bool MakeWingetManifests(const WingetOptions& options, const uint8_t* data, size_t size,
                         WingetManifests& out, std::string& error) {
    if (!CheckOptions(options, error)) return false;
    SetupFacts facts;
    std::string name = BaseName(options.Setup);
    if (!ReadSetupFacts(data, size, name, options.CodePage, facts, out.Architecture, error)) {
        return false;
    }
    if (!CheckFacts(facts, error)) {
        error = name + ": " + error;
        return false;
    }
    out.Sha256 = Sha256Hex(data, size);
    out.Warnings.clear();
    out.Version = VersionManifest(options, facts);
    out.DefaultLocale = LocaleManifest(options, facts, out.Warnings);
    out.Installer = InstallerManifest(options, facts, out.Architecture, out.Sha256);
    return true;
}

int RunWingetCommand(const std::vector<std::string>& args, std::string& out, std::string& err) {
    ParsedArgs p;
    std::string error;
    if (!ParseWingetArgs(args, p, error)) {
        err += "wbpack: " + error + "\n" + kWingetUsage;
        return kExitUsage;
    }
    auto fail = [&](const std::string& message) {
        err += "wbpack: " + message + "\n";
        return kExitFailure;
    };
    std::vector<uint8_t> file;
    if (!ReadWholeFile(p.Options.Setup, file, error)) return fail(error);
    WingetManifests m;
    if (!MakeWingetManifests(p.Options, file.data(), file.size(), m, error)) return fail(error);

    const std::string dir = p.OutputDir + kHostSeparator;
    CreateFolderPath(dir);
    const std::string names[3] = {p.IdHost + ".yaml", p.IdHost + ".installer.yaml",
                                  p.IdHost + ".locale." + p.LocaleHost + ".yaml"};
    const std::string* texts[3] = {&m.Version, &m.Installer, &m.DefaultLocale};
    // All three are written in full before the first is moved into place, so a full disk
    // or a refused folder leaves the manifests already there untouched.
    PendingOutput outputs[3];
    for (int i = 0; i < 3; ++i) {
        if (!BeginOutput(dir + names[i], outputs[i], error)) return fail(error);
        if (!WriteAll(outputs[i].File, texts[i]->data(), texts[i]->size())) {
            return fail(dir + names[i] + ": write error");
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!CommitOutput(outputs[i], error)) return fail(error);
    }
    for (const std::string& w : m.Warnings) err += "wbpack: warning: " + w + "\n";
    out += "wrote " + dir + names[0] + ", " + names[1] + " and " + names[2] + " (" +
           m.Architecture + ", SHA-256 " + m.Sha256 + ")\n";
    return kExitSuccess;
}

}  // namespace wb
