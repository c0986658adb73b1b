#include "jpeg_writer.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "bytes_out.h"

namespace payloadgen {
namespace {

constexpr std::size_t kMarkerOverhead = 4;       // FF FE and the 16-bit length
constexpr std::size_t kLargestSegment = 65533;   // data bytes of one segment

// One IFD entry: tag, type, count and the value (or the offset of the value).
void PutIfdEntry(ByteWriter& out, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                 std::uint32_t value) {
  out.U16(tag);
  out.U16(type);
  out.U32(count);
  out.U32(value);
}

// libjpeg reports errors by calling error_exit, which must not return; the generator is a
// build tool, so a failure inside the library ends it with libjpeg's message.
void ExitOnJpegError(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, message);
  std::fprintf(stderr, "payloadgen: libjpeg: %s\n", message);
  std::exit(1);
}

std::string Compress(const Picture& picture, JpegHeader header, int quality,
                     const std::vector<std::string>& comments) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  errors.error_exit = ExitOnJpegError;
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
  jpeg_mem_dest(&info, &buffer, &length);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.optimize_coding = TRUE;  // still a baseline frame, with tables fitted to the picture
  info.write_JFIF_header = header == JpegHeader::Jfif ? TRUE : FALSE;
  if (header == JpegHeader::Jfif) {
    info.density_unit = 1;  // dots per inch
    info.X_density = 72;
    info.Y_density = 72;
  }
  jpeg_start_compress(&info, TRUE);
  if (header == JpegHeader::Exif) {
    const std::string exif = MakeExifData(picture.width, picture.height);
    jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(exif.data()),
                      static_cast<unsigned>(exif.size()));
  }
  for (const std::string& text : comments) {
    jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(text.data()),
                      static_cast<unsigned>(text.size()));
  }
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(picture.Pixel(0, y));
  }
  while (info.next_scanline < info.image_height) {
    jpeg_write_scanlines(&info, rows.data() + info.next_scanline,
                         info.image_height - info.next_scanline);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<const char*>(buffer), length);
  std::free(buffer);
  return out;
}

}  // namespace

std::string MakeExifData(int width, int height) {
  constexpr std::uint16_t kShort = 3, kLong = 4, kRational = 5, kUndefined = 7;
  ByteWriter tiff;
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
  for (int quality = 90; quality >= 5; quality -= 5) {
    const std::string bare = Compress(picture, header, quality, {});
    if (bare.size() + kMarkerOverhead > size) continue;
    // Comment segments of up to 65533 bytes, each costing 4 bytes of marker and length; the
    // text is shared out evenly, so every padding of 4 bytes or more is reachable.
    const std::size_t padding = size - bare.size();
    const std::size_t perSegment = kLargestSegment + kMarkerOverhead;
    const std::size_t segments = (padding + perSegment - 1) / perSegment;
    const std::size_t textLength = padding - segments * kMarkerOverhead;
    std::string text;
    while (text.size() < textLength) text.append(comment);
    std::vector<std::string> comments;
    std::size_t taken = 0;
    for (std::size_t i = 0; i < segments; ++i) {
      const std::size_t length = textLength / segments + (i < textLength % segments ? 1 : 0);
      comments.push_back(text.substr(taken, length));
      taken += length;
    }
    std::string out = Compress(picture, header, quality, comments);
    if (out.size() != size) {
      return gen::Error{file, 0, "the comment segments did not give the exact size"};
    }
    return out;
  }
  return gen::Error{file, 0, "the picture does not fit into " + std::to_string(size) +
                                      " bytes even at the lowest quality"};
}

}  // namespace payloadgen
