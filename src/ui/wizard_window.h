// The wizard window: every control of the five pages built in one pass, and the pages
// filled from the setup before the event loop starts.
#pragma once

#include <cstdint>
#include <string>

namespace wb {

// Opens window 1 centred, with the caption " " + `caption`, builds every control hidden
// or shown as the first page needs, and shows the window. False when the window cannot
// be created (the setup then ends).
[[nodiscard]] bool BuildWizardWindow(const std::string& caption);

// Adds or replaces the colours of a control whose system class takes no colours of its
// own (the run-program check box): background above 0 opaque, 0 transparent over the
// button face, -1 transparent with nothing behind.
void AddControlColour(int number, uint32_t textColour, int32_t background);

// Fills the built pages: flags cleared, licence and readme loaded, the setup description
// read, the link, the folder fields, the check boxes and the status line set, pictures
// loaded, the separator drawn.
void FillWizardPages();

// True when `exe`'s extension (after its last ".") is exactly "exe".
[[nodiscard]] bool IsExeProgram(const std::string& exe);

}  // namespace wb
