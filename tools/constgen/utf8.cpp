#include "utf8.h"

namespace constgen {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0U) == 0x80U; }

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length = 0;
  unsigned char secondMin = 0x80;
  unsigned char secondMax = 0xBF;
  if (lead < 0x80) {
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondMin = 0xA0;  // overlong
    if (lead == 0xED) secondMax = 0x9F;  // UTF-16 surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondMin = 0x90;  // overlong
    if (lead == 0xF4) secondMax = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  const auto second = static_cast<unsigned char>(text[1]);
  if (second < secondMin || second > secondMax) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) return 0;
  }
  return length;
}

std::optional<std::size_t> FindInvalidUtf8(std::string_view text) {
  std::size_t offset = 0;
  while (offset < text.size()) {
    const std::size_t length = Utf8SequenceLength(text.substr(offset));
    if (length == 0) return offset;
    offset += length;
  }
  return std::nullopt;
}

char32_t DecodeUtf8(std::string_view text) {
  const std::size_t length = Utf8SequenceLength(text);
  const auto lead = static_cast<unsigned char>(text[0]);
  if (length <= 1) return lead;
  static constexpr unsigned char kLeadMasks[] = {0, 0, 0x1F, 0x0F, 0x07};
  auto code = static_cast<char32_t>(lead & kLeadMasks[length]);
  for (std::size_t i = 1; i < length; ++i) {
    code = (code << 6) | static_cast<char32_t>(static_cast<unsigned char>(text[i]) & 0x3FU);
  }
  return code;
}

}  // namespace constgen
