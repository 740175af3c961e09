// What the parts of `wbpack check` share: the record of one check and the helpers that
// report findings and look names up. Only check.cpp and check_tasks.cpp include it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "wbpack/authoring/check.h"
#include "wbpack/authoring/ini_text.h"

namespace wb::check_parts {

struct KeyLine {
    uint32_t Line = 0;
    std::string Key;    // as written
    std::string Value;  // as the installer reads it (trimmed, 8-bit)
    std::string Raw;    // the file's bytes
};

// One check: the description's lines and what they say, and the findings so far.
struct CheckRun {
    IniText Ini;
    const ProjectListing& Files;
    const CheckOptions& Options;
    std::vector<CheckFinding> Out;
    std::map<std::string, uint32_t> GroupLines;  // lower-case known group -> its line
    std::map<std::string, KeyLine> Keys;         // "group/key" in lower case -> first line
    std::map<int, KeyLine> Tasks;                // task number -> line
};

std::string Lower(std::string s);
// A decimal number as PrefReadNumber reads it, with nothing after the digits.
bool IsDecimal(const std::string& text);
// The numeric text as a 64-bit number, for range checks before the installer's wrap-around.
int64_t WideNumber(const std::string& text);
size_t CountChar(const std::string& s, char c);

// The first line of a known key (group and key in any letter case), or nullptr.
const KeyLine* Key(const CheckRun& r, const char* group, const char* key);

void Error(CheckRun& r, uint32_t line, std::string text);
void Warn(CheckRun& r, uint32_t line, std::string text);
// " (did you mean 'X'?)" for the nearest of `known`, or "" when none is near.
std::string Suggest(const std::string& name, const std::vector<std::string>& known);
// Whether the project holds the name below program/, or beside setup.ini.
bool InProgram(const CheckRun& r, const std::string& name);
bool InOuter(const CheckRun& r, const std::string& name);
// Path macros of `text`: every %Name% must be one of `allowed` (case-sensitive).
void CheckMacros(CheckRun& r, uint32_t line, const std::string& what, const std::string& text,
                 const std::vector<std::string>& allowed);
// The Path macros of the first stage, as written.
std::vector<std::string> StageOne();

// The Install tasks of [UserTask] and their count.
void CheckTasks(CheckRun& r);

}  // namespace wb::check_parts
