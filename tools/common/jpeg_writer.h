#pragma once

// Baseline JPEG files of an exact size through libjpeg: the best quality on a ladder whose coded
// picture leaves room for at least one comment segment, then comment segments that bring the
// file to the size.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/result.h"

namespace gen {

// A picture as three bytes (red, green, blue) per pixel, rows top to bottom.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::span<const std::uint8_t> rgb;
};

// How the file is coded; the same style and picture always give the same bytes.
struct JpegStyle {
  // The qualities tried, best first: highest, highest - step, ... down to lowest.
  int highestQuality = 90;
  int qualityStep = 5;
  int lowestQuality = 5;
  // Huffman tables fitted to the picture (still a baseline frame); otherwise the standard ones.
  bool optimizeCoding = true;
  // The JFIF header's density in dots per inch; 0 leaves it an aspect ratio of 1:1.
  int dotsPerInch = 72;
  // When not empty, the data of an APP1 segment written in place of the JFIF header.
  std::string_view exif;
  // The comment segments' text, repeated as far as needed.
  std::string_view comment = " ";
};

// The JPEG file of `picture`, exactly `size` bytes; the comment segments follow the header.
// Fails, naming `file`, when even the lowest quality does not fit.
Result<std::string> MakeJpegOfSize(const RgbPicture& picture, const JpegStyle& style, std::uint32_t size,
                                   const std::string& file);

}  // namespace gen
