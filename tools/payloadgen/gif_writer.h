#pragma once

// GIF89a pictures: one image, a global table of 256 colours (a 6x6x6 colour cube and 40 greys),
// LZW-coded pixels, and comment extensions that bring the file to an exact size.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"
#include "picture.h"

namespace payloadgen {

// The GIF file of `picture`, exactly `size` bytes, the padding being comments made of
// `comment` repeated. Fails when the picture alone needs more than `size` less the smallest
// comment.
gen::Result<std::string> MakeGif(const Picture& picture, std::uint32_t size,
                                 std::string_view comment, const std::string& file);

// The palette index the GIF writer uses for a colour.
std::uint8_t GifPaletteIndex(const std::uint8_t* rgb);

// The palette entry `index` as RGB.
void GifPaletteColour(std::uint8_t index, std::uint8_t* rgb);

// LZW codes of 8-bit indices as GIF stores them (minimum code size 8), without the sub-block
// framing.
std::string LzwEncode(const std::string& indices);

}  // namespace payloadgen
