// Reads the keys of a Preference text for the authoring tool.
#include "wbpack/authoring/ini_text.h"

namespace wb {

IniText ParseIniText(const std::string& bytes) {
    IniText ini;
    // The whole text through the installer's loader settles the encoding; then the same
    // parser runs again one file line at a time, which yields the same lines (LF only
    // separates them) and tells which line each came from.
    PrefLoadText(bytes.data(), bytes.size(), ini.Doc);
    const bool utf8 = ini.Doc.Utf8;
    ini.Doc = PrefDocument{};
    ini.Doc.Utf8 = utf8;
    size_t begin = utf8 ? 3 : 0;
    uint32_t line = 1;
    while (begin <= bytes.size()) {
        size_t end = bytes.find('\n', begin);
        if (end == std::string::npos) end = bytes.size();
        size_t added = PrefParseText(bytes.data() + begin, end - begin, ini.Doc);
        ini.LineNumbers.insert(ini.LineNumbers.end(), added, line);
        ++line;
        begin = end + 1;
    }
    return ini;
}

std::string IniString(const IniText& ini, const char* group, const char* key,
                      const std::string& fallback) {
    std::string value;
    return PrefLookup(ini.Doc, group, key, value) ? value : fallback;
}

int32_t IniNumber(const IniText& ini, const char* group, const char* key, int32_t fallback) {
    std::string value;
    return PrefLookup(ini.Doc, group, key, value) ? ParseLeadingNumber(value) : fallback;
}

}  // namespace wb
