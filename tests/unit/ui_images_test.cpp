// The image store: format detection, the decoder chain's order and row lengths, TGA files
// through the chain, replacement and failure rules, and the built-in icon.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "fakes/fakes.h"
#include "ui/builtin_icon.h"
#include "ui/images.h"
#include "unit/test_support.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

std::string Le32(uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }

std::string BitmapFile(int width, int height, int bits) {
    std::string info = Le32(40) + Le32(uint32_t(width)) + Le32(uint32_t(height)) + Le16(1) +
                       Le16(uint16_t(bits)) + std::string(24, '\0');
    size_t stride = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    return "BM" + Le32(0) + Le32(0) + Le32(54) + info +
           std::string(stride * size_t(height < 0 ? -height : height), '\0');
}

std::string IconFile(int size, int bits) {
    return std::string("\0\0\1\0\1\0", 6) + char(size) + char(size) + std::string(2, '\0') +
           Le16(1) + Le16(uint16_t(bits)) + Le32(40) + Le32(22) + std::string(40, '\0');
}

// An uncompressed 24-bit TGA of width × height, top origin, pixel i = (i, i+1, i+2).
std::string TgaFile(int width, int height) {
    std::string h(18, '\0');
    h[2] = 2;
    h[12] = char(width);
    h[13] = char(width >> 8);
    h[14] = char(height);
    h[15] = char(height >> 8);
    h[16] = 24;
    h[17] = 0x20;
    for (int i = 0; i < width * height; ++i) h += {char(i), char(i + 1), char(i + 2)};
    return h;
}

class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshTestDir("wb_images_");
        fake::ResetAll();
        ResetImages();
    }
    void TearDown() override {
        ResetImages();
        fake::ResetAll();
        fs::remove_all(dir_);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream((dir_ / name).string(), std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    fs::path dir_;
};

TEST_F(ImagesTest, BitmapFilesKeepTheirDepthAndPaletteOnesArePlain) {
    StartImages();
    uintptr_t h = LoadImageFile(2, Write("a.bmp", BitmapFile(130, 300, 24)).c_str(), 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(ImageHandle(2), h);
    const GdiImage* r = ImageRecord(2);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Width, 130);
    EXPECT_EQ(r->Height, 300);
    EXPECT_EQ(r->BitsPerPixel, 24);
    EXPECT_TRUE(fake::PictureOf(h)->Section);
    uintptr_t p = LoadImageFile(2, Write("p.bmp", BitmapFile(8, 8, 8)).c_str(), 0);
    ASSERT_NE(p, 0u);
    EXPECT_FALSE(fake::PictureOf(p)->Section);
    EXPECT_EQ(fake::PictureOf(h), nullptr) << "the replaced picture is deleted";
    EXPECT_EQ(fake::PictureChecks(), 0) << "bitmaps never reach the decoder chain";
}

TEST_F(ImagesTest, CutOrInconsistentBitmapFilesAreRefused) {
    StartImages();
    std::string good = BitmapFile(4, 4, 24);  // 12-byte rows: 48 bytes of pixels
    auto whole = [](const std::string& b, int64_t length) {
        return BitmapFileIsWhole(reinterpret_cast<const uint8_t*>(b.data()),
                                 std::min<size_t>(b.size(), 54), length);
    };
    EXPECT_TRUE(whole(good, int64_t(good.size())));
    EXPECT_FALSE(whole(good, int64_t(good.size()) - 1)) << "last row cut";
    EXPECT_FALSE(whole(good.substr(0, 40), 40)) << "header cut";
    std::string farOffset = good;
    farOffset[10] = char(0xF0);
    EXPECT_FALSE(whole(farOffset, int64_t(good.size())));
    std::string noWidth = BitmapFile(0, 4, 24);
    EXPECT_FALSE(whole(noWidth, int64_t(noWidth.size())));
    std::string topDown = BitmapFile(4, -4, 24);
    EXPECT_TRUE(whole(topDown, int64_t(topDown.size())));
    EXPECT_EQ(LoadImageFile(2, Write("cut.bmp", good.substr(0, 100)).c_str(), 0), 0u);
    EXPECT_EQ(LoadImageFile(2, Write("b.bmp", "BM").c_str(), 0), 0u);
    EXPECT_EQ(ImageHandle(2), 0u);
}

TEST_F(ImagesTest, IconFilesBeforeTheChain) {
    StartImages();
    uintptr_t h = LoadImageFile(1, Write("h.ico", IconFile(48, 32)).c_str(), 0);
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(ImageRecord(1)->IsIcon);
    EXPECT_EQ(ImageRecord(1)->Width, 48);
    EXPECT_EQ(fake::PictureChecks(), 0);
}

TEST_F(ImagesTest, TgaGoesThroughTheChainWithPaddedRows) {
    StartImages();
    uintptr_t h = LoadImageFile(2, Write("s.tga", TgaFile(5, 2)).c_str(), 0);
    ASSERT_NE(h, 0u);
    const fake::FakePicture* p = fake::PictureOf(h);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Width, 5);
    EXPECT_EQ(p->Height, 2);
    EXPECT_EQ(p->Bits, 24);
    ASSERT_EQ(p->Pixels.size(), 2u * 16);  // 5 × 3 + 5 mod 4 = 16 bytes a row
    EXPECT_EQ(p->Pixels[0], 0);
    EXPECT_EQ(p->Pixels[14], 6);           // pixel 4: bytes 4, 5, 6
    EXPECT_EQ(p->Pixels[15], 0);           // padding
    EXPECT_EQ(p->Pixels[16], 5);           // second row starts with pixel 5
    EXPECT_EQ(fake::PictureChecks(), 0) << "the TGA decoder answers first";
    EXPECT_EQ(DecodedRowLength(130, 24), 392u);
    EXPECT_EQ(DecodedRowLength(130, 32), 520u);
}

