#pragma once
// Reading a Windows icon file (.ico): its directory and the image data of one entry. Portable.
#include <cstdint>
#include <span>

#include "base/expected.h"

namespace vl {

struct IconImage {
  int width = 0;   // 256 where the directory stores 0
  int height = 0;
  int bitsPerPixel = 0;
  std::span<const std::uint8_t> data;  // the entry's bitmap or PNG bytes, in the file
};

bool LooksLikeIconFile(std::span<const std::uint8_t> bytes) noexcept;

// The entry closest to `wantedSize` pixels wide (an exact match first, then the smallest larger,
// then the largest), the deepest on ties. Fails on a file without entries, with a directory
// that does not fit, or whose chosen entry lies outside the file.
Expected<IconImage> ChooseIconImage(std::span<const std::uint8_t> file, int wantedSize) noexcept;

}  // namespace vl
