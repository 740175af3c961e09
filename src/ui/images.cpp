// The image store and the image loader: format detection, the decoder chain and the TGA
// decoder's place at its head.
#include "ui/images.h"

#include <cstring>
#include <vector>

#include "platform/files.h"
#include "ui/builtin_icon.h"
#include "ui/tga_decoder.h"

namespace wb {
namespace {

struct Decoder {
    DecoderCheck Check = nullptr;
    DecoderSize Width = nullptr;
    DecoderSize Height = nullptr;
    DecoderDecode Decode = nullptr;
};

constexpr int kMaxDecoders = 8;
// Pictures wider or taller than this are refused before any memory is asked for.
constexpr int kMaxDecodedSide = 16384;

struct ImageStore {
    GdiImage Images[kMaxImageNumber + 1];
    Decoder Decoders[kMaxDecoders];
    int DecoderCount = 0;
};

ImageStore g_store;

uint32_t Read32(const uint8_t* p) noexcept {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Read16(const uint8_t* p) noexcept { return uint16_t(p[0] | p[1] << 8); }

uintptr_t Keep(int number, const GdiImage& image) noexcept {
    if (number < 1 || number > kMaxImageNumber) {
        GdiDeleteImage(image);
        return 0;
    }
    GdiDeleteImage(g_store.Images[number]);
    g_store.Images[number] = image;
    return image.Handle;
}

// Runs the decoders in registration order on an open file or a memory block.
bool DecodeWithChain(PlatformFile* file, const uint8_t* memory, size_t length, const char* path,
                     GdiImage& out) noexcept {
    for (int i = 0; i < g_store.DecoderCount; ++i) {
        const Decoder& d = g_store.Decoders[i];
        if (file && !FileSeek(file, 0)) return false;
        int kind = d.Check(file, memory, length, path);
        if (kind == 0) continue;
        int bits = kind == 2 ? 32 : 24;
        int width = d.Width(), height = d.Height();
        uint8_t* pixels = nullptr;
        if (width <= 0 || height <= 0 || width > kMaxDecodedSide || height > kMaxDecodedSide ||
            !GdiCreateSection(width, height, bits, out, pixels)) {
            // The decoder still holds what check kept; a decode into nothing releases it.
            d.Decode(nullptr, 0, 0);
            return false;
        }
        d.Decode(pixels, DecodedRowLength(width, bits), 0);
        return true;
    }
    return false;
}

// The TGA decoder of the chain: keeps the file's bytes from check to decode.
struct TgaState {
    std::vector<uint8_t> Data;
    TgaHeader Header;
};
TgaState g_tga;

int TgaCheck(PlatformFile* file, const uint8_t* memory, size_t length, const char*) noexcept {
    g_tga.Data.clear();
    if (file) {
        int64_t size = FileLength(file);
        if (size < 18 || size > 256 * 1024 * 1024) return 0;
        g_tga.Data.resize(size_t(size));
        if (!FileSeek(file, 0) || !FileRead(file, g_tga.Data.data(), uint32_t(size))) {
            g_tga.Data.clear();
            return 0;
        }
    } else if (memory) {
        g_tga.Data.assign(memory, memory + length);
    }
    if (!ReadTgaHeader(g_tga.Data.data(), g_tga.Data.size(), g_tga.Header)) {
        g_tga.Data.clear();
        return 0;
    }
    return 1;
}
int TgaWidth() noexcept { return g_tga.Header.Width; }
int TgaHeight() noexcept { return g_tga.Header.Height; }
void TgaDecode(uint8_t* pixels, size_t rowLength, unsigned) noexcept {
    if (pixels && rowLength == TgaRowLength(g_tga.Header.Width)) {
        DecodeTga(g_tga.Data.data(), g_tga.Data.size(), pixels,
                  rowLength * g_tga.Header.Height);
    }
    g_tga.Data = std::vector<uint8_t>();
}

// The first image of an icon file in memory, checked against the block's bounds.
bool IconFromMemory(const uint8_t* data, size_t length, GdiImage& out) noexcept {
    if (length < 6 + 16 || Read16(data) != 0 || Read16(data + 2) != 1 || Read16(data + 4) == 0) {
        return false;
    }
    const uint8_t* entry = data + 6;
    uint32_t size = Read32(entry + 8), offset = Read32(entry + 12);
    if (offset > length || size > length - offset || size < 40) return false;
    const uint8_t* image = data + offset;
    int width = static_cast<int32_t>(Read32(image + 4));
    int height = static_cast<int32_t>(Read32(image + 8)) / 2;
    int bits = Read16(image + 14);
    if (GdiIconFromImageData(image, size, width, height, out)) return true;
    return bits != 16 && GdiIconFromImageData(image, size, 0, 0, out);
}

}  // namespace

bool BitmapFileIsWhole(const uint8_t* head, size_t headLength, int64_t fileLength) noexcept {
    if (!head || headLength < 14 + 12 || fileLength < int64_t(headLength)) return false;
    uint32_t offset = Read32(head + 10), infoSize = Read32(head + 14);
    if (infoSize < 12 || int64_t(14) + infoSize > fileLength || offset < 14 + infoSize ||
        offset > fileLength) {
        return false;
    }
    int64_t width = 0, height = 0, bits = 0, compression = 0;
    if (infoSize == 12) {
        width = Read16(head + 18);
        height = Read16(head + 20);
        bits = Read16(head + 24);
    } else {
        if (headLength < 14 + 40) return false;
        width = static_cast<int32_t>(Read32(head + 18));
        height = static_cast<int32_t>(Read32(head + 22));
        bits = Read16(head + 28);
        compression = Read32(head + 30);
    }
    if (height < 0) height = -height;
    if (width <= 0 || height == 0 || width > kMaxDecodedSide || height > kMaxDecodedSide) {
        return false;
    }
    if (compression != 0) return offset < fileLength;  // run lengths are the loader's to check
    int64_t stride = ((width * bits + 31) / 32) * 4;
    return bits > 0 && stride * height <= fileLength - offset;
}

bool RegisterDecoder(DecoderCheck check, DecoderSize width, DecoderSize height,
                     DecoderDecode decode) noexcept {
    if (!check || !width || !height || !decode || g_store.DecoderCount == kMaxDecoders) {
        return false;
    }
    g_store.Decoders[g_store.DecoderCount++] = {check, width, height, decode};
    return true;
}

uintptr_t LoadImageFile(int number, const char* path, unsigned flags) noexcept {
    (void)flags;  // no load flags are defined yet
    if (!path || number < 1 || number > kMaxImageNumber) return 0;
    uint8_t head[54] = {};
    size_t headLength = 0;
    int64_t fileLength = 0;
    {
        UniqueFile file(FileOpen(path, FileAccess::Read));
        fileLength = file ? FileLength(file.get()) : -1;
        if (fileLength < 2) return 0;
        headLength = fileLength < int64_t(sizeof head) ? size_t(fileLength) : sizeof head;
        if (!FileRead(file.get(), head, uint32_t(headLength))) return 0;
    }
    GdiImage image;
    if (head[0] == 'B' && head[1] == 'M') {
        if (!BitmapFileIsWhole(head, headLength, fileLength) || !GdiLoadBitmapFile(path, image)) {
            return 0;
        }
        return Keep(number, image);
    }
    if (GdiLoadIconFile(path, image)) return Keep(number, image);
    UniqueFile file(FileOpen(path, FileAccess::Read));
    if (!file || !DecodeWithChain(file.get(), nullptr, 0, path, image)) return 0;
    return Keep(number, image);
}

uintptr_t LoadImageMemory(int number, const uint8_t* data, size_t length) noexcept {
    if (!data || number < 1 || number > kMaxImageNumber) return 0;
    GdiImage image;
    bool ok = false;
    if (length >= 2 && data[0] == 'B' && data[1] == 'M') {
        ok = GdiBitmapFromMemory(data, length, image);
    } else if (length >= 4 && Read16(data) == 0 && Read16(data + 2) == 1) {
        ok = IconFromMemory(data, length, image);
    } else {
        ok = DecodeWithChain(nullptr, data, length, "", image);
    }
    return ok ? Keep(number, image) : 0;
}

uintptr_t ImageHandle(int number) noexcept {
    const GdiImage* image = ImageRecord(number);
    return image ? image->Handle : 0;
}

const GdiImage* ImageRecord(int number) noexcept {
    if (number < 1 || number > kMaxImageNumber || !g_store.Images[number].Handle) return nullptr;
    return &g_store.Images[number];
}

void StartImages() noexcept {
    RegisterDecoder(TgaCheck, TgaWidth, TgaHeight, TgaDecode);
    RegisterDecoder(PictureCheck, PictureWidth, PictureHeight, PictureDecode);
    const std::vector<uint8_t>& icon = BuiltInIconFile();
    LoadImageMemory(1, icon.data(), icon.size());
}

void ResetImages() noexcept {
    for (GdiImage& image : g_store.Images) {
        GdiDeleteImage(image);
        image = GdiImage{};
    }
    g_store.DecoderCount = 0;
}

}  // namespace wb
