// Reading winget manifests back as a YAML reader would, and checking them against the rules
// of the 1.6.0 manifest schema. The reader knows only the YAML the manifests need (block
// mappings and sequences, plain, single- and double-quoted scalars, comment lines) and
// rejects everything else, so that output it cannot read is a failure, never a guess.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace winget_check {

enum class Style { Plain, Single, Double };

struct Node {
    enum Kind { Scalar, Map, Seq } Kind = Scalar;
    std::string Text;  // a scalar's value
    Style Quoting = Style::Plain;
    std::vector<std::pair<std::string, Node>> Fields;  // a mapping, in order
    std::vector<Node> Items;                           // a sequence

    const Node* Find(const std::string& key) const {
        for (const auto& [k, v] : Fields) {
            if (k == key) return &v;
        }
        return nullptr;
    }
};

struct Line {
    int Indent;
    std::string Text;  // without the indentation
    int Number;
};

class Reader {
public:
    bool Read(const std::string& text, Node& out, std::string& error) {
        lines_.clear();
        int number = 0;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) return Fail("the last line has no line end", error);
            std::string raw = text.substr(start, end - start);
            start = end + 1;
            ++number;
            if (raw.find('\r') != std::string::npos) return Fail("a carriage return", error);
            size_t indent = 0;
            while (indent < raw.size() && raw[indent] == ' ') ++indent;
            if (indent < raw.size() && raw[indent] == '\t') {
                return Fail("a tab in the indentation of line " + std::to_string(number), error);
            }
            std::string rest = raw.substr(indent);
            if (rest.empty() || rest[0] == '#') continue;
            if (rest == "---" || rest == "...") return Fail("a document marker", error);
            if (!rest.empty() && rest.back() == ' ') {
                return Fail("trailing blanks on line " + std::to_string(number), error);
            }
            lines_.push_back({int(indent), rest, number});
        }
        pos_ = 0;
        error_.clear();
        if (lines_.empty() || lines_[0].Indent != 0) return Fail("no top-level mapping", error);
        if (!Mapping(0, out)) {
            error = error_;
            return false;
        }
        if (pos_ != lines_.size()) {
            return Fail("line " + std::to_string(lines_[pos_].Number) + " is outside the mapping",
                        error);
        }
        return true;
    }

    // One scalar as it would follow "key: " on a line.
    bool ReadScalar(const std::string& text, Node& out, std::string& error) {
        error_.clear();
        if (!Scalar(text, 0, out)) {
            error = error_;
            return false;
        }
        return true;
    }

