#pragma once
// Numbers in handlers are doubles; storing one in an integer truncates toward zero.
#include <cstdint>

namespace vl {

// Truncates toward zero with the floating-point unit in chop mode for this one store, its mode
// restored afterwards. Values outside the 64-bit range give the integer indefinite
// (0x8000000000000000) rather than undefined behaviour. Callers use the low 32 bits.
std::int64_t TruncateToInteger(double value) noexcept;

// The floating-point unit back to its default state (round to nearest), at program start.
void ResetFloatingPointUnit() noexcept;

}  // namespace vl
