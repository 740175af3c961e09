// The benchmark's table of whole setups, kept apart so the Package side can fill it in.
#pragma once

namespace wb {

// Prints the setup-shape table (sizes of complete setups of typical shapes).
void ReportSetupShapes();

}  // namespace wb
