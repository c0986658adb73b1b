#pragma once
// Decoding a JPEG picture held in memory into pixels, with libjpeg. Portable: the Windows program
// and the host tests use the same code.
#include <cstdint>
#include <span>
#include <vector>

#include "runtime/expected.h"

namespace vl {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // rows top-down, each pixel 0x00RRGGBB
};

// Pictures larger than this many pixels are refused rather than allocated.
inline constexpr std::uint64_t kMaxPicturePixels = 16u * 1024u * 1024u;

// Fails on anything libjpeg cannot decode (the error names no position), on a picture of more
// than kMaxPicturePixels and on colour spaces other than grey and colour.
Expected<DecodedImage> DecodeJpeg(std::span<const std::uint8_t> bytes) noexcept;

// Whether the bytes start like a JPEG file (the SOI marker).
bool LooksLikeJpeg(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vl
