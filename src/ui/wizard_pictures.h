// The wizard's pictures and folder pickers, kept apart so that the picture loading and
// the pickers can change without touching the pages.
#pragma once

#include <string>

namespace wb {

// Loads the side image into control 30 and the header icon into control 3.
void LoadWizardPictures();
// The folder the user picks for the program, or "" when nothing was picked.
std::string PickProgramFolder();
// The Start-menu folder the user picks (relative to the Programs folder), or "".
std::string PickStartMenuFolder();

}  // namespace wb
