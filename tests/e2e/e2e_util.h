// Building setups for end-to-end tests: a project folder and wbpack.
#pragma once

#include <map>
#include <string>
#include <thread>
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

// A helper program of these tests (tests/e2e/win32/) kept running until the test ends it:
// `exe` is started with the Windows paths of a ready file, which it writes once it holds
// what it holds, and of a stop file, which it waits for, then `args`. Stop(), or the end of
// the object's life, writes the stop file and waits for the program to end.
class HeldRun {
public:
    HeldRun(const std::string& name, const std::string& exe, const std::vector<std::string>& args);
    ~HeldRun() { Stop(); }
    HeldRun(const HeldRun&) = delete;
    HeldRun& operator=(const HeldRun&) = delete;
    void Stop();
    bool Ready() const { return ready_; }

private:
    std::string dir_;
    std::thread thread_;
    RunResult run_;
    bool ready_ = false;
};

// The probe dump a probe-stub setup wrote beside itself.
std::string ReadProbe(const std::string& setup);

}  // namespace e2e
