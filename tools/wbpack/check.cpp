// Checks a setup description against the keys the installer reads, the Install task
// kinds and the project's files.
#include "wbpack/check.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "config/pref_file.h"
#include "config/setup_keys.h"
#include "config/special_folders.h"
#include "platform/text.h"
#include "wbpack/codepage.h"
#include "wbpack/host_files.h"
#include "wbpack/ini_text.h"
#include "wbpack/project.h"

namespace wb {

namespace {

// Windows programs fail on paths of more characters (MAX_PATH less the closing NUL).
constexpr size_t kMaxPathChars = 259;
// The longest user name Windows accepts: the worst case of folders in the user's profile.
constexpr const char kLongUser[] = "C:\\Users\\ABCDEFGHIJKLMNOPQRST\\";

const char* const kGroups[] = {"Info", "Settings", "Task", "StartMenue", kUserTaskGroup};

std::string Lower(std::string s) {
    for (char& c : s) c = AsciiLower(c);
    return s;
}

std::string Normalized(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    while (!name.empty() && name.back() == '\\') name.pop_back();
    while (!name.empty() && name.front() == '\\') name.erase(0, 1);
    return name;
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

struct KeyLine {
    uint32_t Line = 0;
    std::string Key;    // as written
    std::string Value;  // as the installer reads it (trimmed, 8-bit)
    std::string Raw;    // the file's bytes
};

class Checker {
public:
    Checker(const std::string& bytes, const ProjectListing& files, const CheckOptions& options)
        : ini_(ParseIniText(bytes)), files_(files), options_(options) {}

    std::vector<CheckFinding> Run() {
        ReadLines();
        CheckInfo();
        CheckSettings();
        CheckTask();
        CheckStartMenu();
        CheckTasks();
        CheckOwnFiles();
        std::stable_sort(out_.begin(), out_.end(), [](const CheckFinding& a, const CheckFinding& b) {
            return a.File == b.File ? a.Line < b.Line : a.File > b.File;
        });
        return std::move(out_);
    }

private:
    IniText ini_;
    const ProjectListing& files_;
    const CheckOptions& options_;
    std::vector<CheckFinding> out_;
    std::map<std::string, uint32_t> groupLine_;  // lower-case known group -> its line
    std::map<std::string, KeyLine> keys_;        // "group/key" in lower case -> first line
    std::map<int, KeyLine> tasks_;               // task number -> line

    void Add(uint32_t line, bool error, std::string text) {
        out_.push_back(CheckFinding{"setup.ini", line, error, std::move(text)});
    }
    void Error(uint32_t line, std::string text) { Add(line, true, std::move(text)); }
    void Warn(uint32_t line, std::string text) { Add(line, false, std::move(text)); }

    const KeyLine* Key(const char* group, const char* key) const {
        auto at = keys_.find(Lower(group) + "/" + Lower(key));
        return at == keys_.end() ? nullptr : &at->second;
    }
    uint32_t GroupLine(const char* group) const {
        auto at = groupLine_.find(Lower(group));
        return at == groupLine_.end() ? 1 : at->second;
    }

    static std::string Suggest(const std::string& name, const std::vector<std::string>& known) {
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

    // The value as the installer reads it from a key line.
    std::string ReadValue(const PrefLine& line) const {
        // Leading blanks are already gone; only the trailing ones are trimmed on reading.
        std::string value = line.Value;
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
        if (!ini_.Doc.Utf8) return value;
        std::string latin1;
        Utf8ToLatin1(value, latin1);
        return latin1;
    }

    void ReadLines() {
        std::string group;       // lower case; empty before the first group
        bool groupKnown = false;
        bool groupRepeated = false;
        std::map<std::string, uint32_t> seenKeys;
        bool reportedTop = false;
        const auto& lines = ini_.Doc.Lines;
        for (size_t i = 0; i < lines.size(); ++i) {
            const PrefLine& l = lines[i];
            uint32_t n = ini_.LineNumbers[i];
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
                    Error(n, "unknown group [" + l.Name + "]; its keys are never read" +
                                 Suggest(l.Name, names));
                    continue;
                }
                groupKnown = true;
                auto [at, fresh] = groupLine_.emplace(group, n);
                if (!fresh) {
                    groupRepeated = true;
                    Error(n, "[" + l.Name + "] repeats the group of line " +
                                 std::to_string(at->second) +
                                 "; only the first one is read, so the keys below are ignored");
                }
                continue;
            }
            if (group.empty()) {
                if (!reportedTop) {
                    Error(n, "'" + l.Name + "' stands before the first group and is never read");
                }
                reportedTop = true;
                continue;
            }
            if (!groupKnown || groupRepeated) continue;
            auto [seen, fresh] = seenKeys.emplace(Lower(l.Name), n);
            if (!fresh) {
                Warn(n, "'" + l.Name + "' repeats the key of line " + std::to_string(seen->second) +
                            "; only the first one is read");
                continue;
            }
            KeyLine kl{n, l.Name, ReadValue(l), l.Value};
            if (group == Lower(kUserTaskGroup)) {
                ReadUserTaskKey(kl);
                continue;
            }
            if (!FindSetupKey(group.c_str(), l.Name.c_str())) {
                UnknownKey(kl, group);
                continue;
            }
            CheckEncoding(kl);
            keys_[group + "/" + Lower(l.Name)] = kl;
        }
    }

    void UnknownKey(const KeyLine& kl, const std::string& group) {
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
        Error(kl.Line, text);
    }

    void ReadUserTaskKey(const KeyLine& kl) {
        if (SameTextNoCase(kl.Key, kTaskCountKey)) {
            keys_[Lower(kUserTaskGroup) + "/" + Lower(kTaskCountKey)] = kl;
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
            Error(kl.Line, "unknown key '" + k + "' in this group; it is never read" + hint);
            return;
        }
        CheckEncoding(kl);
        tasks_[int(WideNumber(k.substr(4)))] = kl;
    }

    // Whether the value's text reaches the target system as the author wrote it.
    void CheckEncoding(const KeyLine& kl) {
        const std::string& raw = kl.Raw;
        bool ascii = std::all_of(raw.begin(), raw.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (ascii) return;
        const int cp = options_.CodePage;
        if (ini_.Doc.Utf8) {
            std::string latin1;
            if (!Utf8ToLatin1(raw, latin1)) {
                Warn(kl.Line, "'" + kl.Key + "' holds a character beyond Latin-1, which a UTF-8 "
                              "setup.ini cannot pass on: the installer reads the value as empty");
            } else if (cp != 1252) {
                Warn(kl.Line, "'" + kl.Key + "': a UTF-8 setup.ini is read as Latin-1 bytes, which "
                              "code page " + std::to_string(cp) + " shows as '" +
                              CodePageToUtf8(latin1, cp) + "'; save setup.ini in code page " +
                              std::to_string(cp) + " instead");
            }
            return;
        }
        size_t pos = 0;
        char32_t ch = 0;
        bool utf8 = true;
        while (pos < raw.size() && utf8) utf8 = NextUtf8(raw, pos, ch);
        if (utf8) {
            Warn(kl.Line, "'" + kl.Key + "' is written in UTF-8 but setup.ini has no byte-order "
                          "mark: the installer takes the bytes in code page " + std::to_string(cp) +
                          " and shows '" + CodePageToUtf8(raw, cp) +
                          "'; save setup.ini as UTF-8 with a byte-order mark");
            return;
        }
        if (CodePageToUtf8(raw, cp).find('_') != std::string::npos &&
            raw.find('_') == std::string::npos) {
            Warn(kl.Line, "'" + kl.Key + "' holds a byte code page " + std::to_string(cp) +
                          " does not define");
        }
    }

    // A key typed as a number must hold one; an 8-bit one must fit in 8 bits.
    void CheckNumbers() {
        for (const SetupKey& k : SetupKeys()) {
            if (k.Type == SetupKeyType::Text) continue;
            const KeyLine* kl = Key(k.Group, k.Key);
            if (!kl) continue;
            if (!IsDecimal(kl->Value)) {
                Error(kl->Line, "'" + kl->Key + "' takes a number, not '" + kl->Value +
                                    "' (read as " +
                                    std::to_string(ParseLeadingNumber(kl->Value)) + ")");
            } else if (k.Type == SetupKeyType::Byte &&
                       (WideNumber(kl->Value) < 0 || WideNumber(kl->Value) > 255)) {
                Error(kl->Line, "'" + kl->Key + "' = " + kl->Value +
                                    " is out of range: only its low 8 bits count (0 to 255)");
            }
        }
    }

    bool InProgram(const std::string& name) const {
        return files_.Program.count(FoldName(Normalized(name), files_.CodePage)) != 0;
    }
    bool InOuter(const std::string& name) const {
        return files_.Outer.count(FoldName(Normalized(name), files_.CodePage)) != 0;
    }

    // Path macros of `text`: every %Name% must be one of `allowed` (case-sensitive).
    void CheckMacros(uint32_t line, const std::string& what, const std::string& text,
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
                    Warn(line, what + ": " + macro + " already ends in a backslash, so '" + macro +
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
            Error(line, what + ": " + macro + " is not a Path macro here and stays as written" +
                            hint);
        }
    }

    static std::vector<std::string> StageOne() {
        std::vector<std::string> names;
        for (const PathMacro& m : kPathMacros) names.push_back(m.Macro);
        return names;
    }

    // A folder of the target system as long as it is likely to get, for the length warning.
    std::string SampleFolder(int32_t code) const {
        const std::string programFiles =
            options_.Arch == StubArch::X64 ? "C:\\Program Files\\" : "C:\\Program Files (x86)\\";
        const std::string roaming = std::string(kLongUser) + "AppData\\Roaming\\";
        switch (code) {
            case kFolderProgramFiles: return programFiles;
            case kFolderWindows: return "C:\\Windows\\";
            case kFolderSystem: return "C:\\Windows\\System32\\";
            case kFolderCommonFiles: return programFiles + "Common Files\\";
            case kFolderAppData: return roaming;
            case kFolderStartup: return roaming + "Microsoft\\Windows\\Start Menu\\Programs\\Startup\\";
            case kFolderQuickLaunch: return roaming + "Microsoft\\Internet Explorer\\Quick Launch\\";
            case kFolderDocuments: return std::string(kLongUser) + "Documents\\";
            case kFolderFonts: return "C:\\Windows\\Fonts\\";
            default: return {};
        }
    }

    void CheckInfo() {
        const KeyLine* titel = Key("Info", "Titel");
        if (!titel || titel->Value.empty()) {
            Warn(titel ? titel->Line : GroupLine("Info"),
                 "no Titel: the wizard and the uninstall entry show '--- unkown ---'");
        }
        const KeyLine* guid = Key("Info", "GUID");
        if (!guid || guid->Value.empty()) {
            Warn(guid ? guid->Line : GroupLine("Info"),
                 "no GUID: the setup makes no stable uninstall entry and remembers no choices; "
                 "wbpack init writes a fresh one");
        } else if (!IsGuid(guid->Value)) {
            Error(guid->Line, "GUID '" + guid->Value + "' is not a GUID; write it as "
                              "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hexadecimal digits");
        }
        for (const char* key : {"Titel", "Version", "Author", "PrgSize", "Date"}) {
            const KeyLine* kl = Key("Info", key);
            if (kl && kl->Value.find(" ;") != std::string::npos) {
                Warn(kl->Line, "';' does not start a comment inside a value: it is part of '" +
                                   kl->Key + "'");
            }
        }
    }

    static bool IsGuid(const std::string& v) {
        if (v.size() != 38 || v.front() != '{' || v.back() != '}') return false;
        for (size_t i = 1; i < 37; ++i) {
            char c = v[i];
            bool dash = i == 9 || i == 14 || i == 19 || i == 24;
            bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (dash ? c != '-' : !hex) return false;
        }
        return true;
    }

    void CheckSettings() {
        CheckNumbers();
        if (const KeyLine* exe = Key("Settings", "ProgExe"); exe && !exe->Value.empty()) {
            if (!InProgram(exe->Value)) {
                Error(exe->Line, "ProgExe '" + exe->Value + "' is not in program/");
            }
            const std::string& v = exe->Value;
            if (v.size() < 4 || v.compare(v.size() - 4, 4, ".exe") != 0) {
                Warn(exe->Line, "ProgExe '" + v + "' does not end in '.exe' (lower case): the "
                                "setup offers no start of the program at its end");
            }
        }
        CheckDefaultDir();
        if (const KeyLine* bitmap = Key("Settings", "Bitmap"); bitmap && !bitmap->Value.empty()) {
            if (!InOuter(bitmap->Value)) {
                Error(bitmap->Line, "Bitmap '" + bitmap->Value + "' is not in the project");
            }
        }
        if (const KeyLine* lang = Key("Settings", "Language"); lang && !lang->Value.empty()) {
            CheckLanguageList(*lang);
        }
    }

    void CheckDefaultDir() {
        const KeyLine* dir = Key("Settings", "DefaultDir");
        if (!dir || dir->Value.empty()) {
            Warn(dir ? dir->Line : GroupLine("Settings"),
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
            folder = SampleFolder(kFolderProgramFiles) + v;
        } else {
            CheckMacros(dir->Line, "DefaultDir", v, StageOne());
            folder = v;
            for (const PathMacro& m : kPathMacros) {
                folder = ReplaceAll(std::move(folder), m.Macro, SampleFolder(m.Code));
            }
        }
        if (folder.empty() || folder.back() != '\\') folder += '\\';
        std::string longest = folder + files_.LongestProgramName;
        if (!files_.LongestProgramName.empty() && longest.size() > kMaxPathChars) {
            Warn(dir->Line, "installed into " + folder + " the program file '" +
                                files_.LongestProgramName + "' gets a path of " +
                                std::to_string(longest.size()) + " characters, more than the " +
                                std::to_string(kMaxPathChars) + " Windows programs can open");
        }
    }

    void CheckLanguageList(const KeyLine& kl) {
        const std::string& list = kl.Value;
        size_t entries = CountChar(list, '|');
        if (entries > 128) {
            Error(kl.Line, "Language lists " + std::to_string(entries) +
                               " files; the language chooser takes at most 128");
        }
        size_t begin = 0;
        while (begin < list.size()) {
            size_t bar = list.find('|', begin);
            std::string entry = list.substr(begin, bar == std::string::npos ? bar : bar - begin);
            begin = bar == std::string::npos ? list.size() : bar + 1;
            if (entry.empty()) continue;
            if (bar == std::string::npos && entries >= 1) {
                Error(kl.Line, "Language entry '" + entry + "' has no closing '|' and is never "
                               "used");
                continue;
            }
            size_t hash = entry.find('#');
            std::string file = entry.substr(0, hash);
            if (!InOuter(file)) Error(kl.Line, "language file '" + file + "' is not in the project");
            if (entries >= 2) {
                std::string number = hash == std::string::npos ? "" : entry.substr(hash + 1);
                if (!IsDecimal(number) || WideNumber(number) < 1 || WideNumber(number) > 0x1FF) {
                    Error(kl.Line, "Language entry '" + entry + "' needs a primary language "
                                   "number after '#' (for example English.lng#9|)");
                }
            }
        }
    }

    void CheckTask() {
        const KeyLine* script = Key("Task", "ScriptFile");
        if (script && !script->Value.empty()) {
            const std::string& v = script->Value;
            size_t dot = v.find_last_of('.');
            size_t slash = v.find_last_of("\\/");
            std::string ext =
                dot == std::string::npos || (slash != std::string::npos && slash > dot)
                    ? std::string()
                    : Lower(v.substr(dot + 1));
            if (!InOuter(v)) Error(script->Line, "ScriptFile '" + v + "' is not in the project");
            if (ext == "vbs") {
                Warn(script->Line, "ScriptFile '" + v + "' is VBScript, which is being phased out "
                                   "of Windows; write the script in JScript (.js)");
            } else if (ext != "js") {
                Error(script->Line, "ScriptFile '" + v + "' is neither .js nor .vbs and never runs");
            }
        }
        const KeyLine* param = Key("Task", "ProgParameter");
        const KeyLine* exe = Key("Settings", "ProgExe");
        if (param && !param->Value.empty() && (!exe || exe->Value.empty())) {
            Warn(param->Line, "ProgParameter without ProgExe is never used");
        }
    }

    void CheckStartMenu() {
        for (const char* key : {"Help", "Exe"}) {
            const KeyLine* kl = Key("StartMenue", key);
            if (kl && !kl->Value.empty() && !InProgram(kl->Value)) {
                Error(kl->Line, std::string(key) + " '" + kl->Value + "' is not in program/");
            }
        }
        const KeyLine* link = Key("StartMenue", "Unistall");
        const KeyLine* none = Key("Task", "NoUninstall");
        if (link && ParseLeadingNumber(link->Value) != 0 && none &&
            (ParseLeadingNumber(none->Value) & 0xFF) != 0) {
            Warn(link->Line, "Unistall makes a link to the uninstaller, which NoUninstall leaves "
                             "out");
        }
    }

    void CheckTasks() {
        const KeyLine* number = Key(kUserTaskGroup, kTaskCountKey);
        int64_t count = 0;
        // Text in place of the number is reported with the other number keys.
        if (number && IsDecimal(number->Value)) {
            count = WideNumber(number->Value);
            if (count < 0 || count > kMaxTaskCount) {
                Error(number->Line, "Number = " + number->Value + " is out of range (0 to " +
                                        std::to_string(kMaxTaskCount) + ")");
                count = 0;
            }
        } else if (number) {
            count = ParseLeadingNumber(number->Value);
        }
        for (const auto& [n, kl] : tasks_) {
            if (n > count) {
                Error(kl.Line, kl.Key + " is past Number = " + std::to_string(count) +
                                   " and never runs");
                continue;
            }
            CheckTaskValue(kl);
        }
    }

    std::string FieldText(size_t n, const TaskFieldSpec& spec) const {
        return "field " + std::to_string(n) + " (" + spec.Name + ")";
    }

    void CheckTaskValue(const KeyLine& kl) {
        if (kl.Value.empty()) return;  // an empty task is skipped
        std::vector<std::string> fields;
        size_t start = 0;
        for (;;) {
            size_t bar = kl.Value.find('|', start);
            fields.push_back(kl.Value.substr(start, bar == std::string::npos ? bar : bar - start));
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        const uint32_t line = kl.Line;
        if (!IsDecimal(fields[0])) {
            Error(line, "task kind '" + fields[0] + "' is not a number");
            return;
        }
        int64_t kind = WideNumber(fields[0]);
        if (kind == kNoOpTaskKind) return;
        const TaskKindSpec* spec = FindTaskKind(int(kind));
        if (!spec || kind < 0 || kind > kMaxTaskKind) {
            int runs = int(int8_t(uint8_t(ParseLeadingNumber(fields[0]))));
            std::string as = runs >= 0 && runs <= kMaxTaskKind && runs != kNoOpTaskKind
                                 ? "; only its low 8 bits count, so it runs as kind " +
                                       std::to_string(runs)
                                 : "; it does nothing";
            Error(line, "task kind " + fields[0] + " is unknown (kinds are 0 to 10)" + as);
            return;
        }
        const size_t needed = spec->MinFields;
        if (fields.size() < needed) {
            std::string form = std::to_string(kind);
            for (size_t i = 0; i + 2 <= needed; ++i) form += std::string("|") + spec->Fields[i].Name;
            Error(line, "task kind " + std::to_string(kind) + " (" + spec->Title + ") needs " +
                            std::to_string(needed) + " fields, " + form + "; this task has " +
                            std::to_string(fields.size()));
            return;
        }
        auto field = [&](size_t n) { return n <= fields.size() ? fields[n - 1] : std::string(); };
        for (size_t i = 0; i < spec->Fields.size(); ++i) {
            const TaskFieldSpec& f = spec->Fields[i];
            const size_t n = i + 2;
            const std::string v = field(n);
            if (f.Required && v.empty()) {
                Error(line, FieldText(n, f) + " is empty");
                continue;
            }
            CheckTaskField(line, int(kind), n, f, v, field);
        }
    }

    template <typename Field>
    void CheckTaskField(uint32_t line, int kind, size_t n, const TaskFieldSpec& f,
                        const std::string& v, const Field& field) {
        const std::string what = FieldText(n, f);
        switch (f.Use) {
            case TaskFieldUse::IconIndex:
                if (v.empty()) break;
                if (!IsDecimal(v)) {
                    Error(line, what + " takes a number, not '" + v + "'");
                } else if (WideNumber(v) < -128 || WideNumber(v) > 127) {
                    Error(line, what + " " + v + " is out of range (-128 to 127; -1 the target's icon)");
                }
                break;
            case TaskFieldUse::Flag:
                if (!v.empty() && !IsDecimal(v)) Error(line, what + " takes 0 or 1, not '" + v + "'");
                break;
            case TaskFieldUse::RootKey: {
                uint32_t root = uint32_t(ParseLeadingNumber(v));
                if (!IsDecimal(v)) {
                    Error(line, what + " takes a number, not '" + v + "'");
                } else if (root < 0x80000000u || root > 0x80000006u || root == 0x80000004u) {
                    Error(line, what + " " + v + " is no registry root (HKEY_CURRENT_USER is "
                                "2147483649, HKEY_LOCAL_MACHINE 2147483650)");
                }
                break;
            }
            case TaskFieldUse::ProgramPath:
                if (kind != 10 && CountChar(v, '%') == 2) {
                    CheckMacros(line, what, v, StageOne());
                } else if (!InProgram(v)) {
                    Error(line, what + " '" + v + "' is not in program/");
                }
                break;
            case TaskFieldUse::IconFile:
                if (v.empty() || ParseLeadingNumber(field(n - 1)) == -1) break;
                if (CountChar(v, '%') == 2) {
                    CheckMacros(line, what, v, StageOne());
                } else if (!InProgram(v)) {
                    Warn(line, what + " '" + v + "' is not in program/; the shortcut takes its "
                                "target's icon");
                }
                break;
            case TaskFieldUse::SetupFile:
                if (!InOuter(v)) Error(line, what + " '" + v + "' is not in the project");
                break;
            case TaskFieldUse::TargetFolder: {
                std::vector<std::string> allowed = StageOne();
                allowed.insert(allowed.end(), {"%InstallDir%", "%ProgDir%"});
                CheckMacros(line, what, v, allowed);
                break;
            }
            case TaskFieldUse::SystemFolder: {
                std::vector<std::string> allowed = StageOne();
                allowed.push_back("%ProgDir%");
                CheckMacros(line, what, v, allowed);
                break;
            }
            case TaskFieldUse::FileName: {
                const std::string folder = field(2);
                if (folder.rfind("%ProgDir%", 0) == 0) {
                    std::string rel = folder.substr(9) + v;
                    if (!InProgram(rel)) {
                        Error(line, what + " '" + rel + "' is not in program/ (the task registers "
                                    "or runs the installed file)");
                    }
                } else if (folder.find("%ProgDir%") == std::string::npos) {
                    size_t slash = v.find_last_of('\\');
                    std::string name = slash == std::string::npos ? v : v.substr(slash + 1);
                    if (!InOuter(name)) {
                        Error(line, what + " '" + name + "' is not in the project (the task "
                                    "copies it from the setup)");
                    }
                }
                break;
            }
            case TaskFieldUse::Extension:
                if (v[0] == '.') Error(line, what + " '" + v + "' is written without its dot");
                break;
            default:
                break;
        }
    }

    // The setup's own files under names the installer does not look for.
    void CheckOwnFiles() {
        for (const char* wrong : {"license.txt", "license.rtf"}) {
            if (InOuter(wrong) && !InOuter("licence.txt") && !InOuter("licence.rtf")) {
                out_.push_back(CheckFinding{wrong, 0, false,
                                            "the licence page shows licence.rtf or licence.txt "
                                            "(spelt so); this file is packed but never shown"});
            }
        }
    }
};

void AddName(std::set<std::string>& into, const ProjectListing& listing, const std::string& name) {
    into.insert(FoldName(Normalized(name), listing.CodePage));
}

}  // namespace

void AddOuterName(ProjectListing& listing, const std::string& name) {
    AddName(listing.Outer, listing, name);
}

void AddProgramName(ProjectListing& listing, const std::string& name) {
    AddName(listing.Program, listing, name);
    std::string stored = Normalized(name);
    if (stored.size() > listing.LongestProgramName.size()) listing.LongestProgramName = stored;
}

std::vector<CheckFinding> CheckDescription(const std::string& iniBytes,
                                           const ProjectListing& files,
                                           const CheckOptions& options) {
    return Checker(iniBytes, files, options).Run();
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
        AddProgramName(listing, "uninstall.exe");
        AddProgramName(listing, "uninstall.dat");
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
