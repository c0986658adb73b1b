#include "text_fit.h"

#include <cstring>

#include "runtime/memory.h"

namespace vl {

std::size_t FitLength(std::string_view text, std::size_t limit) noexcept {
  std::size_t length = 0;
  while (length < text.size()) {
    const std::size_t step = (static_cast<unsigned char>(text[length]) & 0x80) != 0 ? 2 : 1;
    if (length + step > limit || length + step > text.size()) break;
    length += step;
  }
  return length;
}

char* NewTextOfWidth(std::string_view text, std::size_t width) noexcept {
  auto* result = static_cast<char*>(AllocateMemory(width));
  std::memset(result, 0, width);
  const std::size_t length = FitLength(text, width - 1);
  std::memcpy(result, text.data(), length);
  return result;
}

}  // namespace vl
