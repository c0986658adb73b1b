#include "picture.h"

#include <algorithm>

namespace payloadgen {
namespace {

struct Colour {
  int r, g, b;
};

std::uint32_t HashName(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  return hash;
}

// A saturated colour for a hue in 0..359 at brightness `value` (0..255), integers only.
Colour FromHue(int hue, int value) {
  const int sector = hue / 60;
  const int rise = (hue % 60) * value / 60;
  const int fall = value - rise;
  const int low = value / 4;
  switch (sector) {
    case 0: return {value, std::max(low, rise), low};
    case 1: return {std::max(low, fall), value, low};
    case 2: return {low, value, std::max(low, rise)};
    case 3: return {low, std::max(low, fall), value};
    case 4: return {std::max(low, rise), low, value};
    default: return {value, low, std::max(low, fall)};
  }
}

int Mix(int a, int b, int weight, int scale) { return a + (b - a) * weight / scale; }

}  // namespace

Picture DrawArtistPicture(std::string_view artist, int width, int height) {
  const std::uint32_t hash = HashName(artist);
  const Colour top = FromHue(static_cast<int>(hash % 360), 235);
  const Colour bottom = FromHue(static_cast<int>((hash / 360 + 120) % 360), 60);
  const Colour disc = FromHue(static_cast<int>((hash / 7) % 360), 20);
  const Colour label = FromHue(static_cast<int>((hash / 13) % 360), 250);

  const int size = std::min(width, height);
  const int centreX = width / 2 + static_cast<int>((hash >> 8) % 9) * width / 40 - width / 10;
  const int centreY = height / 2;
  const int radius = size * 3 / 8;
  const int labelRadius = radius * 2 / 5;
  const int holeRadius = std::max(1, radius / 12);

  Picture picture{width, height, {}};
  picture.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  std::size_t at = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Colour colour{Mix(top.r, bottom.r, y, height), Mix(top.g, bottom.g, y, height),
                    Mix(top.b, bottom.b, y, height)};
      const int dx = x - centreX;
      const int dy = y - centreY;
      const int distance2 = dx * dx + dy * dy;
      if (distance2 <= holeRadius * holeRadius) {
        // the centre hole shows the sky
      } else if (distance2 <= labelRadius * labelRadius) {
        colour = label;
      } else if (distance2 <= radius * radius) {
        colour = disc;
        // Faint grooves every few pixels of radius.
        const int ring = (distance2 * 16 / (radius * radius)) % 2;
        colour.r += ring * 18;
        colour.g += ring * 18;
        colour.b += ring * 18;
      }
      picture.rgb[at++] = static_cast<std::uint8_t>(std::clamp(colour.r, 0, 255));
      picture.rgb[at++] = static_cast<std::uint8_t>(std::clamp(colour.g, 0, 255));
      picture.rgb[at++] = static_cast<std::uint8_t>(std::clamp(colour.b, 0, 255));
    }
  }
  return picture;
}

}  // namespace payloadgen
