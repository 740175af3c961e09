// The TGA decoder: both types, every pixel size and origin, and files that lie.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/tga_decoder.h"

namespace wb {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Header(uint8_t type, uint16_t width, uint16_t height, uint8_t bpp, uint8_t descriptor,
             uint8_t idLength = 0, uint16_t mapLength = 0, uint8_t mapBits = 0) {
    Bytes h(18, 0);
    h[0] = idLength;
    h[2] = type;
    h[5] = uint8_t(mapLength);
    h[6] = uint8_t(mapLength >> 8);
    h[7] = mapBits;
    h[12] = uint8_t(width);
    h[13] = uint8_t(width >> 8);
    h[14] = uint8_t(height);
    h[15] = uint8_t(height >> 8);
    h[16] = bpp;
    h[17] = descriptor;
    h.insert(h.end(), size_t(idLength) + size_t(mapLength) * (mapBits / 8), 0xEE);
    return h;
}

Bytes Decode(const Bytes& file, size_t* size = nullptr) {
    TgaHeader h;
    if (!ReadTgaHeader(file.data(), file.size(), h)) return {};
    Bytes out(TgaRowLength(h.Width) * h.Height, 0xCC);
    size_t n = DecodeTga(file.data(), file.size(), out.data(), out.size());
    if (size) *size = n;
    return out;
}

// The pixel at (x, y) of a decoded picture as blue, green, red.
Bytes Pixel(const Bytes& pic, uint16_t width, size_t x, size_t y) {
    size_t at = TgaRowLength(width) * y + 3 * x;
    return {pic[at], pic[at + 1], pic[at + 2]};
}

TEST(TgaHeaderTest, OnlyTrueColourTypesAreAccepted) {
    TgaHeader h;
    for (uint8_t type : {0, 1, 3, 9, 11, 255}) {
        Bytes f = Header(type, 2, 2, 24, 0);
        EXPECT_FALSE(ReadTgaHeader(f.data(), f.size(), h)) << int(type);
    }
    Bytes f = Header(10, 130, 300, 24, 0x20, 5, 4, 24);
    ASSERT_TRUE(ReadTgaHeader(f.data(), f.size(), h));
    EXPECT_EQ(h.Width, 130);
    EXPECT_EQ(h.Height, 300);
    EXPECT_EQ(h.Origin, 0x20);
    EXPECT_EQ(h.PixelOffset, 18u + 5 + 4 * 3);  // identifier and colour map skipped
    EXPECT_FALSE(ReadTgaHeader(f.data(), 17, h));
    EXPECT_FALSE(ReadTgaHeader(nullptr, 18, h));
}

TEST(TgaHeaderTest, RowsArePaddedToFourBytes) {
    EXPECT_EQ(TgaRowLength(130), 392u);
    for (uint32_t w = 1; w < 64; ++w) {
        EXPECT_EQ(TgaRowLength(w) % 4, 0u) << w;
        EXPECT_GE(TgaRowLength(w), w * 3);
        EXPECT_LT(TgaRowLength(w), w * 3 + 4);
    }
}

TEST(TgaUncompressedTest, OriginDecidesTheRowOrder) {
    // Two rows of two pixels: file row 0 is red, green; file row 1 is blue, white.
    Bytes pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    Bytes top = Header(2, 2, 2, 24, 0x20);
    top.insert(top.end(), pixels.begin(), pixels.end());
    Bytes pic = Decode(top);
    EXPECT_EQ(Pixel(pic, 2, 0, 0), (Bytes{0, 0, 255}));
    EXPECT_EQ(Pixel(pic, 2, 1, 1), (Bytes{255, 255, 255}));
    EXPECT_EQ(pic[6], 0);  // row padding is black, not left as it was
    EXPECT_EQ(pic[7], 0);

    Bytes bottom = Header(2, 2, 2, 24, 0x00);
    bottom.insert(bottom.end(), pixels.begin(), pixels.end());
    pic = Decode(bottom);
    EXPECT_EQ(Pixel(pic, 2, 0, 1), (Bytes{0, 0, 255}));  // first file row is the last row
    EXPECT_EQ(Pixel(pic, 2, 0, 0), (Bytes{255, 0, 0}));
}

TEST(TgaUncompressedTest, SixteenAndThirtyTwoBitPixels) {
    Bytes f16 = Header(2, 2, 1, 16, 0x20);
    for (uint8_t b : {0xFF, 0x7F, 0x1F, 0x80}) f16.push_back(b);  // 0x7FFF, then blue 31 + top bit
    Bytes pic = Decode(f16);
    EXPECT_EQ(Pixel(pic, 2, 0, 0), (Bytes{248, 248, 248}));
    EXPECT_EQ(Pixel(pic, 2, 1, 0), (Bytes{248, 0, 0}));

    Bytes f32 = Header(2, 2, 1, 32, 0x20);
    for (uint8_t b : {1, 2, 3, 99, 4, 5, 6, 99}) f32.push_back(b);
    pic = Decode(f32);
    EXPECT_EQ(Pixel(pic, 2, 0, 0), (Bytes{1, 2, 3}));
    EXPECT_EQ(Pixel(pic, 2, 1, 0), (Bytes{4, 5, 6}));
}

TEST(TgaUncompressedTest, UnsupportedSizesAndShortFilesStayBlack) {
    Bytes f8 = Header(2, 3, 2, 8, 0x20);
    f8.insert(f8.end(), 6, 0x77);
    size_t size = 0;
    Bytes pic = Decode(f8, &size);
    EXPECT_EQ(size, TgaRowLength(3) * 2);
    EXPECT_EQ(pic, Bytes(size, 0));

    Bytes cut = Header(2, 2, 2, 24, 0x20);
    for (uint8_t b : {10, 20, 30, 40}) cut.push_back(b);  // one pixel and a third
    pic = Decode(cut);
    EXPECT_EQ(Pixel(pic, 2, 0, 0), (Bytes{10, 20, 30}));
    EXPECT_EQ(Pixel(pic, 2, 1, 0), (Bytes{0, 0, 0}));
    EXPECT_EQ(Pixel(pic, 2, 1, 1), (Bytes{0, 0, 0}));

    // A colour map that claims more than the file holds.
    Bytes lying = Header(2, 2, 2, 24, 0x20);
    lying[5] = 0xFF;
    lying[6] = 0xFF;
    lying[7] = 32;
    pic = Decode(lying, &size);
    EXPECT_EQ(pic, Bytes(size, 0));
}

TEST(TgaRunLengthTest, BottomOriginPictureIsTurnedUpright) {
    // 130 x 300, every row one run of its own grey level.
    const uint16_t w = 130, h = 300;
    Bytes f = Header(10, w, h, 24, 0x00);
    for (int r = 0; r < h; ++r) {
        uint8_t level = uint8_t(r);
        f.push_back(0x80 + 127);  // 128 pixels
        f.insert(f.end(), {level, level, level});
        f.push_back(0x80 + 1);  // and 2 more
        f.insert(f.end(), {level, level, level});
    }
    size_t size = 0;
    Bytes pic = Decode(f, &size);
    EXPECT_EQ(size, 392u * 300);
    EXPECT_EQ(Pixel(pic, w, 0, 0), (Bytes{uint8_t(299), uint8_t(299), uint8_t(299)}));
    EXPECT_EQ(Pixel(pic, w, 129, 299), (Bytes{0, 0, 0}));
    EXPECT_EQ(Pixel(pic, w, 129, 0), (Bytes{uint8_t(299), uint8_t(299), uint8_t(299)}));
    EXPECT_EQ(pic[390], 0);  // padding of the first row
}

TEST(TgaRunLengthTest, PacketsStopAtTheLastPixel) {
    // A 3 x 1 picture whose one run claims ten pixels, then a literal packet: the output
    // buffer holds exactly the picture, so a write past it would be caught.
    Bytes f = Header(10, 3, 1, 24, 0x20);
    f.push_back(0x80 + 9);
    f.insert(f.end(), {7, 8, 9});
    f.push_back(0);
    f.insert(f.end(), {1, 1, 1});
    size_t size = 0;
    Bytes pic = Decode(f, &size);
    ASSERT_EQ(size, 12u);
    EXPECT_EQ(pic, (Bytes{7, 8, 9, 7, 8, 9, 7, 8, 9, 0, 0, 0}));

    // Literal packets that run over the end of the picture stop there too.
    Bytes lit = Header(10, 2, 1, 32, 0x20);
    lit.push_back(5);  // six literal pixels
    for (int i = 0; i < 6; ++i) lit.insert(lit.end(), {uint8_t(i), 0, 0, 0});
    pic = Decode(lit, &size);
    EXPECT_EQ(pic, (Bytes{0, 0, 0, 1, 0, 0, 0, 0}));
}

TEST(TgaRunLengthTest, TruncatedFilesLeaveTheRestBlack) {
    Bytes f = Header(10, 4, 1, 24, 0x20);
    f.push_back(3);  // four literal pixels, of which only one and a half arrive
    f.insert(f.end(), {50, 60, 70, 80, 90});
    Bytes pic = Decode(f);
    EXPECT_EQ(pic, (Bytes{50, 60, 70, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    Bytes run = Header(10, 2, 1, 24, 0x20);
    run.insert(run.end(), {0x81, 1, 2});  // a run whose pixel is cut short
    pic = Decode(run);
    EXPECT_EQ(pic, Bytes(8, 0));

    Bytes f16 = Header(10, 2, 1, 16, 0x20);  // run-length 16-bit pictures are not decoded
    f16.insert(f16.end(), {0x81, 0xFF, 0x7F});
    pic = Decode(f16);
    EXPECT_EQ(pic, Bytes(8, 0));
}

TEST(TgaRunLengthTest, RightToLeftPicturesAreMirrored) {
    for (uint8_t type : {2, 10}) {
        Bytes f = Header(type, 3, 1, 24, 0x30);
        if (type == 10) f.push_back(2);
        f.insert(f.end(), {1, 1, 1, 2, 2, 2, 3, 3, 3});
        Bytes pic = Decode(f);
        EXPECT_EQ(pic, (Bytes{3, 3, 3, 2, 2, 2, 1, 1, 1, 0, 0, 0})) << int(type);
    }
}

TEST(TgaDecodeTest, RefusesABufferTooSmallAndEmptyPictures) {
    Bytes f = Header(2, 2, 2, 24, 0x20);
    f.insert(f.end(), 12, 9);
    Bytes out(15, 0xCC);
    EXPECT_EQ(DecodeTga(f.data(), f.size(), out.data(), out.size()), 0u);
    EXPECT_EQ(out, Bytes(15, 0xCC));  // untouched
    Bytes empty = Header(10, 0, 5, 24, 0);
    EXPECT_EQ(DecodeTga(empty.data(), empty.size(), out.data(), out.size()), 0u);
}

}  // namespace
}  // namespace wb
