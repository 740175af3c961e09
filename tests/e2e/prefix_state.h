// The whole state of the test prefix that an installation may change: every file and folder
// of drive C (name, size, time) and both registry hives the setup writes (exported by Wine's
// own reg). Two states compared tell exactly what a run left behind.
#pragma once

#include <set>
#include <string>

namespace e2e {

struct PrefixState {
    std::set<std::string> Files;     // "relative/path|size|time" below drive_c; folders end in "/"
    std::set<std::string> Registry;  // "[key] name=value" lines of HKLM and HKCU
};

PrefixState ReadPrefixState();

// What differs, one "+ line" (only in `after`) or "- line" (only in `before`) a line;
// empty when nothing does.
std::string PrefixChanges(const PrefixState& before, const PrefixState& after);

}  // namespace e2e