TEST_F(ImagesTest, OtherFilesFallToThePictureDecoder) {
    StartImages();
    std::string png = Write("x.png", "\x89PNG\r\n\x1a\nmore bytes");
    EXPECT_EQ(LoadImageFile(2, png.c_str(), 0), 0u);
    EXPECT_EQ(fake::PictureChecks(), 1);
    fake::PictureSetAccepts(true, 7, 3);
    uintptr_t h = LoadImageFile(2, png.c_str(), 0);
    ASSERT_NE(h, 0u);
    const fake::FakePicture* p = fake::PictureOf(h);
    EXPECT_EQ(p->Width, 7);
    EXPECT_EQ(p->Height, 3);
    EXPECT_EQ(p->Pixels[2], 3);
}

TEST_F(ImagesTest, FailedLoadsKeepThePreviousPicture) {
    StartImages();
    uintptr_t h = LoadImageFile(2, Write("a.bmp", BitmapFile(4, 4, 24)).c_str(), 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(LoadImageFile(2, (dir_ / "missing.tga").string().c_str(), 0), 0u);
    EXPECT_EQ(LoadImageFile(2, Write("empty.tga", "").c_str(), 0), 0u);
    EXPECT_EQ(LoadImageFile(2, Write("junk", "not a picture").c_str(), 0), 0u);
    // A TGA whose section cannot be made fails too, and frees what its check kept.
    fake::ImagesFailSections(true);
    EXPECT_EQ(LoadImageFile(2, Write("s.tga", TgaFile(2, 2)).c_str(), 0), 0u);
    EXPECT_EQ(ImageHandle(2), h);
    EXPECT_NE(fake::PictureOf(h), nullptr);
    // Numbers outside the store are refused without leaking the picture.
    fake::ImagesFailSections(false);
    int live = fake::PictureLiveCount();
    EXPECT_EQ(LoadImageFile(0, Write("b.bmp", BitmapFile(4, 4, 24)).c_str(), 0), 0u);
    EXPECT_EQ(LoadImageFile(kMaxImageNumber + 1, (dir_ / "b.bmp").string().c_str(), 0), 0u);
    EXPECT_EQ(fake::PictureLiveCount(), live);
    EXPECT_EQ(ImageHandle(3), 0u);
}

TEST_F(ImagesTest, HugeDeclaredSizesAreRefusedBeforeAnySection) {
    StartImages();
    fake::PictureSetAccepts(true, 100000, 100000);
    EXPECT_EQ(LoadImageFile(2, Write("big.png", "\x89PNG....").c_str(), 0), 0u);
    EXPECT_EQ(fake::PictureLiveCount(), 1);  // only the built-in icon
}

TEST_F(ImagesTest, BuiltInIconIsImageOneAt32Pixels) {
    StartImages();
    const GdiImage* icon = ImageRecord(1);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->IsIcon);
    EXPECT_EQ(icon->Width, 32);
    EXPECT_EQ(icon->Height, 32);
    EXPECT_EQ(icon->BitsPerPixel, 32);
    // The file itself: two 32-bit entries, 32 and 16 pixels, inside the data.
    const std::vector<uint8_t>& f = BuiltInIconFile();
    ASSERT_GE(f.size(), 38u);
    EXPECT_EQ(f[2] | f[3] << 8, 1);
    EXPECT_EQ(f[4] | f[5] << 8, 2);
    for (int e = 0; e < 2; ++e) {
        const uint8_t* entry = f.data() + 6 + 16 * e;
        EXPECT_EQ(entry[0], e == 0 ? 32 : 16);
        EXPECT_EQ(entry[6] | entry[7] << 8, 32);
        uint32_t size = entry[8] | entry[9] << 8 | entry[10] << 16 | uint32_t(entry[11]) << 24;
        uint32_t offset = entry[12] | entry[13] << 8 | entry[14] << 16 | uint32_t(entry[15]) << 24;
        int px = entry[0];
        EXPECT_EQ(size, 40u + uint32_t(px * px * 4) + uint32_t(px * ((px + 31) / 32) * 4));
        EXPECT_LE(offset + size, f.size());
    }
}

