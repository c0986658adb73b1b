// The text boundary under Wine: every Unicode scalar value to bytes and back, every two-byte
// code of code page 936 to wide and back, the private-use pairs, and what cannot be converted.
#include "runtime/text_boundary.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/character_walk.h"
#include "runtime/memory.h"

namespace vl {
namespace {

std::optional<std::wstring> WideFromText(std::string_view text) {
  const WideText wide(text);
  if (!wide.Valid()) return std::nullopt;
  return std::wstring(wide.Get(), wide.Length());
}

std::optional<std::string> TextFromWide(std::wstring_view text) {
  std::size_t length = 0;
  char* bytes = vl::TextFromWide(text, &length);
  if (bytes == nullptr) return std::nullopt;
  std::string result(bytes, length);
  FreeMemory(bytes);
  return result;
}

std::wstring Utf16(char32_t character) {
  if (character < 0x10000) return std::wstring(1, static_cast<wchar_t>(character));
  const char32_t offset = character - 0x10000;
  return {static_cast<wchar_t>(0xD800 + (offset >> 10)), static_cast<wchar_t>(0xDC00 + (offset & 0x3FF))};
}

TEST(TextBoundary, EveryScalarValueSurvivesWideToBytesToWide) {
  std::size_t fourByte = 0;
  for (char32_t c = 1; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const std::wstring wide = Utf16(c);
    const auto bytes = TextFromWide(wide);
    ASSERT_TRUE(bytes.has_value()) << std::hex << static_cast<std::uint32_t>(c);
    ASSERT_EQ(CharacterLength(*bytes, 0), bytes->size()) << "not one character: " << std::hex
                                                          << static_cast<std::uint32_t>(c);
    if (bytes->size() == 4) ++fourByte;
    const auto back = WideFromText(*bytes);
    ASSERT_TRUE(back.has_value()) << std::hex << static_cast<std::uint32_t>(c);
    ASSERT_EQ(*back, wide) << std::hex << static_cast<std::uint32_t>(c);
  }
  EXPECT_GT(fourByte, 1000000u);  // the supplementary planes at least
}

TEST(TextBoundary, EveryTwoByteCodeOfCodePage936SurvivesBytesToWideToBytes) {
  std::size_t defined = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string bytes = {static_cast<char>(lead), static_cast<char>(trail)};
      const auto wide = WideFromText(bytes);
      if (!wide) continue;  // a code the code page does not define
      ++defined;
      const auto back = TextFromWide(*wide);
      ASSERT_TRUE(back.has_value()) << std::hex << lead << trail;
      ASSERT_EQ(*back, bytes) << std::hex << lead << trail;
    }
  }
  EXPECT_GT(defined, 21000u);
}

TEST(TextBoundary, PrivateUseCodesAndTheirRealCharactersBothComeBack) {
  EXPECT_EQ(WideFromText("\xA8\xBC"), std::wstring(L"\xE7C7"));
  EXPECT_EQ(TextFromWide(L"\x1E3F"), std::string("\x81\x35\xF4\x37"));
  EXPECT_EQ(WideFromText("\xA6\xD9"), std::wstring(L"\xE78D"));
  EXPECT_EQ(TextFromWide(L"\xFE10"), std::string("\x84\x31\x82\x36"));
  EXPECT_EQ(TextFromWide(L"\x9FB4"), std::string("\x82\x35\x90\x37"));
  // The product's own title, and a path the system may hand back with characters outside GBK.
  EXPECT_EQ(WideFromText("Vorlane V2.6 \xC2\xCC\xC9\xAB\xD6\xD0\xCE\xC4\xB0\xE6"),
            std::wstring(L"Vorlane V2.6 绿色中文版"));
  const std::wstring path = L"C:\\사용자\\\xD83D\xDE00\\Desktop";
  const auto bytes = TextFromWide(path);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->find('?'), std::string::npos);
  EXPECT_EQ(WideFromText(*bytes), path);
}

TEST(TextBoundary, WhatCannotBeConvertedFails) {
  EXPECT_FALSE(WideFromText("a\x81"));              // a lead byte at the end
  EXPECT_FALSE(WideFromText("\x81\x30\x81"));       // a four-byte code cut short
  EXPECT_FALSE(WideFromText("\x84\x31\xA5\x30"));   // a four-byte code naming no character
  EXPECT_FALSE(TextFromWide(L"a\xD800"));           // half a surrogate pair
  EXPECT_FALSE(TextFromWide(L"\xDC00z"));
}

TEST(TextBoundary, TheFatalPathCutsBetweenWholeCharacters) {
  const std::string text = std::string("ab\x94\x39\xFC\x36") + "c";  // a, b, U+1F600, c
  wchar_t four[4];
  EXPECT_EQ(WideIntoBuffer(text, four), 2u);  // the pair and the terminator do not fit
  EXPECT_EQ(std::wstring(four), L"ab");
  wchar_t five[5];
  EXPECT_EQ(WideIntoBuffer(text, five), 4u);
  EXPECT_EQ(std::wstring(five), L"ab\xD83D\xDE00");
  wchar_t six[6];
  EXPECT_EQ(WideIntoBuffer(text, six), 5u);
  wchar_t stop[8];
  EXPECT_EQ(WideIntoBuffer("ok\x81", stop), 2u);  // an unconvertible character ends the text
  EXPECT_EQ(std::wstring(stop), L"ok");
}

}  // namespace
}  // namespace vl
