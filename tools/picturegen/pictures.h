#pragma once
// The pages' pictures, drawn by code: the same bytes on every build.
//   page icon    a Windows icon file, one 32 x 32 image, 24 bits per pixel (3262 bytes)
//   small icon   a Windows icon file, one 16 x 16 image, 24 bits per pixel (894 bytes)
//   banner       a baseline JPEG, 163 x 291 pixels, three components, exactly 14060 bytes
//   program icon the programs' own icon: the page icon and the small icon in one icon file,
//                paletted (1950 bytes instead of 4134: each byte adds to the installer)
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace picturegen {

using Bytes = std::vector<std::uint8_t>;

// An image as 0xRRGGBB pixels, rows top-down.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

Image DrawPageIcon();    // 32 x 32
Image DrawSmallIcon();   // 16 x 16
Image DrawBanner();      // 163 x 291

// A one-image icon file at 24 bits per pixel, every pixel opaque.
Bytes EncodeIcon(const Image& image);

// The programs' icon file: both images at 8 bits per pixel, each with a palette of its own
// colours only, every pixel opaque; nothing when an image has more than 256 colours.
std::optional<Bytes> EncodeProgramIcon(const Image& large, const Image& small);

// A baseline JPEG with the standard tables, three components, the JFIF header and comment
// segments of spaces after it: the highest quality from 95 down that leaves room for a comment
// segment, padded to exactly `size` bytes; nothing when even quality 1 is too large.
std::optional<Bytes> EncodeJpegOfSize(const Image& image, std::size_t size);

inline constexpr std::size_t kBannerSize = 14060;

}  // namespace picturegen
