// The installation the wizard runs when Install is pressed.
#pragma once

namespace wb {

// Installs from the wizard's choices (program folder field, desktop and Start-menu
// boxes, Start-menu field), announcing each step in the install log list and moving the
// progress bar with the bytes unpacked; leaves the install page in its final state
// (run-program box and Exit shown, Cancel hidden). A damaged inner Package shows the
// damaged-setup message and installs nothing further.
void InstallFromWizard();

}  // namespace wb
