// Screenshot tool for the documentation: captures a top-level window, frame included, as
// it shows on the screen and writes it as a PNG file.
//   wbshot CAPTION FILE.png [SECONDS]   waits (default 30 s) for a visible window whose
//                                       caption contains CAPTION, then captures it
// The PNG is written by hand (one deflate block with the fixed codes, CRC-32, Adler-32) so
// that nothing beyond the system is needed; screenshots are mostly flat colour, which the
// row filters and plain back-references shrink well.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Search {
    const char* Caption;
    HWND Found;
};

BOOL CALLBACK Match(HWND wnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    char text[512] = {};
    GetWindowTextA(wnd, text, sizeof text);
    if (IsWindowVisible(wnd) && std::strstr(text, s->Caption)) {
        s->Found = wnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitFor(const char* caption, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        Search s{caption, nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&s));
        if (s.Found) return s.Found;
        Sleep(100);
    }
    return nullptr;
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
    PutBe32(png, uint32_t(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBe32(png, Crc32(png.data() + start, png.size() - start));
}

// Deflate bits go out least significant first; Huffman codes most significant first.
struct BitOut {
    std::vector<uint8_t>& Out;
    uint32_t Bits = 0;
    int Count = 0;
    void Put(uint32_t value, int n) {
        for (int i = 0; i < n; ++i) {
            Bits |= ((value >> i) & 1u) << Count;
            if (++Count == 8) {
                Out.push_back(uint8_t(Bits));
                Bits = 0;
                Count = 0;
            }
        }
    }
    void Code(uint32_t code, int n) {
        for (int i = n - 1; i >= 0; --i) Put((code >> i) & 1u, 1);
    }
    void Flush() {
        if (Count) Out.push_back(uint8_t(Bits));
        Bits = 0;
        Count = 0;
    }
};

void Symbol(BitOut& out, int v) {
    if (v < 144) out.Code(0x30 + uint32_t(v), 8);
    else if (v < 256) out.Code(0x190 + uint32_t(v - 144), 9);
    else if (v < 280) out.Code(uint32_t(v - 256), 7);
    else out.Code(0xC0 + uint32_t(v - 280), 8);
}

constexpr int kLenBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                            31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLenExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistBase[] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                             33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistExtra[] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                              6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void WriteMatch(BitOut& out, int length, int distance) {
    int l = 28;
    while (kLenBase[l] > length) --l;
    Symbol(out, 257 + l);
    out.Put(uint32_t(length - kLenBase[l]), kLenExtra[l]);
    int d = 29;
    while (kDistBase[d] > distance) --d;
    out.Code(uint32_t(d), 5);
    out.Put(uint32_t(distance - kDistBase[d]), kDistExtra[d]);
}

// One final block with the fixed codes; each position looks back at the last place its
// three bytes were seen.
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> z;
    BitOut out{z};
    out.Put(1, 1);  // final block
    out.Put(1, 2);  // fixed Huffman codes
    std::vector<long> last(1 << 16, -1);
    size_t i = 0;
    while (i < in.size()) {
        int best = 0;
        long from = -1;
        if (i + 3 <= in.size()) {
            uint32_t h = (uint32_t(in[i]) * 2654435761u ^ uint32_t(in[i + 1]) * 40503u ^ in[i + 2]) & 0xFFFF;
            long cand = last[h];
            last[h] = long(i);
            if (cand >= 0 && i - size_t(cand) <= 32768) {
                size_t limit = in.size() - i < 258 ? in.size() - i : 258;
                size_t n = 0;
                while (n < limit && in[size_t(cand) + n] == in[i + n]) ++n;
                if (n >= 3) {
                    best = int(n);
                    from = cand;
                }
            }
        }
        if (best) {
            WriteMatch(out, best, int(i - size_t(from)));
            i += size_t(best);
        } else {
            Symbol(out, in[i]);
            ++i;
        }
    }
    Symbol(out, 256);
    out.Flush();
    return z;
}

// `rgb`: rows of width * 3 bytes, top down. Each row takes the filter (none, sub, up) that
// leaves the smallest differences.
std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height) {
    const size_t stride = size_t(width) * 3;
    std::vector<uint8_t> raw;
    raw.reserve((stride + 1) * height);
    std::vector<uint8_t> candidate[3];
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = rgb.data() + size_t(y) * stride;
        const uint8_t* up = y ? row - stride : nullptr;
        long bestCost = -1;
        int bestFilter = 0;
        for (int f = 0; f < 3; ++f) {
            candidate[f].resize(stride);
            long cost = 0;
            for (size_t x = 0; x < stride; ++x) {
                uint8_t left = x >= 3 ? row[x - 3] : 0;
                uint8_t above = up ? up[x] : 0;
                uint8_t v = f == 0 ? row[x] : f == 1 ? uint8_t(row[x] - left) : uint8_t(row[x] - above);
                candidate[f][x] = v;
                cost += v < 128 ? v : 256 - v;
            }
            if (bestCost < 0 || cost < bestCost) {
                bestCost = cost;
                bestFilter = f;
            }
        }
        raw.push_back(uint8_t(bestFilter));  // the PNG filter numbers: 0 none, 1 sub, 2 up
        raw.insert(raw.end(), candidate[bestFilter].begin(), candidate[bestFilter].end());
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    std::vector<uint8_t> body = Deflate(raw);
    z.insert(z.end(), body.begin(), body.end());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(z, (b << 16) | a);
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBe32(header, width);
    PutBe32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

// The window's pixels as the screen shows them; PrintWindow when the screen gives nothing.
bool Capture(HWND wnd, std::vector<uint8_t>& rgb, uint32_t& width, uint32_t& height) {
    RECT r = {};
    GetWindowRect(wnd, &r);
    width = uint32_t(r.right - r.left);
    height = uint32_t(r.bottom - r.top);
    if (width == 0 || height == 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = LONG(width);
    bi.bmiHeader.biHeight = -LONG(height);  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return false;
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, int(width), int(height), screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    const auto* px = static_cast<const uint8_t*>(bits);
    bool blank = true;
    for (size_t i = 0; i < size_t(width) * height * 4 && blank; i += 4) {
        blank = px[i] == 0 && px[i + 1] == 0 && px[i + 2] == 0;
    }
    if (blank) {
        PrintWindow(wnd, mem, 0);
        GdiFlush();
    }
    rgb.resize(size_t(width) * height * 3);
    for (size_t i = 0, j = 0; j < rgb.size(); i += 4, j += 3) {
        rgb[j] = px[i + 2];
        rgb[j + 1] = px[i + 1];
        rgb[j + 2] = px[i];
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wbshot CAPTION FILE.png [SECONDS]\n");
        return 2;
    }
    HWND wnd = WaitFor(argv[1], argc > 3 ? std::atoi(argv[3]) : 30);
    if (!wnd) {
        std::fprintf(stderr, "wbshot: no window '%s'\n", argv[1]);
        return 1;
    }
    SetForegroundWindow(wnd);
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    Sleep(800);  // the installer repaints between its own events
    std::vector<uint8_t> rgb;
    uint32_t width = 0, height = 0;
    if (!Capture(wnd, rgb, width, height)) {
        std::fprintf(stderr, "wbshot: cannot capture '%s'\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> png = EncodePng(rgb, width, height);
    FILE* f = std::fopen(argv[2], "wb");
    if (!f || std::fwrite(png.data(), 1, png.size(), f) != png.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "wbshot: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
