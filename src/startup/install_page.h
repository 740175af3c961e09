// The install page's side of the wizard's installation: its choices and its controls.
#pragma once

namespace wb {

// Runs the installation from the wizard's current choices, showing its progress on the
// install page (status line, install log list, progress bar) and leaving the page in its
// final state.
void InstallFromWizardPage();

}  // namespace wb
