// The runtime of the Windows programs: what has to happen before anything else runs and
// the one way the process ends.
#pragma once

namespace wb {

// Locks the DLL search to the system folder (so no library is taken from the folder the
// setup was started from, such as a downloads folder), then loads the common controls from
// the system folder and registers their window classes. Call it first, before any window,
// COM object or other library is used.
void RuntimeStart() noexcept;

// Releases the private heap and ends the process with `code`. Nothing may be allocated or
// freed afterwards.
[[noreturn]] void RuntimeEnd(unsigned code) noexcept;

}  // namespace wb
