// Helpers of the installation tests: the example setup built for the architecture under
// test, runs watched for windows, shortcuts read back, and a prefix cleared of what the
// example installs.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "e2e/wine_harness.h"

namespace e2e {

// Builds examples/hello with the programs the build made for it into a setup of the
// architecture under test; "" when wbpack fails. `damageInnerPackage` flips a byte inside
// the inner setup.pck (built per file) and rebuilds the outer Package around it, so that
// only the program files are damaged. `options` go to wbpack build as well.
// Flips a byte inside the largest entry (or the one named `entry`) of the inner setup.pck
// of `setup` (built with --per-file, so that the entry carries a checksum). False when
// that is not possible.
bool DamageInnerPackage(const std::string& setup, const std::string& entry = "");
// Appends to `out` the outer Package of `setup`, rewritten (unpadded) with its data start
// at the end of `out`, as a tool that knows nothing of signatures would write it.
bool RepackOuterPackage(const std::string& setup, std::string& out);
std::string BuildDemoSetup(const std::string& name, bool damageInnerPackage = false,
                           const std::string& options = "");

// Removes what the example setup installs from the prefix: its folder, shortcuts,
// registry keys and the log of its Hook programs.
void ForgetDemoInstallation();

struct WatchedRun {
    RunResult Run;
    std::vector<std::string> Windows;  // captions of top-level windows the setup showed
};
WatchedRun RunSetupWatched(const std::string& setup, const std::vector<std::string>& args,
                           int seconds = 180);

// A shortcut file read back through the system's shell-link object.
struct LinkInfo {
    bool Read = false;
    std::string Target, Arguments, WorkingDir, IconFile;
    int IconIndex = 0;
};
LinkInfo ReadLink(const std::string& winPath);

// Everything of the prefix an installation could change: every file and folder of drive C
// and of the folders given (Linux paths of extra drives) with its size and a digest of its
// bytes, and the whole registry as regedit exports it. Only what Wine itself changes on
// its own (its temporary and log folders, the registry's time stamps) is left out.
struct PrefixState {
    std::map<std::string, std::string> Files;  // path -> size and digest ("folder" for folders)
    std::set<std::string> Registry;             // "[key]" and "[key] value=data" lines
};
PrefixState CapturePrefix(const std::vector<std::string>& extraFolders = {});
// What differs between two captures, one line each ("+ added", "- removed"); empty when
// they are the same.
std::string PrefixDifference(const PrefixState& before, const PrefixState& after);
// Drops the moves and deletions the system is asked to make at the next restart: the
// uninstaller's temporary copy of itself is removed that way, which a prefix never sees.
PrefixState WithoutRestartMoves(PrefixState state);

// A 130 x 300 side image as a run-length TGA: one grey a row, in two runs.
std::string SideImage();

}  // namespace e2e