private:
    std::vector<Line> lines_;
    size_t pos_ = 0;
    std::string error_;

    static bool Fail(const std::string& why, std::string& error) {
        error = why;
        return false;
    }
    bool Bad(const std::string& why, int number) {
        if (error_.empty()) error_ = "line " + std::to_string(number) + ": " + why;
        return false;
    }
    static bool IsItem(const std::string& t) { return t == "-" || t.rfind("- ", 0) == 0; }

    bool Mapping(int indent, Node& out) {
        out.Kind = Node::Map;
        std::set<std::string> keys;
        while (pos_ < lines_.size() && lines_[pos_].Indent == indent && !IsItem(lines_[pos_].Text)) {
            Line line = lines_[pos_++];
            size_t colon = line.Text.find(':');
            if (colon == std::string::npos || colon == 0) return Bad("no \"key:\"", line.Number);
            std::string key = line.Text.substr(0, colon);
            for (char c : key) {
                if (!std::isalnum(static_cast<unsigned char>(c))) return Bad("key " + key, line.Number);
            }
            if (!keys.insert(key).second) return Bad("key " + key + " given twice", line.Number);
            std::string rest = line.Text.substr(colon + 1);
            Node value;
            if (rest.empty()) {
                // A nested block: deeper, or a sequence at the key's own column.
                if (pos_ >= lines_.size()) return Bad("key " + key + " has no value", line.Number);
                const Line& next = lines_[pos_];
                if (next.Indent > indent) {
                    if (!Block(next.Indent, value)) return false;
                } else if (next.Indent == indent && IsItem(next.Text)) {
                    if (!Sequence(indent, value)) return false;
                } else {
                    return Bad("key " + key + " has no value", line.Number);
                }
            } else {
                if (rest[0] != ' ') return Bad("no blank after \"" + key + ":\"", line.Number);
                if (!Scalar(rest.substr(1), line.Number, value)) return false;
            }
            out.Fields.emplace_back(key, std::move(value));
        }
        if (pos_ < lines_.size() && lines_[pos_].Indent > indent) {
            return Bad("unexpected indentation", lines_[pos_].Number);
        }
        return true;
    }

    bool Block(int indent, Node& out) {
        return IsItem(lines_[pos_].Text) ? Sequence(indent, out) : Mapping(indent, out);
    }

    bool Sequence(int indent, Node& out) {
        out.Kind = Node::Seq;
        while (pos_ < lines_.size() && lines_[pos_].Indent == indent && IsItem(lines_[pos_].Text)) {
            Line& line = lines_[pos_];
            if (line.Text == "-") return Bad("an empty sequence item", line.Number);
            std::string content = line.Text.substr(2);
            Node item;
            if (content.find(": ") != std::string::npos || content.back() == ':') {
                // "- key: value" opens a mapping at the column of its key.
                line.Indent = indent + 2;
                line.Text = content;
                if (!Mapping(indent + 2, item)) return false;
            } else {
                ++pos_;
                if (!Scalar(content, line.Number, item)) return false;
            }
            out.Items.push_back(std::move(item));
        }
        return true;
    }

    // A scalar ending its line: quoted, or plain without YAML syntax in it.
    bool Scalar(const std::string& text, int number, Node& out) {
        out.Kind = Node::Scalar;
        if (text.empty()) return Bad("an empty value", number);
        char first = text[0];
        if (first == '\'') {
            out.Quoting = Style::Single;
            size_t i = 1;
            for (; i < text.size(); ++i) {
                if (text[i] != '\'') {
                    out.Text += text[i];
                } else if (i + 1 < text.size() && text[i + 1] == '\'') {
                    out.Text += '\'';
                    ++i;
                } else {
                    break;
                }
            }
            if (i >= text.size()) return Bad("an unclosed single quote", number);
            return i + 1 == text.size() || Bad("text after a closing quote", number);
        }
        if (first == '"') {
            out.Quoting = Style::Double;
            size_t i = 1;
            for (; i < text.size() && text[i] != '"'; ++i) {
                char c = text[i];
                if (c != '\\') {
                    out.Text += c;
                    continue;
                }
                if (++i >= text.size()) return Bad("a lone backslash", number);
                switch (text[i]) {
                    case '\\': out.Text += '\\'; break;
                    case '"': out.Text += '"'; break;
                    case 't': out.Text += '\t'; break;
                    case 'n': out.Text += '\n'; break;
                    case 'r': out.Text += '\r'; break;
                    case 'x': {
                        if (i + 2 >= text.size()) return Bad("a short \\x escape", number);
                        std::string hex = text.substr(i + 1, 2);
                        if (!std::isxdigit(static_cast<unsigned char>(hex[0])) ||
                            !std::isxdigit(static_cast<unsigned char>(hex[1]))) {
                            return Bad("a bad \\x escape", number);
                        }
                        out.Text += char(std::stoi(hex, nullptr, 16));
                        i += 2;
                        break;
                    }
                    default: return Bad("an escape this reader does not know", number);
                }
            }
            if (i >= text.size()) return Bad("an unclosed double quote", number);
            return i + 1 == text.size() || Bad("text after a closing quote", number);
        }
        if (std::string("[]{}&*!|>%@`,?#-:").find(first) != std::string::npos) {
            return Bad("a plain value starting with a YAML indicator: " + text, number);
        }
        if (text.find(" #") != std::string::npos || text.find(": ") != std::string::npos ||
            text.back() == ':') {
            return Bad("a plain value holding YAML syntax: " + text, number);
        }
        for (unsigned char c : text) {
            if (c < 0x20 || c == 0x7F) return Bad("a control character", number);
        }
        out.Quoting = Style::Plain;
        out.Text = text;
        return true;
    }
};

// True when a YAML reader would take this plain scalar for something other than a string
// (null, boolean, integer, float, a YAML 1.1 timestamp or base-60 number).
inline bool PlainIsNotAString(const std::string& s) {
    static const std::regex kOther(
        "~|null|Null|NULL|"
        "[Tt]rue|TRUE|[Ff]alse|FALSE|[Yy]es|YES|[Nn]o|NO|[Oo]n|ON|[Oo]ff|OFF|[yYnN]|"
        "[-+]?[0-9][0-9_]*|0o[0-7]+|0x[0-9a-fA-F]+|0b[01]+|"
        "[-+]?(\\.[0-9]+|[0-9][0-9_]*(\\.[0-9_]*)?)([eE][-+]?[0-9]+)?|"
        "[-+]?\\.(inf|Inf|INF)|\\.(nan|NaN|NAN)|"
        "[-+]?[0-9]+(:[0-5]?[0-9])+(\\.[0-9_]*)?|"
        "[0-9]{4}-[0-9]{1,2}-[0-9]{1,2}([Tt ].*)?");
    return std::regex_match(s, kOther);
}

