#include "text_value.h"

#include <cstring>

#include "base/character_walk.h"
#include "memory.h"
#include "runtime_texts.h"

namespace vl {

int TextLength(Text text) noexcept {
  return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

bool IsEmptyText(Text text) noexcept { return text == nullptr || text[0] == '\0'; }

OwnedText ConcatTexts(std::initializer_list<Text> texts) noexcept {
  std::size_t total = 0;
  for (Text t : texts) total += static_cast<std::size_t>(TextLength(t));
  auto* out = static_cast<char*>(AllocateMemory(total + 1));
  std::size_t at = 0;
  for (Text t : texts) {
    const auto n = static_cast<std::size_t>(TextLength(t));
    if (n != 0) std::memcpy(out + at, t, n);
    at += n;
  }
  out[at] = '\0';
  return OwnedText(out);
}

int CompareTexts(Text a, Text b) noexcept {
  if (a == nullptr) return IsEmptyText(b) ? 0 : -1;
  if (b == nullptr) return IsEmptyText(a) ? 0 : 1;
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  for (;; ++x, ++y) {
    if (*x != *y) return *x < *y ? -1 : 1;
    if (*x == 0) return 0;
  }
}

OwnedText CopyTextBytes(const char* bytes, std::size_t length) noexcept {
  auto* out = static_cast<char*>(AllocateMemory(length + 1));
  if (length != 0) std::memcpy(out, bytes, length);
  out[length] = '\0';
  return OwnedText(out);
}

OwnedText CopyText(Text text) noexcept {
  return CopyTextBytes(text == nullptr ? "" : text, static_cast<std::size_t>(TextLength(text)));
}

Text NonNullText(Text text) noexcept { return text == nullptr ? kEmptyText : text; }

}  // namespace vl

namespace vl {

const char* FindLastBackslash(Text text) noexcept {
  if (text == nullptr) return nullptr;
  const char* found = nullptr;
  for (const char* p = text; *p != '\0'; p = NextCharacter(p)) {
    if (*p == '\\') found = p;
  }
  return found;
}

}  // namespace vl

namespace vl {

bool IsBlankText(Text text) noexcept {
  if (text == nullptr) return true;
  for (const char* p = text; *p != '\0'; p = NextCharacter(p)) {
    const bool ideographicSpace = p[0] == '\xA1' && p[1] == '\xA1';
    if (*p != ' ' && *p != '\t' && !ideographicSpace) return false;
  }
  return true;
}

}  // namespace vl
