#pragma once
// Fitting texts of the system into fixed widths without splitting a character (FitLength,
// base/character_walk.h).
#include <cstddef>
#include <string_view>

#include "base/character_walk.h"

namespace vl {

// A new runtime allocation of exactly `width` bytes (width >= 1), zero-filled, holding as much of
// `text` as fits before its terminator, cut on a character boundary. Never null.
char* NewTextOfWidth(std::string_view text, std::size_t width) noexcept;

}  // namespace vl
