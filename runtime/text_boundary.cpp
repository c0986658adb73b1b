#include "text_boundary.h"

#include <windows.h>

#include "base/character_walk.h"
#include "base/gb18030.h"

namespace vl {
namespace {

constexpr UINT kGbkCodePage = 936;

// Appends the UTF-16 of one code point.
template <class Put>
void PutCodePoint(char32_t character, Put put) {
  if (character < 0x10000) {
    put(static_cast<wchar_t>(character));
  } else {
    const char32_t offset = character - 0x10000;
    put(static_cast<wchar_t>(0xD800 + (offset >> 10)));
    put(static_cast<wchar_t>(0xDC00 + (offset & 0x3FF)));
  }
}

// Decodes the characters of `text` one run at a time: runs of one- and two-byte characters
// through code page 936, four-byte characters here. `put` takes each wide unit; false when a
// part cannot be decoded (into `scratch`, at most `scratch.size()` units per run of 936).
template <class Put>
bool Decode(std::string_view text, std::span<wchar_t> scratch, Put put) {
  std::size_t at = 0;
  while (at < text.size()) {
    if (CharacterLength(text, at) == 4) {
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data() + at);
      const auto character = DecodeFourByte(std::span<const std::uint8_t, 4>(bytes, 4));
      if (!character) return false;
      PutCodePoint(*character, put);
      at += 4;
      continue;
    }
    std::size_t end = at;
    while (end < text.size() && end - at < scratch.size()) {
      const std::size_t length = CharacterLength(text, end);
      if (length == 4 || end - at + length > scratch.size()) break;
      end += length;
    }
    const int units = MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, text.data() + at,
                                          static_cast<int>(end - at), scratch.data(), static_cast<int>(scratch.size()));
    if (units <= 0) return false;
    for (int i = 0; i < units; ++i) put(scratch[static_cast<std::size_t>(i)]);
    at = end;
  }
  return true;
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

std::optional<std::wstring> WideFromText(std::string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  wchar_t scratch[256];
  if (!Decode(text, scratch, [&](wchar_t unit) { wide.push_back(unit); })) return std::nullopt;
  return wide;
}

std::optional<std::string> TextFromWide(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t character = text[i];
    if (character >= 0xD800 && character <= 0xDFFF) {
      const bool pair = character <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (!pair) return std::nullopt;
      character = 0x10000 + ((character - 0xD800) << 10) + (text[++i] - 0xDC00u);
    }
    char encoded[4];
    const std::size_t length = EncodeCharacter(character, encoded);
    if (length == 0) return std::nullopt;
    bytes.append(encoded, length);
  }
  return bytes;
}

std::size_t WideIntoBuffer(std::string_view text, std::span<wchar_t> out) noexcept {
  if (out.empty()) return 0;
  std::size_t length = 0;
  wchar_t scratch[2];  // one character at a time: a cut never splits one
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t bytes = CharacterLength(text, at);
    wchar_t units[2];
    std::size_t count = 0;
    if (!Decode(text.substr(at, bytes), scratch, [&](wchar_t unit) { if (count < 2) units[count++] = unit; })) break;
    if (length + count + 1 > out.size()) break;
    for (std::size_t i = 0; i < count; ++i) out[length++] = units[i];
    at += bytes;
  }
  out[length] = L'\0';
  return length;
}

}  // namespace vl
