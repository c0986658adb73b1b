#pragma once

// The payload's JPEG pictures: a JFIF (72 dots per inch) or an Exif header, then comment
// segments that bring the file to an exact size.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/result.h"
#include "picture.h"

namespace payloadgen {

enum class JpegHeader { Jfif, Exif };

// The JPEG file of `picture`, exactly `size` bytes: the best quality from 90 down whose coded
// picture leaves room for at least one comment segment, then comments made of `comment`
// repeated. Fails when even the lowest quality does not fit.
gen::Result<std::string> MakeJpeg(const Picture& picture, JpegHeader header,
                                  std::uint32_t size, std::string_view comment,
                                  const std::string& file);

// The Exif segment's data (after the "Exif\0\0" signature is included; without the marker and
// length): a little-endian TIFF header, IFD0 with the orientation and resolution and an Exif IFD
// with the version, the colour space and the pixel dimensions.
std::string MakeExifData(int width, int height);

}  // namespace payloadgen
