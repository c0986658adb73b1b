#include "jpeg_decode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "pages/jpeg_header.h"
#include "pages/page_format.h"

namespace vl {
namespace {

// libjpeg reports errors through a callback that must not return: it jumps back to the decoder.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void OnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}
// Warnings are not shown anywhere, only counted as libjpeg counts them; no message is ever
// composed.
void OnEmit(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;
}
void OnMessage(j_common_ptr) {}
void OnFormat(j_common_ptr, char* buffer) { buffer[0] = '\0'; }
void OnReset(j_common_ptr info) {
  info->err->num_warnings = 0;
  info->err->msg_code = 0;
}

// The error manager with the program's own handlers throughout, set up here rather than by
// jpeg_std_error: that would bring libjpeg's message texts into the program, none of which it
// shows.
void InitialiseErrors(ErrorManager* errors) {
  errors->base = jpeg_error_mgr{};  // trace level 0, no warnings, no message tables
  errors->base.error_exit = OnError;
  errors->base.emit_message = OnEmit;
  errors->base.output_message = OnMessage;
  errors->base.format_message = OnFormat;
  errors->base.reset_error_mgr = OnReset;
}

// Decodes into `out` (already sized by the caller's first pass is not possible: libjpeg tells the
// size only after the header); returns false on any libjpeg error. Kept free of objects with
// destructors between setjmp and the end, so that the jump skips nothing.
bool RunDecoder(const std::uint8_t* data, unsigned long size, DecodedImage* out, bool* tooLarge) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  InitialiseErrors(&errors);
  info.err = &errors.base;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  jpeg_read_header(&info, TRUE);
  const std::uint64_t announced = static_cast<std::uint64_t>(info.image_width) * info.image_height;
  if (announced > pages::kMaxPicturePixels || info.jpeg_color_space == JCS_CMYK ||
      info.jpeg_color_space == JCS_YCCK) {
    *tooLarge = announced > pages::kMaxPicturePixels;
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  const std::uint64_t area = static_cast<std::uint64_t>(info.output_width) * info.output_height;
  if (area == 0 || area > pages::kMaxPicturePixels || info.output_components != 3) {
    *tooLarge = area > pages::kMaxPicturePixels;
    jpeg_destroy_decompress(&info);
    return false;
  }
  out->width = static_cast<int>(info.output_width);
  out->height = static_cast<int>(info.output_height);
  out->pixels.assign(static_cast<std::size_t>(area), 0);
  JSAMPROW row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                           info.output_width * 3, 1)[0];
  while (info.output_scanline < info.output_height) {
    const JDIMENSION y = info.output_scanline;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
    std::uint32_t* target = out->pixels.data() + static_cast<std::size_t>(y) * info.output_width;
    for (JDIMENSION x = 0; x < info.output_width; ++x) {
      target[x] = (static_cast<std::uint32_t>(row[3 * x]) << 16) | (static_cast<std::uint32_t>(row[3 * x + 1]) << 8) |
                  row[3 * x + 2];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

Expected<DecodedImage> DecodeJpeg(std::span<const std::uint8_t> bytes) noexcept {
  if (!pages::LooksLikeJpeg(bytes)) return Error{"not a JPEG picture", 0};
  DecodedImage image;
  bool tooLarge = false;
  if (!RunDecoder(bytes.data(), static_cast<unsigned long>(bytes.size()), &image, &tooLarge)) {
    return Error{tooLarge ? "JPEG picture too large" : "JPEG picture cannot be decoded", 0};
  }
  return image;
}

}  // namespace vl
