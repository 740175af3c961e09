// The Truevision TGA decoder of the wizard's pictures: uncompressed and run-length-encoded
// true-colour images, decoded into 24-bit top-down rows in blue-green-red order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb {

struct TgaHeader {
    uint8_t Type = 0;          // 2 uncompressed, 10 run-length-encoded
    uint8_t BitsPerPixel = 0;  // 16, 24 or 32 decode; other sizes give a black picture
    uint8_t Origin = 0;        // descriptor bits 0x30: 0x20 top, 0x10 right-to-left
    uint16_t Width = 0;
    uint16_t Height = 0;
    size_t PixelOffset = 0;    // where the pixel data starts in the file
};

// Reads the 18-byte header. False unless the file holds one and its type is 2 or 10
// (colour-mapped and grey-scale images are refused).
bool ReadTgaHeader(const uint8_t* data, size_t length, TgaHeader& header) noexcept;

// Bytes per output row: three per pixel, padded to a multiple of four.
constexpr size_t TgaRowLength(uint32_t width) noexcept { return size_t(width) * 3 + width % 4; }

// Decodes the picture into `out` as Height rows of TgaRowLength(Width) bytes, top row first.
// Returns the number of bytes the picture takes, or 0 when the header is refused or `out`
// is too small. Pixels that a truncated file does not hold, and every pixel of an
// unsupported pixel size, stay black (zero).
size_t DecodeTga(const uint8_t* data, size_t length, uint8_t* out, size_t capacity) noexcept;

}  // namespace wb
