// `wbpack check`: the mistakes in a project's setup.ini that would make the setup do
// something else than its author meant, found before the setup is built.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "wbpack/inspection/inspect.h"

namespace wb {

struct CheckFinding {
    std::string File = "setup.ini";
    uint32_t Line = 0;  // 0: the file as a whole
    bool Error = false;
    std::string Text;
};

// The names a project holds, folded as Windows compares them, with "\" separators and no
// trailing "\" on folders.
struct ProjectListing {
    std::set<std::string> Outer;     // beside setup.ini (the setup's own files)
    std::set<std::string> Program;   // below program/ (the installed files)
    std::string LongestProgramName;  // as stored, for the path-length warning
    int CodePage = 1252;
};

// Adds one stored name (8-bit, "\" or "/" separators) to a listing.
void AddOuterName(ProjectListing& listing, const std::string& name);
void AddProgramName(ProjectListing& listing, const std::string& name);

struct CheckOptions {
    int CodePage = 1252;
    StubArch Arch = StubArch::X86;  // which program-files folder the default folder lands in
};

// Every finding of the setup description `iniBytes` (setup.ini's whole file) against the
// project's files, in line order.
std::vector<CheckFinding> CheckDescription(const std::string& iniBytes, const ProjectListing& files,
                                           const CheckOptions& options);

// Reads the project folder and checks it. False, with the reason in `error`, when the
// project cannot be read at all (no folder, no setup.ini, no program/, a bad name).
bool CheckProject(const std::string& dir, const CheckOptions& options,
                  std::vector<CheckFinding>& findings, std::string& error);

bool HasError(const std::vector<CheckFinding>& findings);

// "setup.ini:12: error: text" (without the line number when Line is 0).
std::string FindingLine(const CheckFinding& finding);

// The edit distance of two names (letter case ignored, a swap of neighbours counts one);
// for the "did you mean" of a misspelt name.
size_t NameDistance(const std::string& a, const std::string& b);

}  // namespace wb
