// The start-up sequence of the installer, from the command line to the wizard or the
// quiet installation.
#pragma once

#include <string>

namespace wb {

// Process exit codes. A wizard run always ends with 0; a quiet run tells deployment
// tools whether it installed.
constexpr unsigned kExitOk = 0;
constexpr unsigned kExitNotInstalled = 1;     // BeforeWB asked to stop, or the program runs
constexpr unsigned kExitDamaged = 2;
constexpr unsigned kExitWriteFailed = 3;      // a program file could not be written
constexpr unsigned kExitRestartRequired = 3010;  // installed; a restart is needed

// The message shown (wizard run only) when the setup's own file carries no readable
// Package. No language is loaded at that point, so the text is built in.
extern const char* const kDamagedSetupCaption;
extern const char* const kDamagedSetupText;

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
