// The numbered image store: pictures by small numbers (1 the header icon, 2 the side
// image), loaded from bitmap and icon files or through a chain of decoders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/images_gdi.h"

namespace wb {

constexpr int kMaxImageNumber = 15;

// A decoder of the chain. check returns 0 when it cannot read the data, 1 when it
// delivers 24-bit pixels, 2 for 32-bit; a decoder that accepts keeps what the following
// calls need. decode fills top-down blue-green-red rows of `rowLength` bytes.
using DecoderCheck = int (*)(PlatformFile* file, const uint8_t* memory, size_t length,
                             const char* path) noexcept;
using DecoderSize = int (*)() noexcept;
using DecoderDecode = void (*)(uint8_t* pixels, size_t rowLength, unsigned flags) noexcept;

// Adds a decoder after those registered before; false when the table is full.
bool RegisterDecoder(DecoderCheck check, DecoderSize width, DecoderSize height,
                     DecoderDecode decode) noexcept;

// Loads a picture file under `number`: "BM" files as bitmaps, then icon files, then the
// decoder chain. Returns the handle, or 0 when the file cannot be read; a failed load
// leaves the number's previous picture in place.
uintptr_t LoadImageFile(int number, const char* path, unsigned flags) noexcept;
// The same for a bitmap or icon file held in memory (`length` bytes at `data`).
uintptr_t LoadImageMemory(int number, const uint8_t* data, size_t length) noexcept;
// The handle under `number`, 0 when it holds no picture.
uintptr_t ImageHandle(int number) noexcept;
// Everything recorded under `number`; nullptr when it holds no picture.
const GdiImage* ImageRecord(int number) noexcept;
// Row length of a decoded picture: width × 3 + width mod 4 (a multiple of 4) for 24 bits.
constexpr size_t DecodedRowLength(int width, int bits) noexcept {
    return bits == 32 ? size_t(width) * 4 : size_t(width) * 3 + size_t(width) % 4;
}

// Whether a "BM" file is whole enough for the system's loader: its headers, and for an
// uncompressed picture every row, lie inside the file. `head` holds the file's first
// bytes (up to 54), `fileLength` its length. The loader itself reads past a cut file.
bool BitmapFileIsWhole(const uint8_t* head, size_t headLength, int64_t fileLength) noexcept;

// Start-up: registers the TGA decoder, then the system picture decoder, and loads the
// built-in header icon as image 1.
void StartImages() noexcept;
// Forgets every picture and decoder (deleting the pictures).
void ResetImages() noexcept;

}  // namespace wb
