// The Windows side of the uninstaller: its window and the removal of its own file.
//
// The window is one top-level window of class "WendleboxUninstall", caption " " + Titel,
// with these control numbers:
//   10  the Msg text            11  the UninstInfo text
//   12  program name and the Version label with the version
//   13  the DelAll check box (absent when NoDelAll is 1)
//   14  the status line: what is being removed, then Status (or Error)
//    1  OK, which starts the removal and then reads Ready and ends the program
//    2  Cancel (exit code 1)
#pragma once

#include <string>

namespace wb {

// Shows the window for the installation in `folder` (ending in "\"), whose uninstaller
// is `selfPath`; returns the exit code.
unsigned RunUninstallWindow(const std::string& folder, const std::string& selfPath);

// Starts a copy of the uninstaller in the temporary folder that waits for this process to
// end, deletes `selfPath` and then `folder` when it is empty and no system folder.
void FinishFromTemporaryCopy(const std::string& selfPath, const std::string& folder);

}  // namespace wb
