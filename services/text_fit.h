#pragma once
// Fitting texts of the system into fixed widths without splitting a double-byte (GBK)
// character: a byte with the high bit set starts a two-byte character.
#include <cstddef>
#include <string_view>

namespace vl {

// The length of the longest start of `text` that is at most `limit` bytes long and ends on a
// character boundary.
std::size_t FitLength(std::string_view text, std::size_t limit) noexcept;

// A new runtime allocation of exactly `width` bytes (width >= 1), zero-filled, holding as much of
// `text` as fits before its terminator, cut on a character boundary. Never null.
char* NewTextOfWidth(std::string_view text, std::size_t width) noexcept;

}  // namespace vl
