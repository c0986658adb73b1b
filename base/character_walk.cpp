#include "character_walk.h"

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
  // The terminator is neither a lead, a trail nor a digit: each byte is looked at only after the
  // one before it turned out not to end the text.
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  if (bytes[0] == 0) return text;
  if (!IsLead(bytes[0])) return text + 1;
  if (IsTrail(bytes[1])) return text + 2;
  if (IsDigit(bytes[1]) && IsLead(bytes[2]) && IsDigit(bytes[3])) return text + 4;
  return text + 1;
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
