#include "text_content.h"

#include <gtest/gtest.h>

namespace payloadgen {
namespace {

class TextContentTest : public ::testing::Test {
 protected:
  gen::Result<std::string> Make(std::string_view source) {
    return MakeTextContent(source, m_texts, m_encoder.Value(), "notes.txt");
  }

  gen::Result<constgen::GbkEncoder> m_encoder = constgen::GbkEncoder::Open();
  NamedTexts m_texts = {{"kSite", "http://example.invalid/"}, {"kName", "\xB2\xE2"}};
};

TEST_F(TextContentTest, LineEndsBecomeCrlfAndTheLastLineKeepsItsForm) {
  ASSERT_TRUE(m_encoder.HasValue());
  const struct {
    const char* source;
    const char* stored;
  } cases[] = {
      {"a\nb", "a\r\nb"},
      {"a\nb\n", "a\r\nb\r\n"},
      {"a\r\nb\r\n", "a\r\nb\r\n"},
      {"\n\n", "\r\n\r\n"},
      {"", ""},
      {"配置", "\xC5\xE4\xD6\xC3"},
  };
  for (const auto& c : cases) {
    const gen::Result<std::string> made = Make(c.source);
    ASSERT_TRUE(made.HasValue()) << made.GetError().Describe();
    EXPECT_EQ(made.Value(), c.stored) << c.source;
  }
}

TEST_F(TextContentTest, PlaceholdersTakeTheNamedTextsAsStored) {
  ASSERT_TRUE(m_encoder.HasValue());
  const gen::Result<std::string> made = Make("网站：{kSite}\n{kName}{kSite}");
  ASSERT_TRUE(made.HasValue()) << made.GetError().Describe();
  EXPECT_EQ(made.Value(), "\xCD\xF8\xD5\xBE\xA3\xBA" "http://example.invalid/\r\n\xB2\xE2http://example.invalid/");
}

TEST_F(TextContentTest, RefusesWhatCannotBeStoredFaithfully) {
  ASSERT_TRUE(m_encoder.HasValue());
  const struct {
    const char* source;
    int line;
  } cases[] = {
      {"a\n{kMissing}", 2}, {"{kSite", 1},        {"a\rb", 1},
      {"a\nb\r", 2},        {"\xEF\xBB\xBF" "a", 1}, {"ok\n\xF0\x9F\x8E\xB5", 2},
  };
  for (const auto& c : cases) {
    const gen::Result<std::string> made = Make(c.source);
    ASSERT_FALSE(made.HasValue()) << c.source;
    EXPECT_EQ(made.GetError().line, c.line) << c.source;
  }
}

}  // namespace
}  // namespace payloadgen
