// Reads the keys of a Preference text for the authoring tool.
#include "wbpack/ini_text.h"

namespace wb {

IniText ParseIniText(const std::string& bytes) {
    IniText ini;
    PrefLoadText(bytes.data(), bytes.size(), ini.Doc);
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
