// Pictures over gdi32, user32 and the system's picture components: bitmap and icon files,
// sections, and the picture decoder (OLE picture loader, then the imaging component).
#include <ocidl.h>
#include <olectl.h>
#include <wincodec.h>

#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/images_gdi.h"
#include "platform/win32/handles.h"

namespace wb {
namespace {

// Spelled out here so that no import library is needed for them.
const GUID kClsidImagingFactory = {0xcacaf262, 0x9370, 0x4615,
                                   {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
const GUID kIidImagingFactory = {0xec5ec8a9, 0xc395, 0x4314,
                                 {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
const GUID kFormat24bppBgr = {0x6fddc324, 0x4e03, 0x4bfe,
                              {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c}};
const GUID kIidPicture = {0x7bf80980, 0xbf32, 0x101a,
                          {0x8b, 0xbb, 0x00, 0xaa, 0x00, 0x30, 0x0c, 0xab}};

// A picture hands its bitmap over as a 32-bit OLE_HANDLE. Only the low 32 bits of a GDI
// handle count, and a 64-bit process sees them sign-extended, so the value is widened as a
// signed number; widened as unsigned, a handle with the top bit set names no bitmap.
HBITMAP BitmapOfOleHandle(OLE_HANDLE handle) noexcept {
    return reinterpret_cast<HBITMAP>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
}

template <typename T>
void Release(T*& p) noexcept {
    if (p) p->Release();
    p = nullptr;
}

bool Describe(HBITMAP bitmap, GdiImage& out) noexcept {
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return false;
    out.Handle = reinterpret_cast<uintptr_t>(bitmap);
    out.Width = info.bmWidth;
    out.Height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    out.BitsPerPixel = info.bmBitsPixel * info.bmPlanes;
    out.IsIcon = false;
    return true;
}

bool DescribeIcon(HICON icon, GdiImage& out) noexcept {
    ICONINFO parts = {};
    if (!icon || !GetIconInfo(icon, &parts)) return false;
    GdiImage colour;
    // A monochrome icon has no colour bitmap: its mask holds both halves.
    bool ok = parts.hbmColor ? Describe(parts.hbmColor, colour) : Describe(parts.hbmMask, colour);
    if (!parts.hbmColor) colour.Height /= 2;
    if (parts.hbmColor) DeleteObject(parts.hbmColor);
    if (parts.hbmMask) DeleteObject(parts.hbmMask);
    if (!ok) return false;
    out = colour;
    out.Handle = reinterpret_cast<uintptr_t>(icon);
    out.IsIcon = true;
    return true;
}

// What the picture decoder keeps from check to decode: a bitmap, or converted rows.
struct PictureState {
    IPicture* Picture = nullptr;
    HBITMAP Bitmap = nullptr;     // owned by Picture when Picture is set
    bool OwnsBitmap = false;
    std::vector<uint8_t> Rows;    // imaging-component pixels, 24-bit, stride Stride
    UINT Stride = 0;
    int Width = 0;
    int Height = 0;
};
PictureState g_picture;

void ForgetPicture() noexcept {
    if (g_picture.OwnsBitmap && g_picture.Bitmap) DeleteObject(g_picture.Bitmap);
    Release(g_picture.Picture);
    g_picture.Bitmap = nullptr;
    g_picture.OwnsBitmap = false;
    g_picture.Rows = std::vector<uint8_t>();
    g_picture.Width = g_picture.Height = 0;
}

bool TakeBitmap(HBITMAP bitmap) noexcept {
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0) return false;
    g_picture.Bitmap = bitmap;
    g_picture.Width = info.bmWidth;
    g_picture.Height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    return g_picture.Height > 0;
}

bool LoadWithOle(const void* bytes, size_t length) noexcept {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
    if (!memory) return false;
    void* at = GlobalLock(memory);
    if (!at) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(at, bytes, length);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return false;
    }
    IPicture* picture = nullptr;
    HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(length), FALSE, kIidPicture,
                                reinterpret_cast<void**>(&picture));
    Release(stream);
    if (FAILED(hr) || !picture) return false;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
        SUCCEEDED(picture->get_Handle(&handle)) &&
        TakeBitmap(BitmapOfOleHandle(handle))) {
        g_picture.Picture = picture;
        return true;
    }
    Release(picture);
    return false;
}

bool LoadWithImaging(const char* path) noexcept {
    wchar_t wide[MAX_PATH] = {};
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH)) return false;
    IWICImagingFactory* factory = nullptr;
    if (FAILED(CoCreateInstance(kClsidImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                kIidImagingFactory, reinterpret_cast<void**>(&factory)))) {
        return false;
    }
    bool ok = false;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    UINT width = 0, height = 0;
    if (SUCCEEDED(factory->CreateDecoderFromFilename(wide, nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, kFormat24bppBgr, WICBitmapDitherTypeNone, nullptr,
                                        0.0, WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&width, &height)) && width > 0 && height > 0 &&
        width <= 16384 && height <= 16384) {
        UINT stride = (width * 3 + 3) & ~3u;
        g_picture.Rows.assign(size_t(stride) * height, 0);
        if (SUCCEEDED(converter->CopyPixels(nullptr, stride, UINT(g_picture.Rows.size()),
                                            g_picture.Rows.data()))) {
            g_picture.Stride = stride;
            g_picture.Width = int(width);
            g_picture.Height = int(height);
            ok = true;
        } else {
            g_picture.Rows = std::vector<uint8_t>();
        }
    }
    Release(converter);
    Release(frame);
    Release(decoder);
    Release(factory);
    return ok;
}

