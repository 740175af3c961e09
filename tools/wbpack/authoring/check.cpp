// Checks a setup description against the keys the installer reads, the Install task
// kinds and the project's files.
#include "wbpack/authoring/check.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "config/install_scope.h"
#include "config/pref_file.h"
#include "config/setup_keys.h"
#include "config/special_folders.h"
#include "contract/contract.h"
#include "platform/text.h"
#include "wbpack/authoring/check_run.h"
#include "wbpack/codepage.h"
#include "wbpack/host_files.h"
#include "wbpack/authoring/ini_text.h"
#include "wbpack/authoring/project.h"

namespace wb {

using namespace check_parts;

namespace {

// Windows programs fail on paths of more characters (MAX_PATH less the closing NUL).
constexpr size_t kMaxPathChars = 259;
// The longest user name Windows accepts: the worst case of folders in the user's profile.
constexpr const char kLongUser[] = "C:\\Users\\ABCDEFGHIJKLMNOPQRST\\";

const char* const kGroups[] = {"Info", "Settings", "Task", "StartMenue", kUserTaskGroup};

std::string Normalized(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    while (!name.empty() && name.back() == '\\') name.pop_back();
    while (!name.empty() && name.front() == '\\') name.erase(0, 1);
    return name;
}

void Add(CheckRun& r, uint32_t line, bool error, std::string text) {
    r.Out.push_back(CheckFinding{"setup.ini", line, error, std::move(text)});
}

uint32_t GroupLine(const CheckRun& r, const char* group) {
    auto at = r.GroupLines.find(Lower(group));
    return at == r.GroupLines.end() ? 1 : at->second;
}

// The value as the installer reads it from a key line.
std::string ReadValue(const CheckRun& r, const PrefLine& line) {
    // Leading blanks are already gone; only the trailing ones are trimmed on reading.
    std::string value = line.Value;
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    if (!r.Ini.Doc.Utf8) return value;
    std::string latin1;
    Utf8ToLatin1(value, latin1);
    return latin1;
}

// Whether the value's text reaches the target system as the author wrote it.
void CheckEncoding(CheckRun& r, const KeyLine& kl) {
    const std::string& raw = kl.Raw;
    bool ascii = std::all_of(raw.begin(), raw.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return;
    const int cp = r.Options.CodePage;
    if (r.Ini.Doc.Utf8) {
        std::string latin1;
        if (!Utf8ToLatin1(raw, latin1)) {
            Warn(r, kl.Line,
                 "'" + kl.Key +
                     "' holds a character beyond Latin-1, which a UTF-8 "
                     "setup.ini cannot pass on: the installer reads the value as empty");
        } else if (cp != 1252) {
            Warn(r, kl.Line,
                 "'" + kl.Key +
                     "': a UTF-8 setup.ini is read as Latin-1 bytes, which "
                     "code page " +
                     std::to_string(cp) + " shows as '" + CodePageToUtf8(latin1, cp) +
                     "'; save setup.ini in code page " + std::to_string(cp) + " instead");
        }
        return;
    }
    size_t pos = 0;
    char32_t ch = 0;
    bool utf8 = true;
    while (pos < raw.size() && utf8) utf8 = NextUtf8(raw, pos, ch);
    if (utf8) {
        Warn(r, kl.Line,
             "'" + kl.Key +
                 "' is written in UTF-8 but setup.ini has no byte-order "
                 "mark: the installer takes the bytes in code page " +
                 std::to_string(cp) + " and shows '" + CodePageToUtf8(raw, cp) +
                 "'; save setup.ini as UTF-8 with a byte-order mark");
        return;
    }
    if (CodePageToUtf8(raw, cp).find('_') != std::string::npos &&
        raw.find('_') == std::string::npos) {
        Warn(r, kl.Line,
             "'" + kl.Key + "' holds a byte code page " + std::to_string(cp) + " does not define");
    }
}

void UnknownKey(CheckRun& r, const KeyLine& kl, const std::string& group) {
    std::vector<std::string> sameGroup;
    std::string elsewhere;
    for (const SetupKey& k : SetupKeys()) {
        if (SameTextNoCase(k.Group, group)) sameGroup.push_back(k.Key);
        if (SameTextNoCase(k.Key, kl.Key) && !SameTextNoCase(k.Group, group)) {
            elsewhere = k.Group;
        }
    }
    std::string text = "unknown key '" + kl.Key + "' in this group; it is never read";
    if (!elsewhere.empty()) {
        text += " ('" + kl.Key + "' belongs to group [" + elsewhere + "])";
    } else {
        text += Suggest(kl.Key, sameGroup);
    }
    Error(r, kl.Line, text);
}

void ReadUserTaskKey(CheckRun& r, const KeyLine& kl) {
    if (SameTextNoCase(kl.Key, kTaskCountKey)) {
        r.Keys[Lower(kUserTaskGroup) + "/" + Lower(kTaskCountKey)] = kl;
        return;
    }
    const std::string& k = kl.Key;
    bool taskName = k.size() > 4 && SameTextNoCase(k.substr(0, 4), "Task") && k[4] >= '1' &&
                    k[4] <= '9' && k.size() <= 9;
    for (size_t i = 4; taskName && i < k.size(); ++i) taskName = k[i] >= '0' && k[i] <= '9';
    if (!taskName) {
        std::string hint = k.size() > 4 && SameTextNoCase(k.substr(0, 4), "Task")
                               ? " (tasks are Task1, Task2, ... without leading zeros)"
                               : Suggest(k, {kTaskCountKey, "Task1"});
        Error(r, kl.Line, "unknown key '" + k + "' in this group; it is never read" + hint);
        return;
    }
    CheckEncoding(r, kl);
    r.Tasks[int(WideNumber(k.substr(4)))] = kl;
}

void ReadLines(CheckRun& r) {
    std::string group;  // lower case; empty before the first group
    bool groupKnown = false;
    bool groupRepeated = false;
    std::map<std::string, uint32_t> seenKeys;
    bool reportedTop = false;
    const auto& lines = r.Ini.Doc.Lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        const PrefLine& l = lines[i];
        uint32_t n = r.Ini.LineNumbers[i];
        if (l.Kind == PrefLineKind::Comment) continue;
        if (l.Kind == PrefLineKind::Group) {
            seenKeys.clear();
            group = Lower(l.Name);
            groupKnown = false;
            groupRepeated = false;
            const char* known = nullptr;
            for (const char* g : kGroups) {
                if (SameTextNoCase(g, l.Name)) known = g;
            }
            if (!known) {
                std::vector<std::string> names(std::begin(kGroups), std::end(kGroups));
                Error(r, n,
                      "unknown group [" + l.Name + "]; its keys are never read" +
                          Suggest(l.Name, names));
                continue;
            }
            groupKnown = true;
            auto [at, fresh] = r.GroupLines.emplace(group, n);
            if (!fresh) {
                groupRepeated = true;
                Error(r, n,
                      "[" + l.Name + "] repeats the group of line " + std::to_string(at->second) +
                          "; only the first one is read, so the keys below are ignored");
            }
            continue;
        }
        if (group.empty()) {
            if (!reportedTop) {
                Error(r, n, "'" + l.Name + "' stands before the first group and is never read");
            }
            reportedTop = true;
            continue;
        }
        if (!groupKnown || groupRepeated) continue;
        auto [seen, fresh] = seenKeys.emplace(Lower(l.Name), n);
        if (!fresh) {
            Warn(r, n,
                 "'" + l.Name + "' repeats the key of line " + std::to_string(seen->second) +
                     "; only the first one is read");
            continue;
        }
        KeyLine kl{n, l.Name, ReadValue(r, l), l.Value};
        if (group == Lower(kUserTaskGroup)) {
            ReadUserTaskKey(r, kl);
            continue;
        }
        if (!FindSetupKey(group.c_str(), l.Name.c_str())) {
            UnknownKey(r, kl, group);
            continue;
        }
        CheckEncoding(r, kl);
        r.Keys[group + "/" + Lower(l.Name)] = kl;
    }
}

// A key typed as a number must hold one; an 8-bit one must fit in 8 bits.
void CheckNumbers(CheckRun& r) {
    for (const SetupKey& k : SetupKeys()) {
        if (k.Type == SetupKeyType::Text) continue;
        const KeyLine* kl = Key(r, k.Group, k.Key);
        if (!kl) continue;
        if (!IsDecimal(kl->Value)) {
            Error(r, kl->Line,
                  "'" + kl->Key + "' takes a number, not '" + kl->Value + "' (read as " +
                      std::to_string(ParseLeadingNumber(kl->Value)) + ")");
        } else if (k.Type == SetupKeyType::Byte &&
                   (WideNumber(kl->Value) < 0 || WideNumber(kl->Value) > 255)) {
            Error(r, kl->Line,
                  "'" + kl->Key + "' = " + kl->Value +
                      " is out of range: only its low 8 bits count (0 to 255)");
        }
    }
}

// A folder of the target system as long as it is likely to get, for the length warning.
std::string SampleFolder(const CheckRun& r, int32_t code) {
    const std::string programFiles =
        r.Options.Arch == StubArch::X64 ? "C:\\Program Files\\" : "C:\\Program Files (x86)\\";
    const std::string roaming = std::string(kLongUser) + "AppData\\Roaming\\";
    switch (code) {
        case kFolderProgramFiles:
            return programFiles;
        case kFolderWindows:
            return "C:\\Windows\\";
        case kFolderSystem:
            return "C:\\Windows\\System32\\";
        case kFolderCommonFiles:
            return programFiles + "Common Files\\";
        case kFolderAppData:
            return roaming;
        case kFolderStartup:
            return roaming + "Microsoft\\Windows\\Start Menu\\Programs\\Startup\\";
        case kFolderQuickLaunch:
            return roaming + "Microsoft\\Internet Explorer\\Quick Launch\\";
        case kFolderDocuments:
            return std::string(kLongUser) + "Documents\\";
        case kFolderFonts:
            return "C:\\Windows\\Fonts\\";
        default:
            return {};
    }
}

bool IsGuid(const std::string& v) {
    if (v.size() != 38 || v.front() != '{' || v.back() != '}') return false;
    for (size_t i = 1; i < 37; ++i) {
        char c = v[i];
        bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex) return false;
    }
    return true;
}

void CheckInfo(CheckRun& r) {
    const KeyLine* titel = Key(r, "Info", "Titel");
    if (!titel || titel->Value.empty()) {
        Warn(r, titel ? titel->Line : GroupLine(r, "Info"),
             "no Titel: the wizard and the uninstall entry show '--- unkown ---'");
    }
    const KeyLine* guid = Key(r, "Info", "GUID");
    if (!guid || guid->Value.empty()) {
        Warn(r, guid ? guid->Line : GroupLine(r, "Info"),
             "no GUID: the setup makes no stable uninstall entry and remembers no choices; "
             "wbpack init writes a fresh one");
    } else if (!IsGuid(guid->Value)) {
        Error(r, guid->Line,
              "GUID '" + guid->Value +
                  "' is not a GUID; write it as "
                  "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hexadecimal digits");
    }
    for (const char* key : {"Titel", "Version", "Author", "PrgSize", "Date"}) {
        const KeyLine* kl = Key(r, "Info", key);
        if (kl && kl->Value.find(" ;") != std::string::npos) {
            Warn(r, kl->Line,
                 "';' does not start a comment inside a value: it is part of '" + kl->Key + "'");
        }
    }
}

void CheckDefaultDir(CheckRun& r) {
    const KeyLine* dir = Key(r, "Settings", "DefaultDir");
    if (!dir || dir->Value.empty()) {
        Warn(r, dir ? dir->Line : GroupLine(r, "Settings"),
             "no DefaultDir: a quiet installation puts the program's files straight into "
             "the program-files folder");
        return;
    }
    const std::string& v = dir->Value;
    bool drive = v.size() >= 3 && v[1] == ':' && v[2] == '\\';
    std::string folder;
    if (drive) {
        folder = v;
    } else if (CountChar(v, '%') < 2) {
        folder = SampleFolder(r, kFolderProgramFiles) + v;
    } else {
        CheckMacros(r, dir->Line, "DefaultDir", v, StageOne());
        folder = v;
        for (const PathMacro& m : kPathMacros) {
            folder = ReplaceAll(std::move(folder), m.Macro, SampleFolder(r, m.Code));
        }
    }
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    std::string longest = folder + r.Files.LongestProgramName;
    if (!r.Files.LongestProgramName.empty() && longest.size() > kMaxPathChars) {
        Warn(r, dir->Line,
             "installed into " + folder + " the program file '" + r.Files.LongestProgramName +
                 "' gets a path of " + std::to_string(longest.size()) +
                 " characters, more than the " + std::to_string(kMaxPathChars) +
                 " Windows programs can open");
    }
}

void CheckLanguageList(CheckRun& r, const KeyLine& kl) {
    const std::string& list = kl.Value;
    size_t entries = CountChar(list, '|');
    if (entries > 128) {
        Error(r, kl.Line,
              "Language lists " + std::to_string(entries) +
                  " files; the language chooser takes at most 128");
    }
    size_t begin = 0;
    while (begin < list.size()) {
        size_t bar = list.find('|', begin);
        std::string entry = list.substr(begin, bar == std::string::npos ? bar : bar - begin);
        begin = bar == std::string::npos ? list.size() : bar + 1;
        if (entry.empty()) continue;
        if (bar == std::string::npos && entries >= 1) {
            Error(r, kl.Line,
                  "Language entry '" + entry +
                      "' has no closing '|' and is never "
                      "used");
            continue;
        }
        size_t hash = entry.find('#');
        std::string file = entry.substr(0, hash);
        if (!InOuter(r, file))
            Error(r, kl.Line, "language file '" + file + "' is not in the project");
        if (entries >= 2) {
            std::string number = hash == std::string::npos ? "" : entry.substr(hash + 1);
            if (!IsDecimal(number) || WideNumber(number) < 1 || WideNumber(number) > 0x1FF) {
                Error(r, kl.Line,
                      "Language entry '" + entry +
                          "' needs a primary language "
                          "number after '#' (for example English.lng#9|)");
            }
        }
    }
}

void CheckSettings(CheckRun& r) {
    CheckNumbers(r);
    if (const KeyLine* scope = Key(r, "Settings", "Scope")) {
        ScopeOffer offer;
        if (!ParseScopeOffer(scope->Value, offer)) {
            Error(r, scope->Line,
                  "Scope '" + scope->Value +
                      "' is not machine, user or both: the setup installs for all users");
        }
    }
    if (const KeyLine* exe = Key(r, "Settings", "ProgExe"); exe && !exe->Value.empty()) {
        if (!InProgram(r, exe->Value)) {
            Error(r, exe->Line, "ProgExe '" + exe->Value + "' is not in program/");
        }
        const std::string& v = exe->Value;
        if (v.size() < 4 || v.compare(v.size() - 4, 4, ".exe") != 0) {
            Warn(r, exe->Line,
                 "ProgExe '" + v +
                     "' does not end in '.exe' (lower case): the "
                     "setup offers no start of the program at its end");
        }
    }
    CheckDefaultDir(r);
    if (const KeyLine* bitmap = Key(r, "Settings", "Bitmap"); bitmap && !bitmap->Value.empty()) {
        if (!InOuter(r, bitmap->Value)) {
            Error(r, bitmap->Line, "Bitmap '" + bitmap->Value + "' is not in the project");
        }
    }
    if (const KeyLine* lang = Key(r, "Settings", "Language"); lang && !lang->Value.empty()) {
        CheckLanguageList(r, *lang);
    }
}

void CheckTask(CheckRun& r) {
    const KeyLine* script = Key(r, "Task", "ScriptFile");
    if (script && !script->Value.empty()) {
        const std::string& v = script->Value;
        size_t dot = v.find_last_of('.');
        size_t slash = v.find_last_of("\\/");
        std::string ext = dot == std::string::npos || (slash != std::string::npos && slash > dot)
                              ? std::string()
                              : Lower(v.substr(dot + 1));
        if (!InOuter(r, v)) Error(r, script->Line, "ScriptFile '" + v + "' is not in the project");
        if (ext == "vbs") {
            Warn(r, script->Line,
                 "ScriptFile '" + v +
                     "' is VBScript, which is being phased out "
                     "of Windows; write the script in JScript (.js)");
        } else if (ext != "js") {
            Error(r, script->Line, "ScriptFile '" + v + "' is neither .js nor .vbs and never runs");
        }
    }
    const KeyLine* param = Key(r, "Task", "ProgParameter");
    const KeyLine* exe = Key(r, "Settings", "ProgExe");
    if (param && !param->Value.empty() && (!exe || exe->Value.empty())) {
        Warn(r, param->Line, "ProgParameter without ProgExe is never used");
    }
}

void CheckStartMenu(CheckRun& r) {
    for (const char* key : {"Help", "Exe"}) {
        const KeyLine* kl = Key(r, "StartMenue", key);
        if (kl && !kl->Value.empty() && !InProgram(r, kl->Value)) {
            Error(r, kl->Line, std::string(key) + " '" + kl->Value + "' is not in program/");
        }
    }
    const KeyLine* link = Key(r, "StartMenue", "Unistall");
    const KeyLine* none = Key(r, "Task", "NoUninstall");
    if (link && ParseLeadingNumber(link->Value) != 0 && none &&
        (ParseLeadingNumber(none->Value) & 0xFF) != 0) {
        Warn(r, link->Line,
             "Unistall makes a link to the uninstaller, which NoUninstall leaves "
             "out");
    }
}

// The setup's own files under names the installer does not look for.
void CheckOwnFiles(CheckRun& r) {
    for (const char* wrong : {"license.txt", "license.rtf"}) {
        if (InOuter(r, wrong) && !InOuter(r, "licence.txt") && !InOuter(r, "licence.rtf")) {
            r.Out.push_back(CheckFinding{wrong, 0, false,
                                         "the licence page shows licence.rtf or licence.txt "
                                         "(spelt so); this file is packed but never shown"});
        }
    }
}

void AddName(std::set<std::string>& into, const ProjectListing& listing, const std::string& name) {
    into.insert(FoldName(Normalized(name), listing.CodePage));
}

}  // namespace

