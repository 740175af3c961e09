// Which opcodes are converted must be decided alike on the original bytes (encoding) and
// on the converted ones (decoding). Three rules make it so:
// - an opcode byte at a position the scan reaches is never inside a converted operand,
//   because the scan skips the four operand bytes after every conversion;
// - only operands whose top byte is 00 or FF (a target within 16 MiB either way) are
//   converted, and the result keeps that shape: the address is taken modulo 2^25 and its
//   top byte set from bit 24, so the converted top byte is again 00 or FF;
// - an opcode that was not converted blocks conversions in the next three positions,
//   whose operands would overlap its own top byte and could change its verdict.
// Everything the scan decides thus depends only on bytes both directions see the same.
#include "blocks/common/x86_filter.h"

namespace wb {

namespace {

constexpr size_t kInstructionSize = 5;  // opcode and 32-bit displacement
constexpr size_t kBlockDistance = 3;
constexpr uint32_t kAddressMask = 0x1FFFFFF;  // 25 bits
constexpr uint32_t kSignBit = 0x1000000;

bool IsBranch(uint8_t b) noexcept { return (b & 0xFE) == 0xE8; }
bool IsNearTop(uint8_t b) noexcept { return b == 0x00 || b == 0xFF; }

size_t Convert(uint8_t* data, size_t size, bool encode) noexcept {
    if (!data || size < kInstructionSize) return 0;
    size_t converted = 0;
    bool missed = false;
    size_t lastMiss = 0;
    size_t i = 0;
    while (i <= size - kInstructionSize) {
        if (!IsBranch(data[i])) {
            ++i;
            continue;
        }
        uint8_t* op = data + i + 1;
        const bool blocked = missed && i - lastMiss <= kBlockDistance;
        if (blocked || !IsNearTop(op[3])) {
            missed = true;
            lastMiss = i;
            ++i;
            continue;
        }
        const uint32_t v = uint32_t(op[0]) | uint32_t(op[1]) << 8 | uint32_t(op[2]) << 16 |
                           uint32_t(op[3]) << 24;
        const uint32_t next = uint32_t(i + kInstructionSize);
        uint32_t w = (encode ? v + next : v - next) & kAddressMask;
        if (w & kSignBit) w |= ~kAddressMask;
        op[0] = uint8_t(w);
        op[1] = uint8_t(w >> 8);
        op[2] = uint8_t(w >> 16);
        op[3] = uint8_t(w >> 24);
        ++converted;
        i += kInstructionSize;
    }
    return converted;
}

}  // namespace

size_t X86FilterEncode(uint8_t* data, size_t size) noexcept { return Convert(data, size, true); }

void X86FilterDecode(uint8_t* data, size_t size) noexcept { Convert(data, size, false); }

}  // namespace wb
