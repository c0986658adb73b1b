// GB18030's four-byte form: known codes at the edges of both planes' ranges, every character of
// the four-byte form and back, and bytes that name no character.
#include "base/gb18030.h"

#include <gtest/gtest.h>

#include <string>

namespace vl {
namespace {

std::string Hex(const FourBytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

std::string Encoded(char32_t character) {
  const auto bytes = EncodeFourByte(character);
  return bytes ? Hex(*bytes) : "-";
}

TEST(Gb18030, KnownCodesAtTheEdgesOfTheRanges) {
  EXPECT_EQ(Encoded(0x0080), "81308130");  // the first four-byte code
  EXPECT_EQ(Encoded(0x00A5), "81308436");  // the second run
  EXPECT_EQ(Encoded(0xFE10), "84318236");  // a character 936 decodes as private use (A6D9)
  EXPECT_EQ(Encoded(0xFFFF), "8431A439");  // the last of the plane
  EXPECT_EQ(Encoded(0x10000), "90308130");
  EXPECT_EQ(Encoded(0x1F600), "9439FC36");  // an emoji
  EXPECT_EQ(Encoded(0x10FFFF), "E3329A35");
  // ǹ is A8BF in GB18030, which code page 936 reads as U+E7C8: it takes U+E7C8's four-byte code.
  EXPECT_EQ(Encoded(0x01F9), "8336C830");
  EXPECT_EQ(Encoded(0xE7C8), "-");
  // One- and two-byte characters, surrogates and what lies past Unicode have no four-byte form.
  for (char32_t none : {0x41u, 0x7Fu, 0x4E00u, 0x7EFFu, 0xA4u, 0xE000u, 0xD800u, 0xDFFFu, 0x110000u}) {
    EXPECT_EQ(Encoded(none), "-") << std::hex << static_cast<std::uint32_t>(none);
  }
}

TEST(Gb18030, EveryFourByteCharacterComesBack) {
  std::size_t planeCharacters = 0;
  for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
    const auto bytes = EncodeFourByte(c);
    if (!bytes) continue;
    if (c < 0x10000) ++planeCharacters;
    const auto back = DecodeFourByte(*bytes);
    ASSERT_TRUE(back.has_value()) << std::hex << static_cast<std::uint32_t>(c);
    ASSERT_EQ(*back, c);
  }
  EXPECT_EQ(planeCharacters, 39420u);  // the standard's count for the Basic Multilingual Plane
}

TEST(Gb18030, BytesOutsideTheRangesNameNoCharacter) {
  auto decode = [](std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    const std::uint8_t bytes[4] = {a, b, c, d};
    return DecodeFourByte(std::span<const std::uint8_t, 4>(bytes));
  };
  EXPECT_EQ(decode(0x81, 0x30, 0x81, 0x30), char32_t{0x80});
  EXPECT_EQ(decode(0x83, 0x36, 0xC8, 0x30), char32_t{0x01F9});
  EXPECT_FALSE(decode(0x84, 0x31, 0xA5, 0x30));  // just past the plane's last code
  EXPECT_FALSE(decode(0x8F, 0x39, 0xFE, 0x39));  // just before the supplementary planes
  EXPECT_FALSE(decode(0xE3, 0x32, 0x9A, 0x36));  // just past U+10FFFF
  EXPECT_FALSE(decode(0xFE, 0x39, 0xFE, 0x39));
  EXPECT_FALSE(decode(0x80, 0x30, 0x81, 0x30));  // a byte out of its range
  EXPECT_FALSE(decode(0x81, 0x3A, 0x81, 0x30));
  EXPECT_FALSE(decode(0x81, 0x30, 0xFF, 0x30));
  EXPECT_FALSE(decode(0x81, 0x30, 0x81, 0x2F));
}

}  // namespace
}  // namespace vl
