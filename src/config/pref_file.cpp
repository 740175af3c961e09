// Preference files: parsing, lookups, edits and the write-back of the one open document.
#include "config/pref_file.h"

#include <cstdio>
#include <unordered_map>

#include "platform/files.h"

namespace wb {
namespace {

// Files bigger than this are not Preference files; refusing them keeps a damaged or
// hostile file from exhausting memory.
constexpr int64_t kMaxPrefFileSize = 64 * 1024 * 1024;

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) noexcept { return c == '\r' || c == '\n' || c == '\0'; }

std::string_view TrimTrailingBlanks(std::string_view s) noexcept {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

void ParseLine(std::string_view line, PrefDocument& doc) {
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    line.remove_prefix(start);
    if (line.empty()) return;

    PrefLine out;
    if (line[0] == ';') {
        line.remove_prefix(1);
        if (!line.empty() && line[0] == ' ') line.remove_prefix(1);
        out.Kind = PrefLineKind::Comment;
        out.Name.assign(line);
    } else if (line[0] == '[') {
        line.remove_prefix(1);
        size_t close = line.find(']');
        out.Kind = PrefLineKind::Group;
        out.Name.assign(line.substr(0, close));
    } else {
        out.Kind = PrefLineKind::Key;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            out.Name.assign(TrimTrailingBlanks(line));
        } else {
            out.Name.assign(TrimTrailingBlanks(line.substr(0, eq)));
            std::string_view value = line.substr(eq + 1);
            size_t skip = 0;
            while (skip < value.size() && IsBlank(value[skip])) ++skip;
            out.Value.assign(value.substr(skip));
        }
    }
    doc.Lines.push_back(std::move(out));
}

// The process-wide document and what PrefClose needs to write it back.
struct PrefState {
    UniqueFile File;
    bool Writable = false;
    bool Active = false;       // a file is open or its path is remembered
    std::string MissingPath;   // set when the file did not exist at open
    bool Modified = false;
    PrefDocument Doc;
    long CurrentGroup = -1;    // index of the current group line; -1 is the top section
    bool HasPending = false;
    std::string Pending;       // in the document's encoding
    // The current section's keys (letter case folded) to their first line: an Uninstall
    // log holds tens of thousands of numbered keys, read and written one after another.
    std::unordered_map<std::string, long> Keys;
    bool KeysValid = false;
};

PrefState g_pref;

// Index of the key line of the section whose lines begin at `first`, or -1.
long FindKeyFrom(const PrefDocument& doc, size_t first, const std::string& key) {
    const auto& lines = doc.Lines;
    for (size_t i = first; i < lines.size(); ++i) {
        if (lines[i].Kind == PrefLineKind::Group) break;
        if (lines[i].Kind == PrefLineKind::Key && SameTextNoCase(lines[i].Name, key)) return long(i);
    }
    return -1;
}

// Index of the first group line named `name` (in the document's encoding), or -1.
long FindGroup(const PrefDocument& doc, const std::string& name) {
    const auto& lines = doc.Lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].Kind == PrefLineKind::Group && SameTextNoCase(lines[i].Name, name)) return long(i);
    }
    return -1;
}

// A key line's value as the program reads it: no trailing blanks, in the ANSI code page.
std::string ValueText(const PrefDocument& doc, const PrefLine& line) {
    std::string_view value = TrimTrailingBlanks(line.Value);
    if (!doc.Utf8) return std::string(value);
    std::string out;
    Utf8ToLatin1(value, out);
    return out;
}

// Program text in the encoding of `doc`.
std::string InEncodingOf(const PrefDocument& doc, const char* text) {
    std::string_view s = text ? text : "";
    return doc.Utf8 ? Latin1ToUtf8(s) : std::string(s);
}

