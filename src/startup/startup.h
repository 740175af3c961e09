// The start-up sequence of the installer, from the command line to the wizard or the
// quiet installation.
#pragma once

#include <string>

#include "state/setup_state.h"

namespace wb {

// Temporary setup folder name for `tempPath` (the system's temporary folder) and a GUID
// in registry form: tempPath + guid + "\".
std::string MakeTempDirName(const std::string& tempPath, const std::string& guid);

// Creates the one temporary setup folder; trailing blanks, "\" and "/" are stripped
// first. Failure is ignored by the caller.
bool CreateTempDir(const std::string& tempDir);

// Runs start-up steps 2 to 14 on the Setup state and returns the process exit code.
// The runtime (heap, window layer, common controls, COM) is started by the caller.
unsigned RunSetup();

}  // namespace wb
