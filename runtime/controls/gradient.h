#pragma once
// The colour gradients that labels paint: colours spread along an axis by one integer formula,
// so that every pixel's colour is reproducible. Portable: no Windows calls.
#include <cstdint>
#include <span>

namespace vl {

// Gradient types: 1 top to bottom, 2 left to right, 5 bottom to top, 6 right to left; 3, 4, 7
// and 8 along the diagonals (3 from the top-left corner, 4 from the top-right, 7 from the
// bottom-right, 8 from the bottom-left). Any other type draws no gradient.
bool IsGradientType(int type) noexcept;

// The colour (0x00BBGGRR) at distance `position` along an axis of `length` pixels through
// `colours` (at least two). Each of the k - 1 segments is length / (k - 1) pixels long (integer
// division); within segment i the colour moves from colours[i] towards colours[i + 1] by the
// fraction (position mod segment) / segment, each channel's step truncated toward zero; a point
// past the last segment takes the last colour. An axis shorter than k - 1 pixels gives each
// pixel the next colour in turn.
std::uint32_t GradientColourAt(std::span<const std::uint32_t> colours, int length, int position) noexcept;

// The axis length and a pixel's distance along it for a gradient type over a width x height area.
int GradientAxisLength(int type, int width, int height) noexcept;
int GradientPosition(int type, int width, int height, int x, int y) noexcept;

// Fills a width x height area of a 32-bit DIB (rows top-down, each pixel 0x00RRGGBB) with the
// gradient: `pixels` starts at the area's first pixel, and its rows lie `rowStride` pixels apart
// (the width of the whole picture the area lies in). Does nothing when the type is not a
// gradient type, fewer than two colours are given or the buffer ends inside the area.
void FillGradient(int type, std::span<const std::uint32_t> colours, int width, int height,
                  std::span<std::uint32_t> pixels, std::size_t rowStride) noexcept;

// 0x00BBGGRR to the 0x00RRGGBB of a 32-bit DIB pixel.
constexpr std::uint32_t ColourToDibPixel(std::uint32_t colour) noexcept {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

}  // namespace vl
