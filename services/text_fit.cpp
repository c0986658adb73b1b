#include "text_fit.h"

#include <cstring>

#include "runtime/memory.h"

namespace vl {

char* NewTextOfWidth(std::string_view text, std::size_t width) noexcept {
  auto* result = static_cast<char*>(AllocateMemory(width));
  std::memset(result, 0, width);
  const std::size_t length = FitLength(text, width - 1);
  std::memcpy(result, text.data(), length);
  return result;
}

}  // namespace vl
