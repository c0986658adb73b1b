#pragma once
// Byte sets: one block of a 32-bit word 1, a 32-bit length L and L bytes, passed by a pointer to
// the block. The carried files live in this form among the program's constants and are used
// in place.
#include <cstddef>
#include <cstdint>
#include <span>

namespace vl {

inline constexpr std::size_t kByteSetHeaderSize = 8;

// The data of a byte set block; a length of 0 or less (or a null block) means no data.
std::span<const std::uint8_t> ByteSetData(const void* block) noexcept;

// A new runtime allocation holding a byte set with a copy of `bytes`.
void* MakeByteSet(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vl
