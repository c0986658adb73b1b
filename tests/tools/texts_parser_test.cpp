#include "texts_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace constgen {
namespace {

std::vector<TextDefinition> ParseOk(const std::string& content) {
  gen::Result<std::vector<TextDefinition>> result = ParseTexts(content, "texts.txt");
  EXPECT_TRUE(result.HasValue()) << (result.HasValue() ? "" : result.GetError().Describe());
  return result.HasValue() ? result.Value() : std::vector<TextDefinition>{};
}

// All the bytes of a text, UTF-8 and raw alike.
std::string Joined(const TextDefinition& text) {
  std::string bytes;
  for (const TextChunk& chunk : text.chunks) bytes += chunk.bytes;
  return bytes;
}

using Kind = TextChunk::Kind;

TEST(TextsParser, ReadsDefinitionsInSourceOrderWithTheirLines) {
  const auto texts = ParseOk(
      "# comment lines and blank lines are ignored\n"
      "\n"
      "kRuntimeErrorTitle = \"错误\"\n"
      "   \t\n"
      "kSecond=\"b\"\n");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].name, "kRuntimeErrorTitle");
  EXPECT_EQ(texts[0].line, 3);
  EXPECT_EQ(texts[0].chunks, (std::vector<TextChunk>{{Kind::Utf8, "错误"}}));
  EXPECT_EQ(texts[1].name, "kSecond");
  EXPECT_EQ(texts[1].line, 5);
  EXPECT_EQ(Joined(texts[1]), "b");
}

TEST(TextsParser, AnEmptyTextHasNoChunks) {
  const auto texts = ParseOk("kEmptyText = \"\"\n");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].chunks.empty());
}

TEST(TextsParser, AnEmptySourceHasNoTexts) {
  EXPECT_TRUE(ParseOk("").empty());
  EXPECT_TRUE(ParseOk("# only a comment\n\n").empty());
}

TEST(TextsParser, SkipsALeadingByteOrderMark) {
  const auto texts = ParseOk("\xEF\xBB\xBFkA = \"a\"\n");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].name, "kA");
}

TEST(TextsParser, AcceptsCrLfLineEndingsAndAMissingFinalNewline) {
  const auto texts = ParseOk("kA = \"a\"\r\n    \"b\"\r\nkB = \"c\"");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(Joined(texts[0]), "ab");
  EXPECT_EQ(Joined(texts[1]), "c");
  EXPECT_EQ(texts[1].line, 3);
}

TEST(TextsParser, ConcatenatesContinuationLinesAndPiecesOnOneLine) {
  const auto texts = ParseOk(
      "kAgreementText = \"用户许可协议:\\r\\n\"\n"
      "    \"second part, continued on the next line\"\n"
      "\t\"third\" \"part\"\n"
      "kNext = \"x\"\n");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].line, 1);
  EXPECT_EQ(Joined(texts[0]),
            "用户许可协议:\r\nsecond part, continued on the next linethirdpart");
  EXPECT_EQ(texts[0].chunks.size(), 1u) << "UTF-8 pieces merge into one chunk";
  EXPECT_EQ(texts[1].line, 4);
}

TEST(TextsParser, TranslatesEachValidEscape) {
  const auto texts = ParseOk(R"(kEscapes = "\r|\n|\t|\\|\"")" "\n");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].chunks, (std::vector<TextChunk>{{Kind::Utf8, "\r|\n|\t|\\|\""}}));
}

TEST(TextsParser, PassesHexEscapesThroughAsRawBytes) {
  const auto texts = ParseOk(R"(kRaw = "a\xA1\xb0信\x7F\x4142")" "\n");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].chunks, (std::vector<TextChunk>{{Kind::Utf8, "a"},
                                                     {Kind::Raw, "\xA1\xB0"},
                                                     {Kind::Utf8, "信"},
                                                     {Kind::Raw, "\x7F\x41"},
                                                     {Kind::Utf8, "42"}}));
}

TEST(TextsParser, ReservesTheSegmentNames) {
  EXPECT_TRUE(IsReservedName("kConstSegmentStart"));
  EXPECT_TRUE(IsReservedName("kConstSegmentEnd"));
  EXPECT_TRUE(IsReservedName("kConstSegmentLength"));
  EXPECT_FALSE(IsReservedName("kConstSegment"));
}

struct BadSource {
  const char* what;
  std::string content;
  int line;
  std::string messagePart;
};

void PrintTo(const BadSource& bad, std::ostream* out) { *out << bad.what; }

class TextsParserRejects : public testing::TestWithParam<BadSource> {};

