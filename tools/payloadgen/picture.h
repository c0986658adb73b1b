#pragma once

// The artist pictures: drawn from the artist's name, so that every build draws the same
// picture and every artist gets a picture of its own (a sky gradient and a record disc).

#include <cstdint>
#include <string_view>
#include <vector>

namespace payloadgen {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top to bottom, 3 bytes per pixel

  const std::uint8_t* Pixel(int x, int y) const {
    return &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(x)) * 3];
  }
};

// Width and height from 1 to 4096.
Picture DrawArtistPicture(std::string_view artist, int width, int height);

}  // namespace payloadgen
