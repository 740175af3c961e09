// Pictures as system bitmaps and icons: loading bitmap and icon files, device-independent
// sections for decoded pixels, and the system picture decoder of the decoder chain.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb {

struct PlatformFile;

// A loaded picture. Handle is an HBITMAP, or an HICON when IsIcon; 0 means none.
struct GdiImage {
    uintptr_t Handle = 0;
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;  // of the colour bitmap for an icon
    bool IsIcon = false;
};

// A "BM" file as a device-independent section; at 8 bits per pixel or less it is loaded
// again as a device-dependent bitmap. False when the system cannot read it.
bool GdiLoadBitmapFile(const char* path, GdiImage& out) noexcept;
// An icon file at the size of its own first fitting image.
bool GdiLoadIconFile(const char* path, GdiImage& out) noexcept;
// A top-down section of width × height at 24 or 32 bits; `pixels` receives its rows
// (row length: width × 3 padded to 4 bytes, or width × 4).
bool GdiCreateSection(int width, int height, int bits, GdiImage& out, uint8_t*& pixels) noexcept;
// A 32-bit section filled from a bitmap file held in memory.
bool GdiBitmapFromMemory(const uint8_t* data, size_t length, GdiImage& out) noexcept;
// An icon from one image of an icon file (its info header and pixels); width and height
// 0 let the system choose the size.
bool GdiIconFromImageData(const uint8_t* data, size_t length, int width, int height,
                          GdiImage& out) noexcept;
void GdiDeleteImage(const GdiImage& image) noexcept;

// The system picture decoder, in the shape of every decoder of the chain: check returns 0
// when it cannot read the picture, 1 for 24-bit output; decode fills top-down
// blue-green-red rows of `rowLength` bytes and releases what check kept.
int PictureCheck(PlatformFile* file, const uint8_t* memory, size_t length,
                 const char* path) noexcept;
int PictureWidth() noexcept;
int PictureHeight() noexcept;
void PictureDecode(uint8_t* pixels, size_t rowLength, unsigned flags) noexcept;

}  // namespace wb
