// Loads pictures through the image store under Wine and prints what it holds.
//   picture_probe load PATH X Y     loads PATH as image 2
//   picture_probe builtin X Y       image 1 as start-up leaves it
// Prints "handle=0|1 width=W height=H bits=B icon=0|1 pixel=RRGGBB" (pixel at X, Y from
// the top left of the picture, or of an icon's colour bitmap).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/images.h"

namespace {

unsigned PixelOf(HBITMAP bitmap, int width, int height, int x, int y) {
    std::vector<unsigned> rows(size_t(width) * size_t(height), 0);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    int got = GetDIBits(screen, bitmap, 0, UINT(height), rows.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (got <= 0 || x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
    return rows[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    wb::StartImages();
    int number = 1, x = 0, y = 0;
    if (std::strcmp(argv[1], "load") == 0 && argc >= 5) {
        number = 2;
        if (!wb::LoadImageFile(2, argv[2], 0)) {
            std::printf("handle=0\n");
            return 0;
        }
        x = std::atoi(argv[3]);
        y = std::atoi(argv[4]);
    } else if (std::strcmp(argv[1], "builtin") == 0 && argc >= 4) {
        x = std::atoi(argv[2]);
        y = std::atoi(argv[3]);
    } else {
        return 2;
    }
    const wb::GdiImage* image = wb::ImageRecord(number);
    if (!image) {
        std::printf("handle=0\n");
        return 0;
    }
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(image->Handle);
    ICONINFO parts = {};
    if (image->IsIcon) {
        if (!GetIconInfo(reinterpret_cast<HICON>(image->Handle), &parts)) return 3;
        bitmap = parts.hbmColor;
    }
    unsigned pixel = PixelOf(bitmap, image->Width, image->Height, x, y);
    std::printf("handle=1 width=%d height=%d bits=%d icon=%d pixel=%06x\n", image->Width,
                image->Height, image->BitsPerPixel, image->IsIcon ? 1 : 0, pixel);
    std::fflush(stdout);
    return 0;
}
