// The installation sequence and the Install tasks of group UserTask.
#pragma once

namespace wb {

// The quiet installation. Returns the exit code it earns: kExitOk, kExitDamaged when the
// inner Package is damaged (nothing is registered then), kExitWriteFailed when a program
// file could not be written.
unsigned InstallQuietly();

// Runs the Install tasks of setup.ini and fills Setup.UninstallRecords.
void RunInstallTasks();

}  // namespace wb