TEST_F(ImagesTest, MemoryIconsAreCheckedAgainstTheirBlock) {
    StartImages();
    std::vector<uint8_t> f = BuiltInIconFile();
    f.resize(100);  // the first image's data no longer fits
    EXPECT_EQ(LoadImageMemory(3, f.data(), f.size()), 0u);
    EXPECT_EQ(LoadImageMemory(3, f.data(), 4), 0u);
    std::string bmp = BitmapFile(6, 5, 24);
    uintptr_t h = LoadImageMemory(3, reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size());
    ASSERT_NE(h, 0u);
    EXPECT_EQ(fake::PictureOf(h)->Bits, 32);
    EXPECT_EQ(fake::PictureOf(h)->Width, 6);
}

std::string g_calls;
size_t g_rowSeen = 0;
int FirstDecoder(PlatformFile*, const uint8_t*, size_t, const char*) noexcept {
    g_calls += "1";
    return 0;
}
int SecondDecoder(PlatformFile*, const uint8_t*, size_t, const char*) noexcept {
    g_calls += "2";
    return 2;
}
int ThreePixels() noexcept { return 3; }
void NoteRow(uint8_t*, size_t row, unsigned) noexcept { g_rowSeen = row; }

TEST_F(ImagesTest, DecodersRunInRegistrationOrder) {
    EXPECT_TRUE(RegisterDecoder(FirstDecoder, ThreePixels, ThreePixels, NoteRow));
    EXPECT_TRUE(RegisterDecoder(SecondDecoder, ThreePixels, ThreePixels, NoteRow));
    EXPECT_FALSE(RegisterDecoder(nullptr, ThreePixels, ThreePixels, NoteRow));
    uintptr_t h = LoadImageFile(2, Write("any.pic", "data").c_str(), 0);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(g_calls, "12");
    EXPECT_EQ(g_rowSeen, 12u);  // 32-bit rows: width × 4
    EXPECT_EQ(fake::PictureOf(h)->Bits, 32);
}

}  // namespace
}  // namespace wb
