// SHA-256 (FIPS 180-4) of bytes given in any number of pieces, for the digests that
// package managers check a downloaded setup against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace wb {

struct Sha256State {
    uint32_t H[8];
    uint8_t Block[64];
    size_t Filled = 0;    // bytes waiting in Block
    uint64_t Length = 0;  // bytes taken so far
};

void Sha256Begin(Sha256State& s) noexcept;
void Sha256Add(Sha256State& s, const void* data, size_t size) noexcept;
// Pads, finishes and writes the 32-byte digest; the state must be begun again before reuse.
void Sha256End(Sha256State& s, uint8_t digest[32]) noexcept;

// The digest of `size` bytes as 64 upper-case hexadecimal digits.
std::string Sha256Hex(const void* data, size_t size);

}  // namespace wb
