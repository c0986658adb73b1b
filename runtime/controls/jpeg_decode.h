#pragma once
// Decoding a JPEG picture held in memory into pixels, with libjpeg. Portable: the Windows program
// and the host tests use the same code.
#include <cstdint>
#include <span>
#include <vector>

#include "base/expected.h"

namespace vl {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // rows top-down, each pixel 0x00RRGGBB
};

// Fails on anything libjpeg cannot decode (the error names no position), on a picture whose header
// announces more than pages::kMaxPicturePixels (before anything is allocated for its pixels) and
// on colour spaces other than grey and colour.
Expected<DecodedImage> DecodeJpeg(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vl