namespace check_parts {

const KeyLine* Key(const CheckRun& r, const char* group, const char* key) {
    auto at = r.Keys.find(Lower(group) + "/" + Lower(key));
    return at == r.Keys.end() ? nullptr : &at->second;
}

std::string Lower(std::string s) {
    for (char& c : s) c = AsciiLower(c);
    return s;
}

// A decimal number as PrefReadNumber reads it, with nothing after the digits.
bool IsDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i > digits && i == text.size();
}

// The numeric text as a 64-bit number, for range checks before the installer's wrap-around.
int64_t WideNumber(const std::string& text) {
    int64_t v = 0;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (v < (int64_t(1) << 40)) v = v * 10 + (text[i] - '0');
    }
    return negative ? -v : v;
}

size_t CountChar(const std::string& s, char c) { return size_t(std::count(s.begin(), s.end(), c)); }

void Error(CheckRun& r, uint32_t line, std::string text) { Add(r, line, true, std::move(text)); }

void Warn(CheckRun& r, uint32_t line, std::string text) { Add(r, line, false, std::move(text)); }

std::string Suggest(const std::string& name, const std::vector<std::string>& known) {
    std::string best;
    size_t bestDistance = 3;
    for (const std::string& k : known) {
        size_t d = NameDistance(name, k);
        if (d < bestDistance && d * 2 < std::max(name.size(), k.size())) {
            bestDistance = d;
            best = k;
        }
    }
    return best.empty() ? std::string() : " (did you mean '" + best + "'?)";
}

