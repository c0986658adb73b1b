#pragma once
// 64-bit unsigned division by a 32-bit divisor, bit by bit. A 32-bit program that divides 64-bit
// numbers otherwise brings the compiler's division helpers along, which weigh more than every use
// of them here together; none of these uses is on a path where the loop's speed counts.
#include <cstdint>

namespace vl {

// `dividend` / `divisor` (which must not be 0); `remainder` receives the rest when not null.
std::uint64_t DivideLong(std::uint64_t dividend, std::uint32_t divisor, std::uint32_t* remainder = nullptr) noexcept;

}  // namespace vl
