// A read-only view of a Preference text (setup.ini) for the authoring tool, parsed and
// looked up by the installer's own Preference code, so both read every value alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/pref_file.h"

namespace wb {

struct IniText {
    PrefDocument Doc;
    // The file's line (counted from 1, by LF) of each line of Doc, for messages.
    std::vector<uint32_t> LineNumbers;
};

// Parses the whole file text (a leading EF BB BF marks UTF-8, whose values read as Latin-1)
// into the same lines as the installer's reader.
IniText ParseIniText(const std::string& bytes);

// The value of `key` in the first group named `group`, as the installer reads it, or
// `fallback` when absent.
std::string IniString(const IniText& ini, const char* group, const char* key,
                      const std::string& fallback);
// The value's leading number as the installer reads it (32-bit, wrapping), or `fallback`
// when absent.
int32_t IniNumber(const IniText& ini, const char* group, const char* key, int32_t fallback);

}  // namespace wb
