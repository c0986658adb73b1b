#include "jpeg_writer.h"

#include "common/byte_writer.h"
#include "common/jpeg_writer.h"

namespace payloadgen {
namespace {

// One IFD entry: tag, type, count and the value (or the offset of the value).
void PutIfdEntry(gen::ByteWriter& out, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                 std::uint32_t value) {
  out.U16(tag);
  out.U16(type);
  out.U32(count);
  out.U32(value);
}

}  // namespace

std::string MakeExifData(int width, int height) {
  constexpr std::uint16_t kShort = 3, kLong = 4, kRational = 5, kUndefined = 7;
  gen::ByteWriter tiff;
  tiff.Bytes("II");
  tiff.U16(42);
  tiff.U32(8);
  // IFD0 at 8: 5 entries (2 + 5 * 12 + 4 = 66 bytes), then the two resolutions at 74 and 82.
  constexpr std::uint32_t kExifIfd = 90;
  tiff.U16(5);
  PutIfdEntry(tiff, 0x011A, kRational, 1, 74);  // XResolution
  PutIfdEntry(tiff, 0x011B, kRational, 1, 82);  // YResolution
  PutIfdEntry(tiff, 0x0112, kShort, 1, 1);      // Orientation: top left
  PutIfdEntry(tiff, 0x0128, kShort, 1, 2);      // ResolutionUnit: inch
  PutIfdEntry(tiff, 0x8769, kLong, 1, kExifIfd);
  tiff.U32(0);  // no further IFD
  tiff.U32(72);
  tiff.U32(1);
  tiff.U32(72);
  tiff.U32(1);
  // Exif IFD: 4 entries.
  tiff.U16(4);
  PutIfdEntry(tiff, 0x9000, kUndefined, 4, 0x30333230);  // ExifVersion "0230"
  PutIfdEntry(tiff, 0xA001, kShort, 1, 1);               // ColorSpace: sRGB
  PutIfdEntry(tiff, 0xA002, kLong, 1, static_cast<std::uint32_t>(width));
  PutIfdEntry(tiff, 0xA003, kLong, 1, static_cast<std::uint32_t>(height));
  tiff.U32(0);
  std::string data("Exif\0\0", 6);
  data.append(tiff.View());
  return data;
}

gen::Result<std::string> MakeJpeg(const Picture& picture, JpegHeader header,
                                  std::uint32_t size, std::string_view comment,
                                  const std::string& file) {
  const std::string exif = header == JpegHeader::Exif ? MakeExifData(picture.width, picture.height) : "";
  gen::JpegStyle style;
  style.exif = exif;
  style.comment = comment;
  return gen::MakeJpegOfSize({picture.width, picture.height, picture.rgb}, style, size, file);
}

}  // namespace payloadgen
