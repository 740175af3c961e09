// The x86 branch filter: turns the relative targets of CALL (E8) and JMP (E9) into
// absolute ones before compression, so that calls to one function from many places become
// the same bytes. Applied to blocks of Windows programs; undone after decoding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wb {

// Converts in place. `data[0]` counts as position 0. Returns how many operands changed.
size_t X86FilterEncode(uint8_t* data, size_t size) noexcept;

// Undoes X86FilterEncode in place: X86FilterDecode(X86FilterEncode(x)) == x for any bytes.
void X86FilterDecode(uint8_t* data, size_t size) noexcept;

}  // namespace wb
