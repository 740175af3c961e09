// A read-only view of a Preference text (setup.ini), matched as the installer matches it:
// groups and keys without regard to ASCII letter case, the first group of a name only.
#pragma once

#include <string>
#include <vector>

namespace wb {

struct IniKey {
    std::string Group;  // empty for keys before the first group line
    std::string Key;
    std::string Value;  // leading blanks removed; trailing blanks removed on lookup
    size_t GroupIndex;  // which group line (1-based; 0 for the top section)
};

struct IniText {
    std::vector<IniKey> Keys;
    std::vector<std::string> Groups;  // group names in file order
};

// Parses the text; a file starting with EF BB BF is UTF-8 and its values are converted to
// Latin-1 bytes (a value with other characters reads as empty), as the installer does.
IniText ParseIniText(const std::string& bytes);

// The trimmed value of `key` in the first group named `group`, or `fallback`.
std::string IniString(const IniText& ini, const char* group, const char* key,
                      const std::string& fallback);
// The leading decimal integer of the value (0 when none), or `fallback` when absent.
long IniNumber(const IniText& ini, const char* group, const char* key, long fallback);

}  // namespace wb
