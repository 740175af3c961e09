// The wizard's page flow and event loop over the built and filled wizard window.
#pragma once

#include <string>

#include "platform/window.h"

namespace wb {

// Starts WhileWB.exe and runs the event loop until Setup.QuitLoop is set (Cancel, Exit or
// the window's close request). The caller closes the window and runs the finish.
void RunWizard();

// Handles one event of the loop; exposed so the flow can be driven step by step.
void HandleWizardEvent(const WindowEvent& event);
// Next and Back, with the licence and readme pages skipped when their viewer is empty.
void NextPage();
void PreviousPage();

// The program folder as the user leaves the field: a "\" added when missing, then the
// program folder name `leaf` unless the text already contains it anywhere.
std::string CompleteProgramFolder(const std::string& typed, const std::string& leaf);
// A picked program folder: `leaf` appended unless it already ends with it (or with it and
// a "\"). An empty pick gives "".
std::string CompletePickedProgramFolder(const std::string& picked, const std::string& leaf);
// The Start-menu folder as the user leaves the field: empty gives `proposed`; a text that
// does not contain the whole of `proposed` gets a "\" (when missing) and `proposed`.
std::string CompleteStartMenuFolder(const std::string& typed, const std::string& proposed);
// A picked Start-menu folder: the last part of `proposed` appended ("\" between) unless
// the pick already ends with it. An empty pick gives "".
std::string CompletePickedStartMenuFolder(const std::string& picked, const std::string& proposed);

}  // namespace wb
