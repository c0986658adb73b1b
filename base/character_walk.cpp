#include "character_walk.h"

#include <cstring>

namespace vl {
namespace {

bool IsLead(unsigned char byte) noexcept { return byte >= 0x81 && byte <= 0xFE; }
bool IsTrail(unsigned char byte) noexcept { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }
bool IsDigit(unsigned char byte) noexcept { return byte >= 0x30 && byte <= 0x39; }

}  // namespace

std::size_t CharacterLength(std::string_view text, std::size_t at) noexcept {
  if (at >= text.size()) return 0;
  const std::size_t left = text.size() - at;
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  if (!IsLead(byte(0))) return 1;
  if (left >= 2 && IsTrail(byte(1))) return 2;
  if (left >= 4 && IsDigit(byte(1)) && IsLead(byte(2)) && IsDigit(byte(3))) return 4;
  return 1;
}

const char* NextCharacter(const char* text) noexcept {
  // Up to the terminator: no byte after it is read.
  std::size_t available = 0;
  while (available < 4 && text[available] != '\0') ++available;
  return text + CharacterLength({text, available}, 0);
}

std::size_t FitLength(std::string_view text, std::size_t limit) noexcept {
  std::size_t length = 0;
  while (length < text.size()) {
    const std::size_t step = CharacterLength(text, length);
    if (length + step > limit) break;
    length += step;
  }
  return length;
}

}  // namespace vl
