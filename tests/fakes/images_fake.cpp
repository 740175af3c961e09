// The picture fake: bitmaps and icons as records with pixel buffers, files told apart by
// their first bytes, and a picture decoder that accepts what a test allows.
#include <cstring>
#include <map>
#include <vector>

#include "fakes/fakes.h"
#include "platform/files.h"
#include "platform/images_gdi.h"

namespace wb {
namespace {

struct ImagesFake {
    std::map<uintptr_t, fake::FakePicture> Live;
    uintptr_t Next = 0x1000;
    int Deleted = 0;
    bool PictureAccepts = false;
    int PictureW = 0, PictureH = 0;
    int PictureChecks = 0;
    bool SectionFails = false;
};
ImagesFake g_images;

uintptr_t Make(const fake::FakePicture& p, GdiImage& out) {
    uintptr_t h = g_images.Next++;
    g_images.Live[h] = p;
    out = {h, p.Width, p.Height, p.Bits, p.IsIcon};
    return h;
}

std::vector<uint8_t> ReadAll(const char* path) {
    std::vector<uint8_t> bytes;
    UniqueFile f(FileOpen(path, FileAccess::Read));
    int64_t n = f ? FileLength(f.get()) : -1;
    if (n <= 0) return bytes;
    bytes.resize(size_t(n));
    if (!FileRead(f.get(), bytes.data(), uint32_t(n))) bytes.clear();
    return bytes;
}

int32_t Int32At(const std::vector<uint8_t>& b, size_t at) {
    int32_t v = 0;
    if (b.size() >= at + 4) std::memcpy(&v, b.data() + at, 4);
    return v;
}

}  // namespace

// Bitmap files: the header's size and depth; depths of 8 or less come back plain.
bool GdiLoadBitmapFile(const char* path, GdiImage& out) noexcept {
    std::vector<uint8_t> b = ReadAll(path);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
    fake::FakePicture p;
    p.Width = Int32At(b, 18);
    p.Height = Int32At(b, 22) < 0 ? -Int32At(b, 22) : Int32At(b, 22);
    p.Bits = b[28] | b[29] << 8;
    p.Section = p.Bits > 8;
    Make(p, out);
    return true;
}

// Icon files: the first directory entry's size (0 meaning 256).
bool GdiLoadIconFile(const char* path, GdiImage& out) noexcept {
    std::vector<uint8_t> b = ReadAll(path);
    if (b.size() < 22 || b[0] || b[1] || b[2] != 1 || b[3]) return false;
    fake::FakePicture p;
    p.Width = b[6] ? b[6] : 256;
    p.Height = b[7] ? b[7] : 256;
    p.Bits = b[12] | b[13] << 8;
    p.IsIcon = true;
    Make(p, out);
    return true;
}

bool GdiCreateSection(int width, int height, int bits, GdiImage& out, uint8_t*& pixels) noexcept {
    if (g_images.SectionFails) return false;
    fake::FakePicture p;
    p.Width = width;
    p.Height = height;
    p.Bits = bits;
    p.Section = true;
    size_t row = ((size_t(width) * size_t(bits / 8)) + 3) & ~size_t(3);
    p.Pixels.assign(row * size_t(height), 0);
    uintptr_t h = Make(p, out);
    pixels = g_images.Live[h].Pixels.data();
    return true;
}

bool GdiBitmapFromMemory(const uint8_t* data, size_t length, GdiImage& out) noexcept {
    if (length < 54) return false;
    std::vector<uint8_t> b(data, data + 54);
    fake::FakePicture p;
    p.Width = Int32At(b, 18);
    p.Height = Int32At(b, 22);
    p.Bits = 32;
    p.Section = true;
    Make(p, out);
    return true;
}

bool GdiIconFromImageData(const uint8_t* data, size_t length, int width, int height,
                          GdiImage& out) noexcept {
    if (length < 40 || data[0] != 40) return false;
    fake::FakePicture p;
    p.Width = width;
    p.Height = height;
    p.Bits = data[14];
    p.IsIcon = true;
    Make(p, out);
    return true;
}

void GdiDeleteImage(const GdiImage& image) noexcept {
    if (g_images.Live.erase(image.Handle)) ++g_images.Deleted;
}

int PictureCheck(PlatformFile*, const uint8_t*, size_t, const char*) noexcept {
    ++g_images.PictureChecks;
    return g_images.PictureAccepts ? 1 : 0;
}
int PictureWidth() noexcept { return g_images.PictureW; }
int PictureHeight() noexcept { return g_images.PictureH; }
void PictureDecode(uint8_t* pixels, size_t rowLength, unsigned) noexcept {
    // A recognisable first pixel: blue 1, green 2, red 3.
    if (pixels && rowLength >= 3) {
        pixels[0] = 1;
        pixels[1] = 2;
        pixels[2] = 3;
    }
}

namespace fake {

void ImagesReset() { g_images = ImagesFake{}; }
void PictureSetAccepts(bool accepts, int width, int height) {
    g_images.PictureAccepts = accepts;
    g_images.PictureW = width;
    g_images.PictureH = height;
}
void ImagesFailSections(bool fail) { g_images.SectionFails = fail; }
const FakePicture* PictureOf(uintptr_t handle) {
    auto it = g_images.Live.find(handle);
    return it == g_images.Live.end() ? nullptr : &it->second;
}
int PictureLiveCount() { return static_cast<int>(g_images.Live.size()); }
int PictureChecks() { return g_images.PictureChecks; }

}  // namespace fake
}  // namespace wb
