// Window layer: the part of it that non-UI code needs.
#pragma once

namespace wb {

// Fetches and discards every pending window event, so that windows repaint during long
// work while input given meanwhile is lost.
void DrainEvents() noexcept;

// Shows a system message box; returns the button pressed (IDOK 1, IDCANCEL 2, ...).
int ShowMessageBox(const char* text, const char* caption, unsigned type) noexcept;

}  // namespace wb