bool InProgram(const CheckRun& r, const std::string& name) {
    return r.Files.Program.count(FoldName(Normalized(name), r.Files.CodePage)) != 0;
}

bool InOuter(const CheckRun& r, const std::string& name) {
    return r.Files.Outer.count(FoldName(Normalized(name), r.Files.CodePage)) != 0;
}

// Path macros of `text`: every %Name% must be one of `allowed` (case-sensitive).
void CheckMacros(CheckRun& r, uint32_t line, const std::string& what, const std::string& text,
                 const std::vector<std::string>& allowed) {
    std::vector<size_t> at;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%') at.push_back(i);
    }
    if (at.size() < 2) return;
    for (size_t i = 0; i + 1 < at.size(); i += 2) {
        std::string macro = text.substr(at[i], at[i + 1] - at[i] + 1);
        if (std::find(allowed.begin(), allowed.end(), macro) != allowed.end()) {
            if (at[i + 1] + 1 < text.size() && text[at[i + 1] + 1] == '\\') {
                Warn(r, line,
                     what + ": " + macro + " already ends in a backslash, so '" + macro +
                         "\\' makes two");
            }
            continue;
        }
        std::string exact;
        for (const std::string& a : allowed) {
            if (SameTextNoCase(a, macro)) exact = a;
        }
        std::string hint = !exact.empty() ? " (macros are case-sensitive: write " + exact + ")"
                                          : Suggest(macro, allowed);
        Error(r, line,
              what + ": " + macro + " is not a Path macro here and stays as written" + hint);
    }
}

