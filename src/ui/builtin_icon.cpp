// Draws the built-in header icon: a blue box with an orange lid on a clear background.
#include "ui/builtin_icon.h"

#include <cstddef>

namespace wb {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The pixel at x, y (y from the top) of an icon of `size`, as 0xAARRGGBB (stored
// little-endian, that is blue, green, red, alpha).
uint32_t IconPixel(int size, int x, int y) {
    int edge = size / 8, lid = size * 3 / 8;
    if (x < edge || x >= size - edge || y < edge || y >= size - edge / 2) return 0;  // clear
    bool border = x == edge || x == size - edge - 1 || y == edge || y == size - edge / 2 - 1;
    if (border) return 0xFF203050;            // dark outline
    if (y < lid) return 0xFFF0901E;           // orange lid
    return 0xFF2878D0;                        // blue box
}

std::vector<uint8_t> ImageData(int size) {
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, uint32_t(size));
    Put32(out, uint32_t(size * 2));  // colour rows and mask rows
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    for (int row = size - 1; row >= 0; --row) {  // bottom-up
        for (int x = 0; x < size; ++x) Put32(out, IconPixel(size, x, row));
    }
    int maskRow = ((size + 31) / 32) * 4;
    for (int row = size - 1; row >= 0; --row) {
        std::vector<uint8_t> bits(std::size_t(maskRow), 0);
        for (int x = 0; x < size; ++x) {
            if ((IconPixel(size, x, row) >> 24) == 0) bits[std::size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
        out.insert(out.end(), bits.begin(), bits.end());
    }
    return out;
}

std::vector<uint8_t> MakeIconFile() {
    std::vector<uint8_t> big = ImageData(32), small = ImageData(16);
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 2);
    uint32_t offset = 6 + 2 * 16;
    for (const auto* image : {&big, &small}) {
        uint8_t size = image == &big ? 32 : 16;
        out.push_back(size);
        out.push_back(size);
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, uint32_t(image->size()));
        Put32(out, offset);
        offset += uint32_t(image->size());
    }
    out.insert(out.end(), big.begin(), big.end());
    out.insert(out.end(), small.begin(), small.end());
    return out;
}

// Namespace-level rather than a function-local static: the stub carries no guarded
// initialisation (it would bring the exception machinery with it).
std::vector<uint8_t> g_iconFile;

}  // namespace

const std::vector<uint8_t>& BuiltInIconFile() {
    if (g_iconFile.empty()) g_iconFile = MakeIconFile();
    return g_iconFile;
}

}  // namespace wb
