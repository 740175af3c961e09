// The order of the program's entries inside one LZMA block (the solid shape's setup.pck).
#pragma once

#include <vector>

#include "wbpack/package_writer.h"

namespace wb {

// Puts every folder first, in name order (a folder before its subfolders), then the files
// grouped by extension (case-insensitive), by name within a group. LZMA then finds the
// programs' shared code and the texts' shared words close together, with a dictionary that
// needs not reach back as far. Only the order changes; the entries are the same.
void OrderForSolidLzma(std::vector<PackInput>& entries);

}  // namespace wb
