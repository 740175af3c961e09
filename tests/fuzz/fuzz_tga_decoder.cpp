// Fuzz target for the TGA decoder: any bytes decode into a buffer of exactly the picture's
// size without reading or writing outside either, and decoding is repeatable.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/tga_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wb::TgaHeader h;
    if (!wb::ReadTgaHeader(data, size, h)) return 0;
    const size_t bytes = wb::TgaRowLength(h.Width) * h.Height;
    if (bytes > (size_t(1) << 24)) return 0;
    std::vector<uint8_t> a(bytes), b(bytes);
    const size_t n = wb::DecodeTga(data, size, a.data(), a.size());
    if (n != bytes || wb::DecodeTga(data, size, b.data(), b.size()) != n || a != b) {
        std::fprintf(stderr, "fuzz_tga_decoder: decoding is not repeatable\n");
        std::abort();
    }
    return 0;
}
