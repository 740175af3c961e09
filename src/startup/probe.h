// Test builds only: a dump of what start-up settled, written beside the installer, so
// that end-to-end tests can see the Setup state and the loaded Language table.
#pragma once

namespace wb {

// Writes SetupExe + ".probe" as lines "Name=Value" (line breaks in values shown as "|").
void WriteProbe(unsigned exitCode);

}  // namespace wb