std::vector<std::string> StageOne() {
    std::vector<std::string> names;
    for (const PathMacro& m : kPathMacros) names.push_back(m.Macro);
    return names;
}

}  // namespace check_parts

void AddOuterName(ProjectListing& listing, const std::string& name) {
    AddName(listing.Outer, listing, name);
}

void AddProgramName(ProjectListing& listing, const std::string& name) {
    AddName(listing.Program, listing, name);
    std::string stored = Normalized(name);
    if (stored.size() > listing.LongestProgramName.size()) listing.LongestProgramName = stored;
}

std::vector<CheckFinding> CheckDescription(const std::string& iniBytes, const ProjectListing& files,
                                           const CheckOptions& options) {
    CheckRun r{ParseIniText(iniBytes), files, options, {}, {}, {}, {}};
    ReadLines(r);
    CheckInfo(r);
    CheckSettings(r);
    CheckTask(r);
    CheckStartMenu(r);
    CheckTasks(r);
    CheckOwnFiles(r);
    std::stable_sort(r.Out.begin(), r.Out.end(), [](const CheckFinding& a, const CheckFinding& b) {
        return a.File == b.File ? a.Line < b.Line : a.File > b.File;
    });
    return std::move(r.Out);
}

bool CheckProject(const std::string& dir, const CheckOptions& options,
                  std::vector<CheckFinding>& findings, std::string& error) {
    findings.clear();
    HostStat st;
    if (!HostStatPath(dir, st) || !st.IsFolder) {
        error = dir + ": no such project folder";
        return false;
    }
    std::vector<uint8_t> bytes;
    const std::string iniPath = dir + kHostSeparator + "setup.ini";
    if (!HostStatPath(iniPath, st) || !st.IsFile) {
        error = dir + ": setup.ini is missing";
        return false;
    }
    if (!ReadWholeFile(iniPath, bytes, error)) return false;
    ProjectListing listing;
    listing.CodePage = options.CodePage;
    ScanOptions scan;
    scan.CodePage = options.CodePage;
    std::vector<TreeItem> items;
    const std::string programDir = dir + kHostSeparator + "program";
    if (!HostStatPath(programDir, st) || !st.IsFolder) {
        error = dir + ": the folder program/ with the program's files is missing";
        return false;
    }
    if (!ScanTree(programDir, scan, items, error)) {
        error = "program/" + error;
        return false;
    }
    for (const TreeItem& item : items) AddProgramName(listing, item.StoredName);
    std::string text(bytes.begin(), bytes.end());
    IniText ini = ParseIniText(text);
    if ((IniNumber(ini, "Task", "NoUninstall", 0) & 0xFF) == 0) {
        AddProgramName(listing, kUninstallerName);
        AddProgramName(listing, kUninstallLogName);
    }
    scan.SkipTop = {"program"};
    scan.SkipDotNamesAtTop = true;
    if (!ScanTree(dir, scan, items, error)) return false;
    for (const TreeItem& item : items) AddOuterName(listing, item.StoredName);
    findings = CheckDescription(text, listing, options);
    return true;
}

bool HasError(const std::vector<CheckFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const CheckFinding& f) { return f.Error; });
}

std::string FindingLine(const CheckFinding& f) {
    std::string where = f.File;
    if (f.Line > 0) where += ":" + std::to_string(f.Line);
    return where + (f.Error ? ": error: " : ": warning: ") + f.Text;
}

size_t NameDistance(const std::string& a, const std::string& b) {
    const std::string x = Lower(a), y = Lower(b);
    std::vector<std::vector<size_t>> d(x.size() + 1, std::vector<size_t>(y.size() + 1));
    for (size_t i = 0; i <= x.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= y.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= x.size(); ++i) {
        for (size_t j = 1; j <= y.size(); ++j) {
            size_t cost = x[i - 1] == y[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && x[i - 1] == y[j - 2] && x[i - 2] == y[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[x.size()][y.size()];
}

}  // namespace wb
