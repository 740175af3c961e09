// The Hook programs and the end of a run: the temporary setup folder removed, the restart
// question, the installed program started.
#pragma once

namespace wb {

// Runs BeforeWB.exe of the temporary setup folder (when present and the hook mode is 1 or
// 2) and waits for it. Returns 1 when it ended with exit code 1, which ends the run at
// once with the temporary setup folder left in place; 0 otherwise, also when it could not
// be started.
int RunBeforeHook();

// Starts WhileWB.exe (when present; the hook mode does not matter) without waiting and
// keeps its record in Setup.WhileHook; 0 there when it is absent or did not start.
void StartWhileHook();
// Terminates WhileWB.exe when it still runs; one that ended by itself is left alone.
void StopWhileHook();

// Deletes the files directly in the temporary setup folder (sub-folders are not entered,
// attributes are not changed) and then the folder itself. Does nothing when TempDir is
// empty; failures are ignored, so a folder that still holds something stays.
void RemoveTempDir();

// The finish after the wizard's event loop, once the wizard window is closed: AfterWB.exe
// (not after Cancel), the temporary setup folder removed, then the restart question when
// Reboot is set, otherwise the installed program started when StartProg is set and the
// file exists.
void FinishWizardRun();

// The finish of the quiet run after InstallQuietly, which earned `installCode`: AfterWB.exe,
// the temporary setup folder removed. No window opens: a restart the setup asks for is
// not offered but reported. Returns the process exit code: `installCode` when it is not
// 0, else 3010 when Reboot is set, else 0.
unsigned FinishQuietRun(unsigned installCode);

}  // namespace wb