std::string FoldedKey(const std::string& key) {
    std::string folded = key;
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

// Index of the key line of the current section, or -1.
long FindKey(const std::string& key) {
    if (!g_pref.KeysValid) {
        g_pref.Keys.clear();
        const auto& lines = g_pref.Doc.Lines;
        size_t i = g_pref.CurrentGroup < 0 ? 0 : size_t(g_pref.CurrentGroup) + 1;
        for (; i < lines.size() && lines[i].Kind != PrefLineKind::Group; ++i) {
            // The first of two equal keys is the one read, as a scan from the top finds.
            if (lines[i].Kind == PrefLineKind::Key) g_pref.Keys.emplace(FoldedKey(lines[i].Name), long(i));
        }
        g_pref.KeysValid = true;
    }
    const auto found = g_pref.Keys.find(FoldedKey(key));
    return found == g_pref.Keys.end() ? -1 : found->second;
}

// Where a new key of the current section goes.
size_t InsertPosition() {
    const auto& lines = g_pref.Doc.Lines;
    size_t i = g_pref.CurrentGroup < 0 ? 0 : size_t(g_pref.CurrentGroup) + 1;
    while (i < lines.size() && lines[i].Kind != PrefLineKind::Group) ++i;
    return i;
}

// Reads the whole open file into the document; false when it cannot be read.
bool LoadOpenFile() {
    int64_t length = FileLength(g_pref.File.get());
    if (length < 0 || length > kMaxPrefFileSize) return false;
    std::string text(size_t(length), '\0');
    if (length > 0 && !FileRead(g_pref.File.get(), text.data(), uint32_t(length))) return false;
    PrefLoadText(text.data(), text.size(), g_pref.Doc);
    return true;
}

void WriteBack() {
    if (!g_pref.File && !g_pref.MissingPath.empty()) {
        g_pref.File.reset(FileOpen(g_pref.MissingPath.c_str(), FileAccess::CreateAlways));
        g_pref.Writable = bool(g_pref.File);
    }
    if (!g_pref.File || !g_pref.Writable) return;
    std::string text = PrefRenderText(g_pref.Doc);
    if (!FileSeek(g_pref.File.get(), 0)) return;
    // A failed write leaves the file as far as it got; there is no one to tell.
    if (!text.empty() && !FileWrite(g_pref.File.get(), text.data(), uint32_t(text.size()))) return;
    FileTruncateHere(g_pref.File.get());
}

}  // namespace

size_t PrefParseText(const char* data, size_t length, PrefDocument& doc) {
    size_t before = doc.Lines.size();
    if (!data) return 0;
    size_t begin = 0;
    while (begin < length) {
        size_t end = begin;
        while (end < length && !IsLineEnd(data[end])) ++end;
        if (end > begin) ParseLine(std::string_view(data + begin, end - begin), doc);
        begin = end + 1;
    }
    return doc.Lines.size() - before;
}

void PrefLoadText(const char* data, size_t length, PrefDocument& doc) {
    if (!data) return;
    if (length > 2 && std::string_view(data, 3) == "\xEF\xBB\xBF") {
        doc.Utf8 = true;
        data += 3;
        length -= 3;
    }
    PrefParseText(data, length, doc);
}

bool PrefLookup(const PrefDocument& doc, const char* group, const char* key, std::string& value) {
    value.clear();
    size_t first = 0;
    if (group && *group) {
        long at = FindGroup(doc, InEncodingOf(doc, group));
        if (at < 0) return false;
        first = size_t(at) + 1;
    }
    long line = FindKeyFrom(doc, first, InEncodingOf(doc, key));
    if (line < 0) return false;
    value = ValueText(doc, doc.Lines[size_t(line)]);
    return true;
}

bool PrefHasGroup(const PrefDocument& doc, const char* group) {
    return FindGroup(doc, InEncodingOf(doc, group)) >= 0;
}

std::unordered_map<std::string, std::string> PrefGroupValues(const PrefDocument& doc,
                                                             const char* group) {
    std::unordered_map<std::string, std::string> values;
    size_t first = 0;
    if (group && *group) {
        long at = FindGroup(doc, InEncodingOf(doc, group));
        if (at < 0) return values;
        first = size_t(at) + 1;
    }
    for (size_t i = first; i < doc.Lines.size() && doc.Lines[i].Kind != PrefLineKind::Group; ++i) {
        const PrefLine& line = doc.Lines[i];
        if (line.Kind != PrefLineKind::Key) continue;
        // Keys are compared in the program's code page, as PrefLookup does.
        std::string name = doc.Utf8 ? std::string() : line.Name;
        if (doc.Utf8) Utf8ToLatin1(line.Name, name);
        values.emplace(FoldedKey(name), ValueText(doc, line));
    }
    return values;
}

std::string PrefRenderText(const PrefDocument& doc) {
    std::string out;
    if (doc.Utf8) out = "\xEF\xBB\xBF\r\n";
    for (const PrefLine& line : doc.Lines) {
        switch (line.Kind) {
            case PrefLineKind::Group: out += '['; out += line.Name; out += ']'; break;
            case PrefLineKind::Comment: out += "; "; out += line.Name; break;
            case PrefLineKind::Key: out += line.Name; out += " = "; out += line.Value; break;
        }
        out += "\r\n";
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool Utf8ToLatin1(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += char(c);
            continue;
        }
        // Only C2 and C3 lead to U+0080..U+00FF; every other lead byte is either
        // malformed, overlong (C0, C1) or a character beyond Latin-1.
        if ((c != 0xC2 && c != 0xC3) || i + 1 >= text.size()) {
            out.clear();
            return false;
        }
        auto next = static_cast<unsigned char>(text[i + 1]);
        if ((next & 0xC0) != 0x80) {
            out.clear();
            return false;
        }
        out += char(((c & 0x03) << 6) | (next & 0x3F));
        ++i;
    }
    return true;
}

