#include "gradient.h"

#include <algorithm>

namespace vl {
namespace {

int Channel(std::uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

}  // namespace

bool IsGradientType(int type) noexcept { return type >= 1 && type <= 8; }

std::uint32_t GradientColourAt(std::span<const std::uint32_t> colours, int length, int position) noexcept {
  const int count = static_cast<int>(colours.size());
  if (count == 0) return 0;
  if (count == 1 || position <= 0) return colours[0];
  const int segment = length / (count - 1);
  // A tiny axis would divide by zero; each pixel then simply takes the next colour.
  if (segment <= 0) return colours[static_cast<std::size_t>(std::min(position, count - 1))];
  const int index = position / segment;
  if (index >= count - 1) return colours[static_cast<std::size_t>(count - 1)];
  const double fraction = static_cast<double>(position % segment) / segment;
  const std::uint32_t from = colours[static_cast<std::size_t>(index)];
  const std::uint32_t to = colours[static_cast<std::size_t>(index + 1)];
  std::uint32_t result = 0;
  for (int shift : {0, 8, 16}) {
    const int a = Channel(from, shift);
    const int step = static_cast<int>(fraction * (Channel(to, shift) - a));  // truncates toward zero
    result |= static_cast<std::uint32_t>(std::clamp(a + step, 0, 255)) << shift;
  }
  return result;
}

int GradientAxisLength(int type, int width, int height) noexcept {
  switch (type) {
    case 1: case 5: return height;
    case 2: case 6: return width;
    case 3: case 4: case 7: case 8: return 2 * std::min(width, height);
    default: return 0;
  }
}

int GradientPosition(int type, int width, int height, int x, int y) noexcept {
  const int m = std::min(width, height);
  // Along a diagonal each axis contributes in proportion to its side, so both corners are reached
  // whatever the area's shape.
  auto diagonal = [&](int dx, int dy) {
    return (width > 0 ? dx * m / width : 0) + (height > 0 ? dy * m / height : 0);
  };
  switch (type) {
    case 1: return y;
    case 2: return x;
    case 5: return height - 1 - y;
    case 6: return width - 1 - x;
    case 3: return diagonal(x, y);
    case 4: return diagonal(width - 1 - x, y);
    case 7: return diagonal(width - 1 - x, height - 1 - y);
    case 8: return diagonal(x, height - 1 - y);
    default: return 0;
  }
}

void FillGradient(int type, std::span<const std::uint32_t> colours, int width, int height,
                  std::span<std::uint32_t> pixels, std::size_t rowStride) noexcept {
  // Another type has no axis; an empty area has none either.
  const int length = GradientAxisLength(type, width, height);
  if (length <= 0 || colours.size() < 2 || width <= 0 || height <= 0) return;
  const auto columns = static_cast<std::size_t>(width);
  if (rowStride < columns || pixels.size() < columns ||
      (pixels.size() - columns) / rowStride < static_cast<std::size_t>(height - 1)) {
    return;
  }
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * rowStride;
    for (int x = 0; x < width; ++x) {
      row[x] = ColourToDibPixel(GradientColourAt(colours, length, GradientPosition(type, width, height, x, y)));
    }
  }
}

}  // namespace vl
