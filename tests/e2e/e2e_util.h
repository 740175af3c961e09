// Building setups for end-to-end tests: a project folder and wbpack.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "e2e/wine_harness.h"

namespace e2e {

// Writes a project: `files` maps relative names ("setup.ini", "program/a.txt") to bytes.
std::string MakeProject(const std::string& name, const std::map<std::string, std::string>& files);

// Runs wbpack build on `project` with `stub`, writing `setup`; returns wbpack's exit code.
int BuildSetup(const std::string& project, const std::string& setup, const std::string& stub,
               const std::string& extraArgs = "");

// The names in `after` that are not in `before` (both sorted, as GuidFolders gives them).
std::vector<std::string> NewFolders(const std::vector<std::string>& before,
                                    const std::vector<std::string>& after);

// Adds to `project` an AfterWB.exe (the test hook program) that copies the temporary setup
// folder, sub-folders and file times included, into `snapshotDir` (a Linux path) and notes
// that folder's Windows path in `snapshotDir` + ".where": the finish removes the folder
// itself, so tests look at the copy. Leaves the hook mode to the caller (it needs 1 or 3).
void AddTempFolderSnapshot(const std::string& project, const std::string& snapshotDir);
// The Windows path of the temporary setup folder that the snapshot hook saw (no trailing "\").
std::string SnapshotSource(const std::string& snapshotDir);

// Waits up to `seconds` for a Linux path to vanish (the uninstaller's last step runs in a
// copy of itself after it has ended).
bool GoneWithin(const std::string& linuxPath, int seconds);

// Runs the test driver (tests/e2e/win32/wbdriver.cpp) with `args`, bounded by 60 s.
RunResult Driver(const std::vector<std::string>& args);

// The probe dump a probe-stub setup wrote beside itself.
std::string ReadProbe(const std::string& setup);

}  // namespace e2e
