#pragma once

// UTF-8 to GBK with glibc's iconv ("GBK", which is Windows code page 936 for our purpose).

#include <cstddef>
#include <string>
#include <string_view>

#include "common/result.h"

namespace constgen {

// Where a conversion stopped: the first character of the input that has no GBK form.
struct EncodingFailure {
  std::size_t offset = 0;  // in the UTF-8 input
  std::string character;   // its UTF-8 bytes
  char32_t codePoint = 0;
};

// Owns one iconv conversion descriptor.
class GbkEncoder {
 public:
  // Fails (file "iconv") when this C library has no UTF-8 to GBK conversion.
  static gen::Result<GbkEncoder> Open();

  GbkEncoder(GbkEncoder&& other) noexcept;
  GbkEncoder& operator=(GbkEncoder&& other) noexcept;
  GbkEncoder(const GbkEncoder&) = delete;
  GbkEncoder& operator=(const GbkEncoder&) = delete;
  ~GbkEncoder();

  // Converts valid UTF-8 to GBK bytes, or tells the first character GBK cannot represent
  // (or the first byte that is not valid UTF-8).
  gen::Result<std::string, EncodingFailure> Encode(std::string_view utf8);

 private:
  explicit GbkEncoder(void* descriptor) : m_descriptor(descriptor) {}

  void* m_descriptor;  // glibc's iconv_t, kept out of this header
};

}  // namespace constgen
