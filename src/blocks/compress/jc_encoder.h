// The JC block encoder of the authoring tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wb {

// Compresses `length` bytes into one complete JC block (header, stream, checksum) at
// `level` 1..9 (6 is the default; levels outside are clamped). The result always decodes
// back with UnpackBlock, and its size never equals `length` when `length` > 0, because a
// Package entry whose packed size equals its size is read as stored. With `threads` > 1,
// that many threads find the matches of the chunks ahead while the caller parses; the
// bytes are the same for every count.
std::vector<uint8_t> PackBlock(const uint8_t* data, size_t length, int level,
                               unsigned threads = 1);

}  // namespace wb
