// Writes Packages: the data area, the directory block and the trailer, appended to whatever
// the output already holds (an installer stub) or standalone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "blocks/decompress/block_method.h"

namespace wb {

// One entry to write.
struct PackInput {
    std::string Name;          // stored name: 8-bit, "\" separators; a folder's ends in "\"
    uint32_t Kind = 1;         // 0 folder, 1 file
    std::string SourcePath;    // host file holding the data, or empty to take Data
    std::vector<uint8_t> Data;
    uint64_t CreationTime = 0;
    uint64_t LastWriteTime = 0;
    bool Store = false;        // keep the bytes as they are instead of one JC block
};

// Where the Package bytes go; false on a write error.
using PackSink = std::function<bool(const uint8_t* data, size_t size)>;

struct PackWriteOptions {
    int Level = 6;
    // The method of every compressed file entry; the directory block is always JC, so that
    // any reader can list a Package.
    BlockMethod Method = BlockMethod::Jc;
    bool StoreDirectory = false;  // P == U; the tool itself always compresses it
    // When above 1: zero bytes go in front of the data area (in the executable part, which
    // is never read as Package data) so that the output's length, counting the `dataStart`
    // bytes before it, becomes a multiple of this; the entries' data is then held in memory
    // (stored host files excepted) until the gap is known.
    uint32_t EndAlignment = 0;
    // Threads that compress entries side by side; 0 takes the machine's cores. The output
    // is the same for any number.
    unsigned Threads = 0;
    // Called after each entry with the entries done and their count.
    std::function<void(size_t done, size_t total)> Progress;
};

struct PackWriteResult {
    uint64_t Length = 0;       // bytes written, padding and trailer included
    uint32_t Padding = 0;      // zero bytes in front of the data area (EndAlignment)
    uint64_t DataBytes = 0;    // data area
    uint64_t UnpackedBytes = 0;  // sum of the files' sizes
    bool SinkFailed = false;   // writing stopped because the sink refused bytes
};

// Writes a Package whose data area starts at absolute position `dataStart` (the number of
// bytes the output already holds in front of it) plus any padding. False with a one-line reason when an
// input cannot be read or a size reaches 2 GiB; false with result.SinkFailed (and no reason:
// the caller knows its output) when the sink fails.
bool WritePackage(const PackSink& sink, uint32_t dataStart, const std::vector<PackInput>& inputs,
                  const PackWriteOptions& options, PackWriteResult& result, std::string& error);

// The same into memory, standalone (data start 0).
bool BuildPackage(const std::vector<PackInput>& inputs, const PackWriteOptions& options,
                  std::vector<uint8_t>& out, std::string& error);

}  // namespace wb