inline long CharCount(const std::string& s) {
    long n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

// The schema's patterns, as its JSON files state them.
inline const std::regex& IdPattern() {
    static const std::regex r(
        "^[^\\.\\s\\\\/:\\*\\?\"<>\\|\\x01-\\x1f]{1,32}(\\.[^\\.\\s\\\\/:\\*\\?\"<>\\|\\x01-\\x1f]{1,32}){1,7}$");
    return r;
}
inline const std::regex& VersionPattern() {
    static const std::regex r("^[^\\\\/:\\*\\?\"<>\\|\\x01-\\x1f]+$");
    return r;
}
inline const std::regex& LocalePattern() {
    static const std::regex r(
        "^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$");
    return r;
}
inline const std::regex& UrlPattern() {
    static const std::regex r("^([Hh][Tt][Tt][Pp][Ss]?)://.+$");
    return r;
}
inline const std::regex& ManifestVersionPattern() {
    static const std::regex r(
        "^(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])"
        "(\\.(0|[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5])){2}$");
    return r;
}
inline const std::regex& Sha256Pattern() {
    static const std::regex r("^[A-Fa-f0-9]{64}$");
    return r;
}

// A string field: a scalar that every reader takes for a string, within the lengths.
inline std::string Str(const Node& map, const std::string& key, long minLen = 0,
                       long maxLen = 100000, bool required = true) {
    const Node* n = map.Find(key);
    if (!n) {
        if (required) ADD_FAILURE() << key << " is missing";
        return "";
    }
    EXPECT_EQ(n->Kind, Node::Scalar) << key;
    if (n->Quoting == Style::Plain) {
        EXPECT_FALSE(PlainIsNotAString(n->Text)) << key << ": " << n->Text << " would not read as a string";
    }
    long length = CharCount(n->Text);
    EXPECT_GE(length, minLen) << key;
    EXPECT_LE(length, maxLen) << key;
    return n->Text;
}

inline void ExpectMatch(const std::string& value, const std::regex& pattern, const std::string& what) {
    EXPECT_TRUE(std::regex_match(value, pattern)) << what << " \"" << value << "\" breaks its pattern";
}

inline void ExpectOneOf(const std::string& value, const std::set<std::string>& allowed,
                        const std::string& what) {
    EXPECT_TRUE(allowed.count(value)) << what << " \"" << value << "\" is not in its enumeration";
}

inline void ExpectOnlyKnownFields(const Node& map, const std::set<std::string>& known,
                                  const std::string& where) {
    for (const auto& [key, value] : map.Fields) {
        EXPECT_TRUE(known.count(key)) << where << " has a field the schema does not know: " << key;
    }
}

inline void ExpectIdentity(const Node& m, const char* type) {
    ExpectMatch(Str(m, "PackageIdentifier", 0, 128), IdPattern(), "PackageIdentifier");
    ExpectMatch(Str(m, "PackageVersion", 0, 128), VersionPattern(), "PackageVersion");
    EXPECT_EQ(Str(m, "ManifestType"), type);
    std::string version = Str(m, "ManifestVersion");
    ExpectMatch(version, ManifestVersionPattern(), "ManifestVersion");
    EXPECT_EQ(version, "1.6.0");
}

inline void CheckVersionManifest(const Node& m) {
    ExpectOnlyKnownFields(m, {"PackageIdentifier", "PackageVersion", "DefaultLocale",
                              "ManifestType", "ManifestVersion"}, "version manifest");
    ExpectIdentity(m, "version");
    ExpectMatch(Str(m, "DefaultLocale", 0, 20), LocalePattern(), "DefaultLocale");
}

inline void CheckDefaultLocaleManifest(const Node& m) {
    ExpectOnlyKnownFields(
        m, {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PublisherUrl",
            "PublisherSupportUrl", "PrivacyUrl", "Author", "PackageName", "PackageUrl", "License",
            "LicenseUrl", "Copyright", "CopyrightUrl", "ShortDescription", "Description",
            "Moniker", "Tags", "Agreements", "ReleaseNotes", "ReleaseNotesUrl", "PurchaseUrl",
            "InstallationNotes", "Documentations", "Icons", "ManifestType", "ManifestVersion"},
        "defaultLocale manifest");
    ExpectIdentity(m, "defaultLocale");
    ExpectMatch(Str(m, "PackageLocale", 0, 20), LocalePattern(), "PackageLocale");
    Str(m, "Publisher", 2, 256);
    Str(m, "PackageName", 2, 256);
    Str(m, "License", 3, 512);
    Str(m, "ShortDescription", 3, 256);
    for (const char* url : {"PublisherUrl", "PackageUrl", "LicenseUrl"}) {
        if (m.Find(url)) ExpectMatch(Str(m, url, 0, 2048), UrlPattern(), url);
    }
}

// The values of the fields a root and an installer entry share.
inline void CheckInstallerFields(const Node& m) {
    if (m.Find("InstallerType")) {
        ExpectOneOf(Str(m, "InstallerType"), {"msix", "msi", "appx", "exe", "zip", "inno",
                                              "nullsoft", "wix", "burn", "pwa", "portable"},
                    "InstallerType");
    }
    if (m.Find("Scope")) ExpectOneOf(Str(m, "Scope"), {"user", "machine"}, "Scope");
    if (m.Find("UpgradeBehavior")) {
        ExpectOneOf(Str(m, "UpgradeBehavior"), {"install", "uninstallPrevious"}, "UpgradeBehavior");
    }
    if (m.Find("ElevationRequirement")) {
        ExpectOneOf(Str(m, "ElevationRequirement"),
                    {"elevationRequired", "elevationProhibited", "elevatesSelf"},
                    "ElevationRequirement");
    }
    if (m.Find("ProductCode")) Str(m, "ProductCode", 1, 255);
    if (const Node* modes = m.Find("InstallModes")) {
        EXPECT_EQ(modes->Kind, Node::Seq);
        EXPECT_LE(modes->Items.size(), 3u);
        std::set<std::string> seen;
        for (const Node& mode : modes->Items) {
            ExpectOneOf(mode.Text, {"interactive", "silent", "silentWithProgress"}, "InstallModes");
            EXPECT_TRUE(seen.insert(mode.Text).second) << "InstallModes repeats " << mode.Text;
        }
    }
    if (const Node* switches = m.Find("InstallerSwitches")) {
        EXPECT_EQ(switches->Kind, Node::Map);
        ExpectOnlyKnownFields(*switches, {"Silent", "SilentWithProgress", "Interactive",
                                          "InstallLocation", "Log", "Upgrade", "Custom"},
                              "InstallerSwitches");
        for (const auto& [key, value] : switches->Fields) Str(*switches, key, 1, key == "Custom" ? 2048 : 512);
    }
    if (const Node* codes = m.Find("ExpectedReturnCodes")) {
        EXPECT_EQ(codes->Kind, Node::Seq);
        EXPECT_LE(codes->Items.size(), 128u);
        for (const Node& c : codes->Items) {
            ExpectOnlyKnownFields(c, {"InstallerReturnCode", "ReturnResponse", "ReturnResponseUrl"},
                                  "ExpectedReturnCodes item");
            const Node* code = c.Find("InstallerReturnCode");
            ASSERT_NE(code, nullptr);
            // An integer, not a string: plain and made of digits.
            EXPECT_EQ(code->Quoting, Style::Plain);
            EXPECT_TRUE(std::regex_match(code->Text, std::regex("-?[1-9][0-9]*")))
                << "InstallerReturnCode " << code->Text;
            ExpectOneOf(Str(c, "ReturnResponse"),
                        {"packageInUse", "packageInUseByApplication", "installInProgress",
                         "fileInUse", "missingDependency", "diskFull", "insufficientMemory",
                         "invalidParameter", "noNetwork", "contactSupport",
                         "rebootRequiredToFinish", "rebootRequiredForInstall", "rebootInitiated",
                         "cancelledByUser", "alreadyInstalled", "downgrade", "blockedByPolicy",
                         "systemNotSupported", "custom"},
                        "ReturnResponse");
        }
    }
}

inline void CheckInstallerManifest(const Node& m) {
    const std::set<std::string> installerFields = {
        "InstallerLocale", "Platform", "MinimumOSVersion", "Architecture", "InstallerType",
        "NestedInstallerType", "NestedInstallerFiles", "Scope", "InstallerUrl", "InstallerSha256",
        "SignatureSha256", "InstallModes", "InstallerSwitches", "InstallerSuccessCodes",
        "ExpectedReturnCodes", "UpgradeBehavior", "Commands", "Protocols", "FileExtensions",
        "Dependencies", "PackageFamilyName", "ProductCode", "Capabilities",
        "RestrictedCapabilities", "Markets", "InstallerAbortsTerminal", "ReleaseDate",
        "InstallLocationRequired", "RequireExplicitUpgrade", "DisplayInstallWarnings",
        "UnsupportedOSArchitectures", "UnsupportedArguments", "AppsAndFeaturesEntries",
        "ElevationRequirement", "InstallationMetadata"};
    std::set<std::string> rootFields = installerFields;
    for (const char* f : {"PackageIdentifier", "PackageVersion", "Channel", "Installers",
                          "ManifestType", "ManifestVersion"}) {
        rootFields.insert(f);
    }
    for (const char* f : {"Architecture", "InstallerUrl", "InstallerSha256", "SignatureSha256"}) {
        rootFields.erase(f);
    }
    ExpectOnlyKnownFields(m, rootFields, "installer manifest");
    ExpectIdentity(m, "installer");
    CheckInstallerFields(m);
    const Node* installers = m.Find("Installers");
    ASSERT_NE(installers, nullptr) << "Installers is missing";
    ASSERT_EQ(installers->Kind, Node::Seq);
    ASSERT_GE(installers->Items.size(), 1u);
    for (const Node& i : installers->Items) {
        ASSERT_EQ(i.Kind, Node::Map);
        ExpectOnlyKnownFields(i, installerFields, "Installers item");
        ExpectOneOf(Str(i, "Architecture"), {"x86", "x64", "arm", "arm64", "neutral"}, "Architecture");
        ExpectMatch(Str(i, "InstallerUrl", 0, 2048), UrlPattern(), "InstallerUrl");
        ExpectMatch(Str(i, "InstallerSha256"), Sha256Pattern(), "InstallerSha256");
        // InstallerType is required at the root or in each installer.
        EXPECT_TRUE(m.Find("InstallerType") || i.Find("InstallerType"));
        CheckInstallerFields(i);
    }
}

struct Manifests {
    Node Version, Locale, Installer;
    bool Read = false;
};

inline std::string Slurp(const std::string& path) {
    std::string s;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

// Reads DIR/ID.yaml, DIR/ID.installer.yaml and DIR/ID.locale.LOCALE.yaml, checks each
// against the schema and the three against one another.
inline Manifests ReadAndCheck(const std::string& dir, const std::string& id,
                              const std::string& locale) {
    Manifests m;
    Reader reader;
    std::string error;
    const std::pair<std::string, Node*> files[] = {
        {dir + "/" + id + ".yaml", &m.Version},
        {dir + "/" + id + ".installer.yaml", &m.Installer},
        {dir + "/" + id + ".locale." + locale + ".yaml", &m.Locale}};
    for (const auto& [path, node] : files) {
        std::string text = Slurp(path);
        if (text.empty()) {
            ADD_FAILURE() << path << " is missing or empty";
            return m;
        }
        if (!reader.Read(text, *node, error)) {
            ADD_FAILURE() << path << ": " << error;
            return m;
        }
    }
    CheckVersionManifest(m.Version);
    CheckDefaultLocaleManifest(m.Locale);
    CheckInstallerManifest(m.Installer);
    for (const char* key : {"PackageIdentifier", "PackageVersion", "ManifestVersion"}) {
        EXPECT_EQ(Str(m.Version, key), Str(m.Installer, key)) << key;
        EXPECT_EQ(Str(m.Version, key), Str(m.Locale, key)) << key;
    }
    EXPECT_EQ(Str(m.Version, "PackageIdentifier"), id);
    EXPECT_EQ(Str(m.Version, "DefaultLocale"), Str(m.Locale, "PackageLocale"));
    EXPECT_EQ(Str(m.Locale, "PackageLocale"), locale);
    m.Read = true;
    return m;
}

// The ExpectedReturnCodes as code -> response.
inline std::map<long, std::string> ReturnCodes(const Node& installer) {
    std::map<long, std::string> codes;
    if (const Node* list = installer.Find("ExpectedReturnCodes")) {
        for (const Node& c : list->Items) {
            const Node* code = c.Find("InstallerReturnCode");
            const Node* response = c.Find("ReturnResponse");
            if (code && response) codes[std::stol(code->Text)] = response->Text;
        }
    }
    return codes;
}

// The first (and only) installer of the installer manifest.
inline const Node& FirstInstaller(const Node& installer) {
    static const Node kNone;
    const Node* list = installer.Find("Installers");
    return list && !list->Items.empty() ? list->Items[0] : kNone;
}

// SHA-256 of a file by the host's sha256sum, in upper case: a digest computed apart from
// the tool's own code.
inline std::string HostSha256(const std::string& path) {
    std::string command = "sha256sum '" + path + "'";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    out = out.substr(0, out.find(' '));
    for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace winget_check
