#include "gbk_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "segment_builder.h"

namespace constgen {
namespace {

// The expected bytes were taken from `printf '...' | iconv -f UTF-8 -t GBK | xxd`.
class GbkEncoding : public testing::Test {
 protected:
  std::string EncodeOk(const std::string& utf8) {
    gen::Result<std::string, EncodingFailure> result = m_encoder.Encode(utf8);
    EXPECT_TRUE(result.HasValue()) << utf8;
    return result.HasValue() ? result.Value() : std::string();
  }

  static GbkEncoder Open() {
    gen::Result<GbkEncoder> encoder = GbkEncoder::Open();
    if (!encoder.HasValue()) ADD_FAILURE() << encoder.GetError().Describe();
    return std::move(encoder.Value());
  }

  GbkEncoder m_encoder = Open();
};

TEST_F(GbkEncoding, ConvertsKnownChineseTexts) {
  EXPECT_EQ(EncodeOk("错误"), "\xB4\xED\xCE\xF3");
  EXPECT_EQ(EncodeOk("运行时出错!\r\n"), "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n");
  EXPECT_EQ(EncodeOk("用户许可协议:"), "\xD3\xC3\xBB\xA7\xD0\xED\xBF\xC9\xD0\xAD\xD2\xE9:");
  EXPECT_EQ(EncodeOk("确定"), "\xC8\xB7\xB6\xA8");
}

TEST_F(GbkEncoding, ConvertsFullwidthPunctuation) {
  EXPECT_EQ(EncodeOk("信息："), "\xD0\xC5\xCF\xA2\xA3\xBA");
  EXPECT_EQ(EncodeOk("“"), "\xA1\xB0");
  EXPECT_EQ(EncodeOk("”"), "\xA1\xB1");
  EXPECT_EQ(EncodeOk("，。！"), "\xA3\xAC\xA1\xA3\xA3\xA1");
}

TEST_F(GbkEncoding, KeepsAsciiAndTheEmptyText) {
  EXPECT_EQ(EncodeOk("ok \t\r\n\\\"~"), "ok \t\r\n\\\"~");
  EXPECT_EQ(EncodeOk(""), "");
}

TEST_F(GbkEncoding, RefusesACharacterOutsideGbkAndTellsWhich) {
  const gen::Result<std::string, EncodingFailure> emoji = m_encoder.Encode("错😀");
  ASSERT_FALSE(emoji.HasValue());
  EXPECT_EQ(emoji.GetError().offset, 3u);
  EXPECT_EQ(emoji.GetError().character, "😀");
  EXPECT_EQ(emoji.GetError().codePoint, U'\U0001F600');

  const gen::Result<std::string, EncodingFailure> hangul = m_encoder.Encode("a한");
  ASSERT_FALSE(hangul.HasValue());
  EXPECT_EQ(hangul.GetError().offset, 1u);
  EXPECT_EQ(hangul.GetError().codePoint, U'\uD55C');
}

TEST_F(GbkEncoding, RefusesInvalidUtf8) {
  const gen::Result<std::string, EncodingFailure> result = m_encoder.Encode("ab\xFF");
  ASSERT_FALSE(result.HasValue());
  EXPECT_EQ(result.GetError().offset, 2u);
  EXPECT_EQ(result.GetError().codePoint, 0u);
}

TEST_F(GbkEncoding, WorksAgainAfterAFailureAndAfterAMove) {
  ASSERT_FALSE(m_encoder.Encode("😀").HasValue());
  EXPECT_EQ(EncodeOk("错误"), "\xB4\xED\xCE\xF3");
  GbkEncoder moved = std::move(m_encoder);
  const gen::Result<std::string, EncodingFailure> result = moved.Encode("“”");
  ASSERT_TRUE(result.HasValue());
  EXPECT_EQ(result.Value(), "\xA1\xB0\xA1\xB1");
}

TEST_F(GbkEncoding, EncodeTextConvertsUtf8ChunksAndPassesRawChunks) {
  const TextDefinition text{"kMixed",
                            {{TextChunk::Kind::Utf8, "错"},
                             {TextChunk::Kind::Raw, "\x80\xFF"},
                             {TextChunk::Kind::Utf8, "误"}},
                            7};
  const gen::Result<std::string> bytes = EncodeText(text, "texts.txt", m_encoder);
  ASSERT_TRUE(bytes.HasValue()) << bytes.GetError().Describe();
  EXPECT_EQ(bytes.Value(), "\xB4\xED\x80\xFF\xCE\xF3");
}

TEST_F(GbkEncoding, EncodeTextReportsTheTextsLine) {
  const TextDefinition text{"kSmile", {{TextChunk::Kind::Utf8, "hi 😀"}}, 12};
  const gen::Result<std::string> bytes = EncodeText(text, "app/texts.txt", m_encoder);
  ASSERT_FALSE(bytes.HasValue());
  EXPECT_EQ(bytes.GetError().Describe(),
            "app/texts.txt:12: the text 'kSmile' holds the character '😀' (U+1F600), which GBK "
            "cannot represent");
}

}  // namespace
}  // namespace constgen
