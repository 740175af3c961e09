// The LZMA block encoder of the authoring tool: the LZMA SDK's encoder, the x86 filter in
// front of it for program code, and the block header around its stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wb {

// Compresses `length` bytes into one complete LZMA block at `level` 1..9 (clamped). Level 9
// sizes the dictionary to the data (up to 64 MiB) and uses the binary-tree match finder.
// Empty when the encoder fails (out of memory). The block may come out exactly as long as
// the data; the caller decides what to do then.
std::vector<uint8_t> PackLzmaBlock(const uint8_t* data, size_t length, int level);

}  // namespace wb
