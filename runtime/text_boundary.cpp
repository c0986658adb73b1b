#include "text_boundary.h"

#include <windows.h>

#include "base/character_walk.h"
#include "base/gb18030.h"
#include "memory.h"

namespace vl {
namespace {

constexpr UINT kGbkCodePage = 936;

// Decodes `text` into `out`, which holds at least one unit per byte: runs of one- and two-byte
// characters through code page 936, four-byte characters here (two units at most, for four
// bytes). The number of units, or -1 when a part cannot be decoded.
long Decode(std::string_view text, wchar_t* out) noexcept {
  std::size_t at = 0, written = 0;
  while (at < text.size()) {
    if (CharacterLength(text, at) == 4) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data() + at);
      const auto character = DecodeFourByte(std::span<const std::uint8_t, 4>(bytes, 4));
      if (!character) return -1;
      if (*character < 0x10000) {
        out[written++] = static_cast<wchar_t>(*character);
      } else {
        const char32_t offset = *character - 0x10000;
        out[written++] = static_cast<wchar_t>(0xD800 + (offset >> 10));
        out[written++] = static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
      }
      at += 4;
      continue;
    }
    std::size_t end = at;
    while (end < text.size() && CharacterLength(text, end) != 4) end += CharacterLength(text, end);
    const int units = MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, text.data() + at,
                                          static_cast<int>(end - at), out + written, static_cast<int>(end - at));
    if (units <= 0) return -1;
    written += static_cast<std::size_t>(units);
    at = end;
  }
  return static_cast<long>(written);
}

// The GB18030 bytes of one code point (not a surrogate) into `out`; 0 when it has none.
std::size_t EncodeCharacter(char32_t character, char (&out)[4]) noexcept {
  if (character < 0x80) {
    out[0] = static_cast<char>(character);
    return 1;
  }
  if (character < 0x10000) {
    // Code page 936's bytes, when they read back as this character: one it writes as a byte
    // that it does not read (0xFF for U+F8F5) takes its four-byte form instead.
    const wchar_t unit = static_cast<wchar_t>(character);
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, &unit, 1, out, 4, nullptr, &usedDefault);
    wchar_t back = 0;
    if (length > 0 && !usedDefault &&
        MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, out, length, &back, 1) == 1 && back == unit) {
      return static_cast<std::size_t>(length);
    }
  }
  const auto bytes = EncodeFourByte(character);
  if (!bytes) return 0;
  for (std::size_t i = 0; i < 4; ++i) out[i] = static_cast<char>((*bytes)[i]);
  return 4;
}

}  // namespace

WideText::WideText(std::string_view text) noexcept {
  auto* wide = static_cast<wchar_t*>(AllocateMemory((text.size() + 1) * sizeof(wchar_t)));
  const long units = Decode(text, wide);
  if (units < 0) {
    FreeMemory(wide);
    return;
  }
  wide[units] = L'\0';
  m_text = wide;
  m_length = static_cast<std::size_t>(units);
}

WideText::~WideText() { FreeMemory(m_text); }

char* TextFromWide(std::wstring_view text, std::size_t* length) noexcept {
  auto* bytes = static_cast<char*>(AllocateMemory(4 * text.size() + 1));
  std::size_t written = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t character = text[i];
    if (character >= 0xD800 && character <= 0xDFFF) {
      const bool pair = character <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (!pair) {
        FreeMemory(bytes);
        return nullptr;
      }
      character = 0x10000 + ((character - 0xD800) << 10) + (text[++i] - 0xDC00u);
    }
    char encoded[4];
    const std::size_t count = EncodeCharacter(character, encoded);
    if (count == 0) {
      FreeMemory(bytes);
      return nullptr;
    }
    for (std::size_t k = 0; k < count; ++k) bytes[written++] = encoded[k];
  }
  bytes[written] = '\0';
  if (length != nullptr) *length = written;
  return bytes;
}

std::size_t WideIntoBuffer(std::string_view text, std::span<wchar_t> out) noexcept {
  if (out.empty()) return 0;
  std::size_t length = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t bytes = CharacterLength(text, at);
    wchar_t units[4];  // one character at a time, so that a cut never splits one
    const long count = Decode(text.substr(at, bytes), units);
    if (count < 0 || length + static_cast<std::size_t>(count) + 1 > out.size()) break;
    for (long i = 0; i < count; ++i) out[length++] = units[i];
    at += bytes;
  }
  out[length] = L'\0';
  return length;
}

}  // namespace vl
