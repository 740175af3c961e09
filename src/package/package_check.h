// Checking a whole Package before anything of it is written.
#pragma once

#include "package/package_reader.h"

namespace wb {

// Reads every file entry's data of `reader`'s Package once, front to back, holding one
// entry at a time: a compressed entry must decode to exactly its size with a matching
// checksum, stored data must lie inside the Package, and every name must stay below the
// target (IsSafeRelativePath). Drains window events after each entry, as extraction does.
// Returns the number of damaged or refused entries, or -1 when the file cannot be read.
[[nodiscard]] int CheckPackage(const PackageReader& reader);

}  // namespace wb
