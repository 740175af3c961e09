// Reads the keys of a Preference text for the authoring tool.
#include "wbpack/ini_text.h"

#include <cstdlib>

#include "wbpack/codepage.h"

namespace wb {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool SameNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = char(x - 32);
        if (y >= 'a' && y <= 'z') y = char(y - 32);
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

std::string TrimRight(std::string s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
    return s;
}

// UTF-8 to Latin-1 bytes; empty when a character lies above U+00FF or the text is malformed.
std::string Utf8ToLatin1(const std::string& text) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t c;
        if (!NextUtf8(text, pos, c) || c > 0xFF) return std::string();
        out += char(c);
    }
    return out;
}

}  // namespace

IniText ParseIniText(const std::string& bytes) {
    IniText ini;
    size_t pos = 0;
    bool utf8 = bytes.size() > 2 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (utf8) pos = 3;
    std::string group;
    size_t groupIndex = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of(std::string("\r\n\0", 3), pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        if (first == line.size() || line[first] == ';') continue;
        if (line[first] == '[') {
            size_t close = line.find(']', first + 1);
            group = line.substr(first + 1, close == std::string::npos ? std::string::npos
                                                                      : close - first - 1);
            if (utf8) group = Utf8ToLatin1(group);
            ini.Groups.push_back(group);
            groupIndex = ini.Groups.size();
            continue;
        }
        size_t eq = line.find('=', first);
        IniKey k;
        k.Group = group;
        k.GroupIndex = groupIndex;
        k.Key = TrimRight(line.substr(first, eq == std::string::npos ? std::string::npos
                                                                     : eq - first));
        if (eq != std::string::npos) {
            size_t v = eq + 1;
            while (v < line.size() && IsBlank(line[v])) ++v;
            k.Value = line.substr(v);
        }
        if (utf8) {
            k.Key = Utf8ToLatin1(k.Key);
            k.Value = Utf8ToLatin1(k.Value);
        }
        ini.Keys.push_back(std::move(k));
    }
    return ini;
}

std::string IniString(const IniText& ini, const char* group, const char* key,
                      const std::string& fallback) {
    // Only the first group of a name is reachable.
    size_t wanted = 0;
    if (*group) {
        for (size_t i = 0; i < ini.Groups.size() && wanted == 0; ++i) {
            if (SameNoCase(ini.Groups[i], group)) wanted = i + 1;
        }
        if (wanted == 0) return fallback;
    }
    for (const IniKey& k : ini.Keys) {
        if (k.GroupIndex == wanted && SameNoCase(k.Key, key)) return TrimRight(k.Value);
    }
    return fallback;
}

long IniNumber(const IniText& ini, const char* group, const char* key, long fallback) {
    const std::string missing = "\x01missing";
    std::string v = IniString(ini, group, key, missing);
    if (v == missing) return fallback;
    return std::strtol(v.c_str(), nullptr, 10);
}

}  // namespace wb
