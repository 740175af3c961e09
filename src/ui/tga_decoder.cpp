// The TGA decoder. Every read is checked against the file's length and every write
// against the picture's size, whatever the header claims.
#include "ui/tga_decoder.h"

#include <cstring>

namespace wb {

namespace {

constexpr size_t kHeaderSize = 18;

uint16_t Le16(const uint8_t* p) noexcept { return uint16_t(p[0] | (p[1] << 8)); }

// Writes one source pixel of `bytes` bytes as blue, green, red.
void PutPixel(const uint8_t* src, size_t bytes, uint8_t* dst) noexcept {
    if (bytes == 2) {
        const uint16_t v = Le16(src);
        dst[0] = uint8_t((v & 31) * 8);
        dst[1] = uint8_t(((v >> 5) & 31) * 8);
        dst[2] = uint8_t(((v >> 10) & 31) * 8);
    } else {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
    }
}

// File row `r` of a picture stored from the bottom up lands in the mirrored output row.
size_t OutputRow(size_t r, const TgaHeader& h) noexcept {
    return (h.Origin & 0x20) ? r : size_t(h.Height) - 1 - r;
}

void DecodeUncompressed(const uint8_t* data, size_t length, const TgaHeader& h, uint8_t* out) {
    const size_t bytes = h.BitsPerPixel / 8;
    if (h.BitsPerPixel != 16 && h.BitsPerPixel != 24 && h.BitsPerPixel != 32) return;
    const size_t rowLength = TgaRowLength(h.Width);
    size_t at = h.PixelOffset;
    for (size_t r = 0; r < h.Height; ++r) {
        uint8_t* row = out + rowLength * OutputRow(r, h);
        for (size_t x = 0; x < h.Width; ++x, at += bytes) {
            if (at > length || length - at < bytes) return;  // truncated: the rest stays black
            PutPixel(data + at, bytes, row + 3 * x);
        }
    }
}

// Run-length packets: a header byte h >= 128 repeats the next pixel h - 127 times, a
// smaller one is followed by h + 1 literal pixels. Pixels go straight to their padded
// places in file-row order; a packet never writes past the last pixel.
void DecodeRunLength(const uint8_t* data, size_t length, const TgaHeader& h, uint8_t* out) {
    if (h.BitsPerPixel != 24 && h.BitsPerPixel != 32) return;
    const size_t bytes = h.BitsPerPixel / 8;
    const size_t rowLength = TgaRowLength(h.Width);
    const size_t total = size_t(h.Width) * h.Height;
    size_t at = h.PixelOffset, done = 0;
    auto place = [&](const uint8_t* src) {
        const size_t r = done / h.Width, x = done % h.Width;
        PutPixel(src, bytes, out + rowLength * OutputRow(r, h) + 3 * x);
        ++done;
    };
    while (done < total && at < length) {
        const uint8_t head = data[at++];
        const size_t count = head >= 128 ? size_t(head) - 127 : size_t(head) + 1;
        if (head >= 128) {
            if (length - at < bytes) return;
            for (size_t i = 0; i < count && done < total; ++i) place(data + at);
            at += bytes;
        } else {
            for (size_t i = 0; i < count && done < total; ++i, at += bytes) {
                if (length - at < bytes) return;
                place(data + at);
            }
        }
    }
}

// Right-to-left images (descriptor bit 0x10) are stored mirrored: turn every row around.
void MirrorRows(const TgaHeader& h, uint8_t* out) noexcept {
    const size_t rowLength = TgaRowLength(h.Width);
    for (size_t r = 0; r < h.Height; ++r) {
        uint8_t* row = out + rowLength * r;
        for (size_t a = 0, b = size_t(h.Width) - 1; a < b; ++a, --b) {
            for (int c = 0; c < 3; ++c) {
                uint8_t t = row[3 * a + c];
                row[3 * a + c] = row[3 * b + c];
                row[3 * b + c] = t;
            }
        }
    }
}

}  // namespace

bool ReadTgaHeader(const uint8_t* data, size_t length, TgaHeader& header) noexcept {
    if (!data || length < kHeaderSize) return false;
    if (data[2] != 2 && data[2] != 10) return false;
    header.Type = data[2];
    header.Width = Le16(data + 12);
    header.Height = Le16(data + 14);
    header.BitsPerPixel = data[16];
    header.Origin = uint8_t(data[17] & 0x30);
    header.PixelOffset = kHeaderSize + data[0] + size_t(Le16(data + 5)) * (data[7] / 8);
    return true;
}

size_t DecodeTga(const uint8_t* data, size_t length, uint8_t* out, size_t capacity) noexcept {
    TgaHeader h;
    if (!ReadTgaHeader(data, length, h)) return 0;
    const size_t size = TgaRowLength(h.Width) * h.Height;
    if (!out || capacity < size) return 0;
    std::memset(out, 0, size);
    if (h.Width == 0 || h.Height == 0) return size;
    if (h.Type == 2) {
        DecodeUncompressed(data, length, h, out);
    } else {
        DecodeRunLength(data, length, h, out);
    }
    if (h.Origin & 0x10) MirrorRows(h, out);
    return size;
}

}  // namespace wb