bool ComOnce() noexcept {
    // Plain bool: constant-initialised, so no guarded static. A failed start (COM already
    // started in another mode) still lets the calls below work, so it is tried once.
    static bool started = false;
    if (!started) {
        CoInitialize(nullptr);
        started = true;
    }
    return started;
}

}  // namespace

bool GdiLoadBitmapFile(const char* path, GdiImage& out) noexcept {
    HANDLE loaded = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0,
                               LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    auto bitmap = static_cast<HBITMAP>(loaded);
    if (!Describe(bitmap, out)) {
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    if (out.BitsPerPixel <= 8) {
        // Palette pictures draw right on every display only as device-dependent bitmaps.
        auto plain = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0,
                                                     LR_LOADFROMFILE));
        GdiImage again;
        if (Describe(plain, again)) {
            DeleteObject(bitmap);
            out = again;
        } else if (plain) {
            DeleteObject(plain);
        }
    }
    return true;
}

bool GdiLoadIconFile(const char* path, GdiImage& out) noexcept {
    auto icon = static_cast<HICON>(LoadImageA(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!DescribeIcon(icon, out)) {
        if (icon) DestroyIcon(icon);
        return false;
    }
    return true;
}

bool GdiCreateSection(int width, int height, int bits, GdiImage& out, uint8_t*& pixels) noexcept {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    void* bitsAt = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bitsAt, nullptr, 0);
    if (!section || !bitsAt) {
        if (section) DeleteObject(section);
        return false;
    }
    std::memset(bitsAt, 0, size_t((width * (bits / 8) + 3) & ~3) * size_t(height));
    pixels = static_cast<uint8_t*>(bitsAt);
    return Describe(section, out);
}

