// The built-in header icon: an icon file of two 32-bit images, 32 × 32 and 16 × 16,
// drawn in code so that the program needs no picture file.
#pragma once

#include <cstdint>
#include <vector>

namespace wb {

// The whole icon file: directory, then each image's info header, pixels and mask.
const std::vector<uint8_t>& BuiltInIconFile();

}  // namespace wb
