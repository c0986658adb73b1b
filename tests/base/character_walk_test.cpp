// Walking texts by character: every sequence length, the bytes at the edges of each range, and
// texts that end inside a sequence.
#include "base/character_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vl {
namespace {

// The lengths of the characters of `text`, walked both ways the module offers.
std::vector<std::size_t> Lengths(const std::string& text) {
  std::vector<std::size_t> lengths;
  for (std::size_t at = 0; at < text.size(); at += lengths.back()) lengths.push_back(CharacterLength(text, at));
  std::vector<std::size_t> walked;
  for (const char* p = text.c_str(); *p != '\0';) {
    const char* next = NextCharacter(p);
    walked.push_back(static_cast<std::size_t>(next - p));
    p = next;
  }
  EXPECT_EQ(walked, lengths) << "the two walks disagree";
  return lengths;
}

using L = std::vector<std::size_t>;

TEST(CharacterWalk, EverySequenceLengthAndTheEdgesOfItsRanges) {
  EXPECT_EQ(Lengths("a\\\x7F"), (L{1, 1, 1}));
  EXPECT_EQ(Lengths("\x80\xFF"), (L{1, 1}));  // the euro sign and 0xFF are single bytes
  EXPECT_EQ(Lengths("\x81\x40\xFE\xFE\x81\x7E\x81\x80"), (L{2, 2, 2, 2}));
  EXPECT_EQ(Lengths("\x95\x5C\\"), (L{2, 1}));  // a trail byte that equals a backslash
  EXPECT_EQ(Lengths("\x81\x30\x81\x30\xFE\x39\xFE\x39"), (L{4, 4}));
  EXPECT_EQ(Lengths("\xA1\xA1 "), (L{2, 1}));
}

TEST(CharacterWalk, ALeadByteThatStartsNoCharacterIsOneByte) {
  EXPECT_EQ(Lengths("\x81\x7F"), (L{1, 1}));
  EXPECT_EQ(Lengths("\x81\x3F"), (L{1, 1}));                  // below both trail ranges
  EXPECT_EQ(Lengths("\x81\xFF"), (L{1, 1}));
  EXPECT_EQ(Lengths("\x81\x30\x80\x30"), (L{1, 1, 1, 1}));    // third byte no lead
  EXPECT_EQ(Lengths("\x81\x30\x81\x3A"), (L{1, 1, 1, 1}));     // fourth byte no digit
  EXPECT_EQ(Lengths("x\x81"), (L{1, 1}));                     // the text ends after a lead byte
  EXPECT_EQ(Lengths("\x81\x30\x81"), (L{1, 1, 1}));           // ... or inside a four-byte character
}

TEST(CharacterWalk, FittingNeverSplitsACharacter) {
  const std::string text = "ab\x81\x30\x81\x30\xB0\xA1";
  EXPECT_EQ(FitLength(text, 0), 0u);
  EXPECT_EQ(FitLength(text, 2), 2u);
  EXPECT_EQ(FitLength(text, 5), 2u);
  EXPECT_EQ(FitLength(text, 6), 6u);
  EXPECT_EQ(FitLength(text, 7), 6u);
  EXPECT_EQ(FitLength(text, 100), text.size());
  EXPECT_EQ(FitLength(std::string_view(text).substr(0, 4), 100), 4u);  // cut inside: single bytes
}

}  // namespace
}  // namespace vl