bool GdiBitmapFromMemory(const uint8_t* data, size_t length, GdiImage& out) noexcept {
    if (length < 14 + 40) return false;
    uint32_t offset;
    std::memcpy(&offset, data + 10, 4);
    BITMAPINFOHEADER header;
    std::memcpy(&header, data + 14, sizeof header);
    int width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || offset > length ||
        offset < 14 + header.biSize) {
        return false;
    }
    // The pixel data must be all there for the rows the header claims.
    uint32_t bits = header.biBitCount;
    size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (header.biCompression != BI_RGB || bits == 0 || stride * size_t(height) > length - offset) {
        return false;
    }
    uint8_t* pixels = nullptr;
    if (!GdiCreateSection(width, height, 32, out, pixels)) return false;
    HDC screen = GetDC(nullptr);
    int rows = SetDIBits(screen, reinterpret_cast<HBITMAP>(out.Handle), 0, UINT(height),
                         data + offset, reinterpret_cast<const BITMAPINFO*>(data + 14),
                         DIB_RGB_COLORS);
    if (screen) ReleaseDC(nullptr, screen);
    if (rows <= 0) {
        GdiDeleteImage(out);
        out = GdiImage{};
        return false;
    }
    return true;
}

bool GdiIconFromImageData(const uint8_t* data, size_t length, int width, int height,
                          GdiImage& out) noexcept {
    // The system may write to the block it is given, so it gets a copy.
    std::vector<uint8_t> copy(data, data + length);
    HICON icon = CreateIconFromResourceEx(copy.data(), DWORD(copy.size()), TRUE, 0x00030000,
                                          width, height, width || height ? 0 : LR_DEFAULTSIZE);
    if (!DescribeIcon(icon, out)) {
        if (icon) DestroyIcon(icon);
        return false;
    }
    return true;
}

void GdiDeleteImage(const GdiImage& image) noexcept {
    if (!image.Handle) return;
    if (image.IsIcon) {
        DestroyIcon(reinterpret_cast<HICON>(image.Handle));
    } else {
        DeleteObject(reinterpret_cast<HBITMAP>(image.Handle));
    }
}

int PictureCheck(PlatformFile* file, const uint8_t* memory, size_t length,
                 const char* path) noexcept {
    ForgetPicture();
    if (path && *path) {
        // A bitmap resource of the program by that name comes first.
        if (HBITMAP own = LoadBitmapA(GetModuleHandleA(nullptr), path); TakeBitmap(own)) {
            g_picture.OwnsBitmap = true;
            return 1;
        }
    }
    ComOnce();
    std::vector<uint8_t> bytes;
    if (file) {
        int64_t size = FileLength(file);
        if (size <= 0 || size > 256 * 1024 * 1024) return 0;
        bytes.resize(size_t(size));
        if (!FileSeek(file, 0) || !FileRead(file, bytes.data(), uint32_t(size))) return 0;
    } else if (memory && length) {
        bytes.assign(memory, memory + length);
    }
    if (!bytes.empty() && LoadWithOle(bytes.data(), bytes.size())) return 1;
    if (file && path && *path && LoadWithImaging(path)) return 1;
    ForgetPicture();
    return 0;
}

int PictureWidth() noexcept { return g_picture.Width; }
int PictureHeight() noexcept { return g_picture.Height; }

void PictureDecode(uint8_t* pixels, size_t rowLength, unsigned) noexcept {
    if (pixels && !g_picture.Rows.empty()) {
        size_t copy = rowLength < g_picture.Stride ? rowLength : g_picture.Stride;
        for (int y = 0; y < g_picture.Height; ++y) {
            std::memcpy(pixels + rowLength * size_t(y),
                        g_picture.Rows.data() + size_t(g_picture.Stride) * size_t(y), copy);
        }
    } else if (pixels && g_picture.Bitmap) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = g_picture.Width;
        info.bmiHeader.biHeight = -g_picture.Height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        // GetDIBits writes rows padded to 4 bytes, which is what rowLength is for 24 bits.
        if (rowLength == ((size_t(g_picture.Width) * 3 + 3) & ~size_t(3))) {
            HDC screen = GetDC(nullptr);
            GetDIBits(screen, g_picture.Bitmap, 0, UINT(g_picture.Height), pixels, &info,
                      DIB_RGB_COLORS);
            if (screen) ReleaseDC(nullptr, screen);
        }
    }
    ForgetPicture();
}

}  // namespace wb
