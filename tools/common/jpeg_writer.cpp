#include "common/jpeg_writer.h"

#include <errno.h>  // program_invocation_short_name

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace gen {
namespace {

constexpr std::size_t kMarkerOverhead = 4;       // the marker and the 16-bit length
constexpr std::size_t kLargestSegment = 65533;   // data bytes of one segment

// libjpeg reports errors by calling error_exit, which must not return; the generators are build
// tools, so a failure inside the library ends them with libjpeg's message.
void ExitOnJpegError(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, message);
  std::fprintf(stderr, "%s: libjpeg: %s\n", program_invocation_short_name, message);
  std::exit(1);
}

std::string Compress(const RgbPicture& picture, const JpegStyle& style, int quality,
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
  info.optimize_coding = style.optimizeCoding ? TRUE : FALSE;
  info.dct_method = JDCT_ISLOW;  // the exact integer transform: the same bytes everywhere
  info.write_JFIF_header = style.exif.empty() ? TRUE : FALSE;
  if (style.exif.empty() && style.dotsPerInch > 0) {
    info.density_unit = 1;  // dots per inch
    info.X_density = static_cast<UINT16>(style.dotsPerInch);
    info.Y_density = static_cast<UINT16>(style.dotsPerInch);
  }
  jpeg_start_compress(&info, TRUE);
  if (!style.exif.empty()) {
    jpeg_write_marker(&info, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(style.exif.data()),
                      static_cast<unsigned>(style.exif.size()));
  }
  for (const std::string& text : comments) {
    jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(text.data()),
                      static_cast<unsigned>(text.size()));
  }
  const std::size_t rowLength = static_cast<std::size_t>(picture.width) * 3;
  std::vector<JSAMPROW> rows(static_cast<std::size_t>(picture.height));
  for (std::size_t y = 0; y < rows.size(); ++y) {
    rows[y] = const_cast<JSAMPROW>(picture.rgb.data() + y * rowLength);
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

Result<std::string> MakeJpegOfSize(const RgbPicture& picture, const JpegStyle& style, std::uint32_t size,
                                   const std::string& file) {
  for (int quality = style.highestQuality; quality >= style.lowestQuality; quality -= std::max(1, style.qualityStep)) {
    const std::string bare = Compress(picture, style, quality, {});
    if (bare.size() + kMarkerOverhead > size) continue;
    // Comment segments of up to 65533 bytes, each costing 4 bytes of marker and length; the
    // text is shared out evenly, so every padding of 4 bytes or more is reachable.
    const std::size_t padding = size - bare.size();
    const std::size_t perSegment = kLargestSegment + kMarkerOverhead;
    const std::size_t segments = (padding + perSegment - 1) / perSegment;
    const std::size_t textLength = padding - segments * kMarkerOverhead;
    std::string text;
    const std::string_view comment = style.comment.empty() ? " " : style.comment;
    while (text.size() < textLength) text.append(comment);
    std::vector<std::string> comments;
    std::size_t taken = 0;
    for (std::size_t i = 0; i < segments; ++i) {
      const std::size_t length = textLength / segments + (i < textLength % segments ? 1 : 0);
      comments.push_back(text.substr(taken, length));
      taken += length;
    }
    std::string out = Compress(picture, style, quality, comments);
    if (out.size() != size) return Error{file, 0, "the comment segments did not give the exact size"};
    return out;
  }
  return Error{file, 0, "the picture does not fit into " + std::to_string(size) +
                            " bytes even at the lowest quality"};
}

}  // namespace gen