TEST_P(TextsParserRejects, WithTheLineOfTheProblem) {
  const BadSource& bad = GetParam();
  const gen::Result<std::vector<TextDefinition>> result = ParseTexts(bad.content, "dir/texts.txt");
  ASSERT_FALSE(result.HasValue());
  EXPECT_EQ(result.GetError().file, "dir/texts.txt");
  EXPECT_EQ(result.GetError().line, bad.line);
  EXPECT_NE(result.GetError().message.find(bad.messagePart), std::string::npos)
      << result.GetError().message;
  EXPECT_EQ(result.GetError().Describe().rfind("dir/texts.txt:" + std::to_string(bad.line) + ": ", 0),
            0u);
}

const std::string kGood = "# header\nkGood = \"ok\"\n";

INSTANTIATE_TEST_SUITE_P(
    Escapes, TextsParserRejects,
    testing::Values(
        BadSource{"unknown escape", kGood + R"(kA = "a\qb")", 3, "unknown escape '\\q'"},
        BadSource{"unknown escape of a non-ASCII character", kGood + R"(kA = "\错")", 3,
                  "unknown escape '\\错'"},
        BadSource{"unknown escape on a continuation line", kGood + "kA = \"a\"\n  \"\\a\"", 4,
                  "unknown escape '\\a'"},
        BadSource{"backslash zero", kGood + R"(kA = "a\0")", 3, "\\0 is not allowed"},
        BadSource{"hex zero", kGood + R"(kA = "\x00")", 3, "\\x00 is not allowed"},
        BadSource{"one hex digit", kGood + R"(kA = "\x4")", 3, "exactly two hex digits"},
        BadSource{"no hex digit", kGood + R"(kA = "\xZZ")", 3, "exactly two hex digits"},
        BadSource{"a backslash at the end of the line", kGood + "kA = \"a\\", 3,
                  "unterminated"}));

INSTANTIATE_TEST_SUITE_P(
    Syntax, TextsParserRejects,
    testing::Values(
        BadSource{"unterminated quote", kGood + "kA = \"abc\n", 3, "unterminated"},
        BadSource{"unterminated continuation", kGood + "kA = \"abc\"\n  \"def", 4,
                  "unterminated"},
        BadSource{"trailing garbage", kGood + "kA = \"abc\" x", 3, "unexpected characters"},
        BadSource{"trailing comment", kGood + "kA = \"abc\" # no", 3, "unexpected characters"},
        BadSource{"garbage on a continuation line", kGood + "kA = \"a\"\n  x\"b\"", 4,
                  "expected a quoted text"},
        BadSource{"name not starting with k", kGood + "Title = \"a\"", 3, "must start with 'k'"},
        BadSource{"name starting with a digit", kGood + "1kA = \"a\"", 3, "expected a text name"},
        BadSource{"quote instead of a name", kGood + "\"a\"", 3, "expected a text name"},
        BadSource{"reserved name", kGood + "kConstSegmentEnd = \"a\"", 3, "reserved"},
        BadSource{"missing equals sign", kGood + "kA \"a\"", 3, "expected '='"},
        BadSource{"non-identifier character in the name", kGood + "kA-b = \"a\"", 3,
                  "expected '='"},
        BadSource{"nothing after the equals sign", kGood + "kA =", 3, "expected a quoted text"},
        BadSource{"unquoted text", kGood + "kA = abc", 3, "expected a quoted text"},
        BadSource{"continuation without a definition", "  \"a\"\n", 1, "continuation line"},
        BadSource{"continuation after a blank line", "kA = \"a\"\n\n  \"b\"\n", 3,
                  "continuation line"},
        BadSource{"continuation after a comment", "kA = \"a\"\n# c\n  \"b\"\n", 3,
                  "continuation line"},
        BadSource{"raw tab inside quotes", kGood + "kA = \"a\tb\"", 3, "control character"},
        BadSource{"duplicate name in one source", kGood + "kB = \"\"\nkGood = \"again\"", 4,
                  "duplicate text name 'kGood' (first defined at line 2)"}));

INSTANTIATE_TEST_SUITE_P(
    Utf8, TextsParserRejects,
    testing::Values(
        BadSource{"stray continuation byte", kGood + "kA = \"\x80\"", 3, "invalid UTF-8"},
        BadSource{"truncated sequence", kGood + "kA = \"\xE9\x94\"", 3, "invalid UTF-8"},
        BadSource{"overlong slash", kGood + "kA = \"\xC0\xAF\"", 3, "invalid UTF-8"},
        BadSource{"surrogate", kGood + "kA = \"\xED\xA0\x80\"", 3, "invalid UTF-8"},
        BadSource{"invalid UTF-8 in a comment", kGood + "# \xFF", 3, "invalid UTF-8"},
        BadSource{"byte order mark not at the start", kGood + "\xEF\xBB\xBFkA = \"\"", 3,
                  "expected a text name"}));

}  // namespace
}  // namespace constgen
