// CRC-32 (the reflected 0xEDB88320 polynomial of zip and PNG), the checksum of LZMA blocks.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb {

// CRC-32 of `length` bytes; `crc` continues an earlier result (0 to start).
[[nodiscard]] uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0) noexcept;

}  // namespace wb
