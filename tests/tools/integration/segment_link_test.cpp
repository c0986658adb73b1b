// Links the constant segment that the build generated (with constgen, through the project's
// vl_declare_texts and vl_add_constant_segment) from integration/first/texts.txt and
// integration/second/texts.txt, and checks that the assembled labels are where the layout
// header says and hold the GBK bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "constant_segment_layout.h"
#include "first_texts.h"
#include "second_texts.h"

namespace {

using namespace std::string_view_literals;

// GBK bytes from `printf '...' | iconv -f UTF-8 -t GBK | xxd`, each text with its terminator.
constexpr std::string_view kTitle = "\xB4\xED\xCE\xF3\0"sv;  // 错误
constexpr std::string_view kPrompt =
    "\xD0\xC5\xCF\xA2\xA3\xBA\xA1\xB0\xCA\xC7\xA1\xB1\0"sv;  // 信息：“是”
constexpr std::string_view kRawThenText = "\xA1\xB0ok\r\n\xC8\xB7\xB6\xA8\0"sv;  // ..确定
constexpr std::string_view kEmpty = "\0"sv;

std::uintptr_t Offset(const void* label) {
  return reinterpret_cast<std::uintptr_t>(label) -
         reinterpret_cast<std::uintptr_t>(static_cast<const void*>(kConstSegmentStart));
}

TEST(ConstantSegmentLink, LengthIsTheSumOfTheTextsWithTerminators) {
  const std::size_t expected = kTitle.size() + kPrompt.size() + kRawThenText.size() + kEmpty.size();
  EXPECT_EQ(expected, 30u);
  EXPECT_EQ(kConstSegmentLength, expected);
  EXPECT_EQ(Offset(kConstSegmentEnd), kConstSegmentLength);
}

TEST(ConstantSegmentLink, LabelsFollowEachOtherInSourceOrderWithoutPadding) {
  EXPECT_EQ(Offset(kItTitle), 0u);
  EXPECT_EQ(Offset(kItPrompt), kTitle.size());
  EXPECT_EQ(Offset(kItRawThenText), kTitle.size() + kPrompt.size());
  EXPECT_EQ(Offset(kItEmpty), kTitle.size() + kPrompt.size() + kRawThenText.size());
}

TEST(ConstantSegmentLink, HoldsTheGbkBytes) {
  const std::string_view segment(reinterpret_cast<const char*>(kConstSegmentStart),
                                 kConstSegmentLength);
  EXPECT_EQ(segment.substr(Offset(kItTitle), kTitle.size()), kTitle);
  EXPECT_EQ(segment.substr(Offset(kItPrompt), kPrompt.size()), kPrompt);
  EXPECT_EQ(segment.substr(Offset(kItRawThenText), kRawThenText.size()), kRawThenText);
  EXPECT_EQ(segment.substr(Offset(kItEmpty), kEmpty.size()), kEmpty);
}

TEST(ConstantSegmentLink, TextsReadAsZeroTerminatedStrings) {
  EXPECT_STREQ(kItTitle, "\xB4\xED\xCE\xF3");
  EXPECT_EQ(std::strlen(kItRawThenText), kRawThenText.size() - 1);
  EXPECT_STREQ(kItEmpty, "");
}

}  // namespace