int PrefOpen(const char* path) {
    PrefClose();
    g_pref.Active = true;
    if (!path || !*path) return 0;
    g_pref.File.reset(FileOpen(path, FileAccess::ReadWrite));
    g_pref.Writable = bool(g_pref.File);
    if (!g_pref.File) g_pref.File.reset(FileOpen(path, FileAccess::Read));
    if (!g_pref.File) {
        g_pref.MissingPath = path;
        return 0;
    }
    if (!LoadOpenFile()) {
        // An existing file that cannot be read must not be replaced by a later write,
        // so nothing is remembered and the document stays inert.
        g_pref.File.reset();
        g_pref.Doc = PrefDocument{};
        g_pref.Active = false;
        return 0;
    }
    return 1;
}

int PrefGroup(const char* name) {
    g_pref.HasPending = false;
    g_pref.Pending.clear();
    g_pref.KeysValid = false;
    if (!name || !*name) {
        g_pref.CurrentGroup = -1;
        return 1;
    }
    if (!g_pref.Active) return 0;
    std::string wanted = InEncodingOf(g_pref.Doc, name);
    if (long at = FindGroup(g_pref.Doc, wanted); at >= 0) {
        g_pref.CurrentGroup = at;
        return 1;
    }
    g_pref.HasPending = true;
    g_pref.Pending = std::move(wanted);
    return 0;
}

std::string PrefReadString(const char* key, const char* defaultText) {
    std::string fallback = defaultText ? defaultText : "";
    if (!g_pref.Active || g_pref.HasPending) return fallback;
    long at = FindKey(InEncodingOf(g_pref.Doc, key));
    if (at < 0) return fallback;
    return ValueText(g_pref.Doc, g_pref.Doc.Lines[size_t(at)]);
}

int32_t PrefReadNumber(const char* key, int32_t defaultNumber) {
    if (!g_pref.Active || g_pref.HasPending) return defaultNumber;
    if (FindKey(InEncodingOf(g_pref.Doc, key)) < 0) return defaultNumber;
    return ParseLeadingNumber(PrefReadString(key));
}

void PrefWriteString(const char* key, const char* value) {
    if (!g_pref.Active) return;
    auto& lines = g_pref.Doc.Lines;
    if (g_pref.HasPending) {
        lines.push_back(PrefLine{PrefLineKind::Group, std::move(g_pref.Pending), {}});
        g_pref.CurrentGroup = long(lines.size() - 1);
        g_pref.KeysValid = false;
        g_pref.HasPending = false;
        g_pref.Pending.clear();
    }
    std::string docKey = InEncodingOf(g_pref.Doc, key);
    std::string docValue = InEncodingOf(g_pref.Doc, value);
    long at = FindKey(docKey);
    if (at >= 0) {
        lines[size_t(at)].Name = std::move(docKey);
        lines[size_t(at)].Value = std::move(docValue);
    } else {
        // Insertion happens at or after the current group line, so its index stays valid.
        // The section's lines all lie before `pos`, so their indexes stay as they are.
        size_t pos = InsertPosition();
        if (g_pref.KeysValid) g_pref.Keys.emplace(FoldedKey(docKey), long(pos));
        lines.insert(lines.begin() + long(pos),
                     PrefLine{PrefLineKind::Key, std::move(docKey), std::move(docValue)});
    }
    g_pref.Modified = true;
}

void PrefWriteNumber(const char* key, int32_t number) {
    // By hand: a formatted print would bring a whole printf library into every program
    // that reads Preference files.
    char text[16];
    char* end = text + sizeof text;
    char* p = end;
    *--p = '\0';
    uint32_t magnitude = number < 0 ? 0u - uint32_t(number) : uint32_t(number);
    do {
        *--p = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (number < 0) *--p = '-';
    PrefWriteString(key, p);
}

void PrefClose() {
    if (g_pref.Active && g_pref.Modified) WriteBack();
    g_pref.File.reset();
    g_pref.Writable = false;
    g_pref.Active = false;
    g_pref.MissingPath.clear();
    g_pref.Modified = false;
    g_pref.Doc = PrefDocument{};
    g_pref.CurrentGroup = -1;
    g_pref.HasPending = false;
    g_pref.Pending.clear();
    g_pref.Keys.clear();
    g_pref.KeysValid = false;
}

const PrefDocument& PrefOpenDocument() { return g_pref.Doc; }

}  // namespace wb
