// The portable values: texts, byte sets, argument records, the frame's call, truncation, the
// display forms of values and the fatal texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/byte_reader.h"
#include "runtime/arg_record.h"
#include "runtime/byte_set.h"
#include "runtime/command_call.h"
#include "runtime/fatal_error.h"
#include "runtime/memory.h"
#include "runtime/numbers.h"
#include "runtime/text_value.h"
#include "runtime/value_format.h"
#include "runtime_texts.h"

namespace vl {
namespace {

std::string Take(const OwnedText& text) { return text ? std::string(text.Get()) : std::string(); }

TEST(TextValue, NullAndEmptyAreTheSameTextEverywhere) {
  EXPECT_EQ(TextLength(nullptr), 0);
  EXPECT_EQ(TextLength(""), 0);
  EXPECT_EQ(TextLength("ab"), 2);
  EXPECT_EQ(CompareTexts(nullptr, ""), 0);
  EXPECT_EQ(CompareTexts("", nullptr), 0);
  EXPECT_EQ(CompareTexts(nullptr, nullptr), 0);
  EXPECT_EQ(CompareTexts(nullptr, "a"), -1);
  EXPECT_EQ(CompareTexts("a", nullptr), 1);
  EXPECT_EQ(CompareTexts("a", "b"), -1);
  EXPECT_EQ(CompareTexts("b", "a"), 1);
  EXPECT_EQ(CompareTexts("ab", "ab"), 0);
  EXPECT_EQ(CompareTexts("ab", "abc"), -1);
  EXPECT_EQ(CompareTexts("abc", "ab"), 1);
  // Bytes compare unsigned: a GBK lead byte sorts after every ASCII byte.
  EXPECT_EQ(CompareTexts("\xD6\xD0", "z"), 1);
  EXPECT_EQ(CompareTexts("z", "\xD6\xD0"), -1);
}

TEST(TextValue, ConcatenationJoinsInOrderAndIsNeverNull) {
  const OwnedText onlyEmpty = ConcatTexts({nullptr, "", nullptr});
  ASSERT_TRUE(onlyEmpty);
  EXPECT_EQ(onlyEmpty.Get()[0], '\0');

  EXPECT_EQ(Take(ConcatTexts({nullptr, "\\"})), "\\");
  EXPECT_EQ(Take(ConcatTexts({"C:\\Program Files\\", "Vorlane", nullptr, "\\tade"})), "C:\\Program Files\\Vorlane\\tade");
  EXPECT_EQ(Take(ConcatTexts({"one"})), "one");

  const char* input = "keep";
  const OwnedText joined = ConcatTexts({input, input});
  EXPECT_NE(joined.Get(), input);
  EXPECT_STREQ(input, "keep");
  EXPECT_EQ(Take(joined), "keepkeep");
}

TEST(TextValue, CopiesAreNewAllocationsAndNullBecomesTheConstantEmptyText) {
  EXPECT_EQ(Take(CopyText(nullptr)), "");
  EXPECT_EQ(Take(CopyTextBytes("abcdef", 3)), "abc");
  EXPECT_EQ(NonNullText(nullptr), kEmptyText);
  const char* text = "x";
  EXPECT_EQ(NonNullText(text), text);
}

TEST(TextValue, LastBackslashSkipsTheSecondByteOfDoubleByteCharacters) {
  EXPECT_EQ(FindLastBackslash(nullptr), nullptr);
  struct Case {
    const char* text;
    int at;  // the offset of the last backslash, -1 for none
  };
  const Case cases[] = {
      {"DisplayIcon", -1},
      {"SOFTWARE\\Vorlane\\DisplayIcon", 16},
      // 0x95 0x5C is one GBK character whose second byte equals a backslash.
      {"key\\\x95\x5C", 3},
      {"key\\", 3},
      // A lead byte at the very end stops the scan instead of reading past the terminator.
      {"a\\b\x95", 1},
      // A four-byte character, the euro sign 0x80 and 0xFF are characters of their own; a lead
      // byte that starts no character leaves the backslash after it alone.
      {"a\\\x81\x30\x81\x30", 1},
      {"\x80\\\xFF\\", 3},
      {"\x81\x7F\\", 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindLastBackslash(c.text), c.at < 0 ? nullptr : c.text + c.at) << c.text;
  }
}

TEST(TextValue, BlankTextsAreSpacesTabsAndIdeographicSpacesOnly) {
  EXPECT_TRUE(IsBlankText(nullptr));
  EXPECT_TRUE(IsBlankText(""));
  EXPECT_TRUE(IsBlankText("  \t "));
  EXPECT_TRUE(IsBlankText(" \xA1\xA1 "));
  EXPECT_FALSE(IsBlankText(" a "));
  EXPECT_FALSE(IsBlankText("\\"));
  // 0xA1 0xA2 is a character, not a blank; a lone lead byte at the end is not a blank either.
  EXPECT_FALSE(IsBlankText("\xA1\xA2"));
  EXPECT_FALSE(IsBlankText(" \xA1"));
}

TEST(Memory, ConstantRangesAreNeverFreed) {
  static const char constants[] = "a constant message";
  ClearConstantRanges();
  ASSERT_TRUE(RegisterConstantRange(constants, sizeof constants));
  EXPECT_TRUE(IsInConstantRange(constants));
  EXPECT_TRUE(IsInConstantRange(constants + sizeof constants - 1));
  EXPECT_FALSE(IsInConstantRange(constants + sizeof constants));  // the end is exclusive
  FreeMemory(constants + 2);
  FreeMemory(nullptr);
  EXPECT_STREQ(constants, "a constant message");
  ClearConstantRanges();
}

TEST(ByteSet, DataFollowsTheTwoHeaderWordsAndANonPositiveLengthIsEmpty) {
  const std::uint8_t block[] = {1, 0, 0, 0, 3, 0, 0, 0, 'M', 'Z', '!', 0xEE};
  const auto data = ByteSetData(block);
  ASSERT_EQ(data.size(), 3u);
  EXPECT_EQ(data.data(), block + 8);
  const std::uint8_t empty[] = {1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(ByteSetData(empty).empty());
  const std::uint8_t negative[] = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_TRUE(ByteSetData(negative).empty());
  EXPECT_TRUE(ByteSetData(nullptr).empty());

  const std::uint8_t bytes[] = {9, 8, 7};
  void* made = MakeByteSet(bytes);
  EXPECT_EQ(LoadU32(made), 1u);
  EXPECT_EQ(LoadU32(static_cast<std::uint8_t*>(made) + 4), 3u);
  EXPECT_EQ(ByteSetData(made)[2], 7);
  FreeMemory(made);
}

TEST(ArgRecord, TagsClassifyAndTypedReadsRefuseOtherTypes) {
  EXPECT_EQ(ClassifyTag(tag::kOmitted), 0);
  EXPECT_EQ(ClassifyTag(tag::kText), 1);
  EXPECT_EQ(ClassifyTag(tag::kDouble), 1);
  EXPECT_EQ(ClassifyTag(0x40000001), 2);
  EXPECT_EQ(ClassifyTag(tag::kPageReference), 3);
  EXPECT_EQ(ClassifyTag(tag::kSystemInfoRecord), 3);
  for (auto t : {tag::kByte, tag::kShort, tag::kInt, tag::kInt64, tag::kFloat, tag::kDouble}) EXPECT_TRUE(IsNumericTag(t));
  for (auto t : {tag::kBool, tag::kText, tag::kDateTime, tag::kByteSet, tag::kPageReference}) EXPECT_FALSE(IsNumericTag(t));

  EXPECT_EQ(AsInt(IntArg(-7)), -7);
  EXPECT_FALSE(AsInt(BoolArg(true)).has_value());
  EXPECT_FALSE(AsText(IntArg(0)).has_value());
  EXPECT_EQ(AsText(TextArg(nullptr)), kEmptyText);
  EXPECT_EQ(AsBool(BoolArg(true)), true);
  EXPECT_EQ(ShortArg(-1).lo, 0xFFFFu);
  const ArgRecord wide = Int64Arg(-2);
  EXPECT_EQ(static_cast<std::uint32_t>(wide.lo), 0xFFFFFFFEu);
  EXPECT_EQ(wide.hi, 0xFFFFFFFFu);
  EXPECT_EQ(AsDoubleBits(DoubleArg(2.5)), 2.5);
  const ArgRecord page = PageRefArg(0x52010043, 0x06010044);
  EXPECT_EQ(page.lo, 0x52010043u);
  EXPECT_EQ(page.hi, 0x06010044u);
  int record = 0;
  EXPECT_EQ(AsRecord(RecordArg(tag::kSystemInfoRecord, &record), tag::kSystemInfoRecord), &record);
  EXPECT_FALSE(AsRecord(RecordArg(tag::kSystemInfoRecord, &record), tag::kPageReference).has_value());
}

// A command that records what it was called with.
int g_seenCount = -1;
const ArgRecord* g_seenArgs = nullptr;
void RecordingCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  g_seenCount = count;
  g_seenArgs = args;
  EXPECT_EQ(result->lo, 0u);
  EXPECT_EQ(result->hi, 0u);
  EXPECT_EQ(result->tag, 0u);
  SetIntResult(result, 5);
}

TEST(CommandCall, ArgumentsArriveInOrderWithOmittedSlotsAndTheResultComesBack) {
  ArgList args;
  args.Add(TextArg("link")).Add(TextArg("target")).PadOmittedArguments(9);
  const ResultRecord result = CallCommand(RecordingCommand, args);
  EXPECT_EQ(IntResult(result), 5);
  ASSERT_EQ(g_seenCount, 5);
  EXPECT_STREQ(reinterpret_cast<const char*>(g_seenArgs[1].lo), "target");
  for (int i = 2; i < 5; ++i) {
    EXPECT_TRUE(IsOmitted(g_seenArgs[i]));
    EXPECT_EQ(g_seenArgs[i].lo, 0u);
  }
  EXPECT_EQ(IntResult(CallCommand(RecordingCommand, ArgList{IntArg(1)})), 5);
  EXPECT_EQ(g_seenCount, 1);
  EXPECT_TRUE(IsOmitted(ArgAt(1, g_seenArgs, 3)));
  EXPECT_FALSE(BoolResult(IntArg(1)));  // a result of another type reads as false
}

TEST(Numbers, TruncationChopsTowardZeroAndLeavesRoundingToNearest) {
  EXPECT_EQ(TruncateToInteger(20.9), 20);
  EXPECT_EQ(TruncateToInteger(-20.9), -20);
  EXPECT_EQ(TruncateToInteger(0.9999999), 0);
  EXPECT_EQ(TruncateToInteger(425.0), 425);
  EXPECT_EQ(TruncateToInteger(4294967296.5), 4294967296LL);
  EXPECT_EQ(static_cast<std::uint64_t>(TruncateToInteger(1e300)), 0x8000000000000000ull);
  ResetFloatingPointUnit();
  // Outside the one store the unit still rounds to nearest.
  volatile double half = 2.5;
  EXPECT_EQ(__builtin_llrint(half), 2);
  volatile double up = 2.75;
  EXPECT_EQ(__builtin_llrint(up), 3);
}

TEST(DisplayText, EveryTypeHasItsTextForm) {
  EXPECT_EQ(Take(DisplayText(TextArg("文"))), "文");
  EXPECT_EQ(Take(DisplayText(ByteArg(200))), "200");
  EXPECT_EQ(Take(DisplayText(ShortArg(-300))), "-300");
  EXPECT_EQ(Take(DisplayText(IntArg(-2147483647 - 1))), "-2147483648");
  EXPECT_EQ(Take(DisplayText(Int64Arg(-9007199254740993LL))), "-9007199254740993");
  EXPECT_EQ(Take(DisplayText(DoubleArg(20.9))), "20.9");
  EXPECT_EQ(Take(DisplayText(DoubleArg(0.1 + 0.2))), "0.3");
  EXPECT_EQ(Take(DisplayText(DoubleArg(-1.0))), "-1");
  EXPECT_EQ(Take(DisplayText(FloatArg(0.1f))), "0.1");
  EXPECT_EQ(Take(DisplayText(BoolArg(true))), kTrueText);
  EXPECT_EQ(Take(DisplayText(BoolArg(false))), kFalseText);
  EXPECT_EQ(Take(DisplayText(ArgRecord{})), "");
  EXPECT_EQ(Take(DisplayText(PageRefArg(1, 2))), "");
  // 46363 days after 1899-12-30 is 2026-12-07; a quarter day is 6 o'clock.
  const std::string date = std::string("2026") + kYearSuffix + "12" + kMonthSuffix + "7" + kDaySuffix;
  EXPECT_EQ(Take(DisplayText(DateTimeArg(46363.0))), date);
  EXPECT_EQ(Take(DisplayText(DateTimeArg(46363.25))),
            date + "6" + kHourSuffix + "0" + kMinuteSuffix + "0" + kSecondSuffix);
  EXPECT_EQ(Take(DisplayText(DateTimeArg(0.0))),
            std::string("1899") + kYearSuffix + "12" + kMonthSuffix + "30" + kDaySuffix);
}

TEST(FatalText, ComposedFromHeadingCodeAndMessage) {
  char text[kFatalTextCapacity];
  const std::string heading = kFatalErrorHeading;
  ComposeFatalErrorText(text, "", 0);
  EXPECT_EQ(std::string(text), heading);
  ComposeFatalErrorText(text, nullptr, 42);
  EXPECT_EQ(std::string(text), heading + kFatalErrorCodeLabel + "42\r\n\r\n");
  const std::size_t n = ComposeFatalErrorText(text, kLoadStartPageFailed, -3);
  EXPECT_EQ(std::string(text), heading + kFatalErrorCodeLabel + "-3\r\n\r\n" + kFatalErrorMessageLabel +
                                   kLoadStartPageFailed + "\r\n");
  EXPECT_EQ(n, std::strlen(text));
}

TEST(FatalText, AnOverlongMessageIsCutAtACharacterBoundary) {
  std::string message;
  message += 'a';
  while (message.size() < 3 * kFatalTextCapacity) message += "\xD6\xD0";
  char text[kFatalTextCapacity];
  const std::size_t n = ComposeFatalErrorText(text, message.c_str(), 0);
  EXPECT_LE(n, kFatalTextCapacity - 1);
  EXPECT_EQ(text[n], '\0');
  // No lone lead byte at the end.
  std::size_t i = 0;
  while (i < n) i += (static_cast<unsigned char>(text[i]) & 0x80) != 0 ? 2 : 1;
  EXPECT_EQ(i, n);
}

TEST(FatalText, AllocationFailureCarriesTheSizeUnsigned) {
  char text[kFatalTextCapacity];
  FormatAllocationFailure(text, 2147483632u);
  std::string expected = kAllocationFailedFormat;
  expected.replace(expected.find("%d"), 2, "2147483632");
  EXPECT_EQ(std::string(text), expected);
  FormatAllocationFailure(text, 4294967295u);
  EXPECT_NE(std::string(text).find("4294967295"), std::string::npos);
}

}  // namespace
}  // namespace vl
