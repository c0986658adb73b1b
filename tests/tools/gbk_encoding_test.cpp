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
  std::string encode_ok(const std::string& utf8) {
    gen::Result<std::string, EncodingFailure> result = encoder_.encode(utf8);
    EXPECT_TRUE(result.ok()) << utf8;
    return result.ok() ? result.value() : std::string();
  }

  static GbkEncoder open() {
    gen::Result<GbkEncoder> encoder = GbkEncoder::open();
    if (!encoder.ok()) ADD_FAILURE() << encoder.error().describe();
    return std::move(encoder.value());
  }

  GbkEncoder encoder_ = open();
};

TEST_F(GbkEncoding, ConvertsKnownChineseTexts) {
  EXPECT_EQ(encode_ok("错误"), "\xB4\xED\xCE\xF3");
  EXPECT_EQ(encode_ok("运行时出错!\r\n"), "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n");
  EXPECT_EQ(encode_ok("用户许可协议:"), "\xD3\xC3\xBB\xA7\xD0\xED\xBF\xC9\xD0\xAD\xD2\xE9:");
  EXPECT_EQ(encode_ok("确定"), "\xC8\xB7\xB6\xA8");
}

TEST_F(GbkEncoding, ConvertsFullwidthPunctuation) {
  EXPECT_EQ(encode_ok("信息："), "\xD0\xC5\xCF\xA2\xA3\xBA");
  EXPECT_EQ(encode_ok("“"), "\xA1\xB0");
  EXPECT_EQ(encode_ok("”"), "\xA1\xB1");
  EXPECT_EQ(encode_ok("，。！"), "\xA3\xAC\xA1\xA3\xA3\xA1");
}

TEST_F(GbkEncoding, KeepsAsciiAndTheEmptyText) {
  EXPECT_EQ(encode_ok("ok \t\r\n\\\"~"), "ok \t\r\n\\\"~");
  EXPECT_EQ(encode_ok(""), "");
}

TEST_F(GbkEncoding, RefusesACharacterOutsideGbkAndTellsWhich) {
  const gen::Result<std::string, EncodingFailure> emoji = encoder_.encode("错😀");
  ASSERT_FALSE(emoji.ok());
  EXPECT_EQ(emoji.error().offset, 3u);
  EXPECT_EQ(emoji.error().character, "😀");
  EXPECT_EQ(emoji.error().code_point, U'\U0001F600');

  const gen::Result<std::string, EncodingFailure> hangul = encoder_.encode("a한");
  ASSERT_FALSE(hangul.ok());
  EXPECT_EQ(hangul.error().offset, 1u);
  EXPECT_EQ(hangul.error().code_point, U'\uD55C');
}

TEST_F(GbkEncoding, RefusesInvalidUtf8) {
  const gen::Result<std::string, EncodingFailure> result = encoder_.encode("ab\xFF");
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().offset, 2u);
  EXPECT_EQ(result.error().code_point, 0u);
}

TEST_F(GbkEncoding, WorksAgainAfterAFailureAndAfterAMove) {
  ASSERT_FALSE(encoder_.encode("😀").ok());
  EXPECT_EQ(encode_ok("错误"), "\xB4\xED\xCE\xF3");
  GbkEncoder moved = std::move(encoder_);
  const gen::Result<std::string, EncodingFailure> result = moved.encode("“”");
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result.value(), "\xA1\xB0\xA1\xB1");
}

TEST_F(GbkEncoding, EncodeTextConvertsUtf8ChunksAndPassesRawChunks) {
  const TextDefinition text{"kMixed",
                            {{TextChunk::Kind::utf8, "错"},
                             {TextChunk::Kind::raw, "\x80\xFF"},
                             {TextChunk::Kind::utf8, "误"}},
                            7};
  const gen::Result<std::string> bytes = encode_text(text, "texts.txt", encoder_);
  ASSERT_TRUE(bytes.ok()) << bytes.error().describe();
  EXPECT_EQ(bytes.value(), "\xB4\xED\x80\xFF\xCE\xF3");
}

TEST_F(GbkEncoding, EncodeTextReportsTheTextsLine) {
  const TextDefinition text{"kSmile", {{TextChunk::Kind::utf8, "hi 😀"}}, 12};
  const gen::Result<std::string> bytes = encode_text(text, "app/texts.txt", encoder_);
  ASSERT_FALSE(bytes.ok());
  EXPECT_EQ(bytes.error().describe(),
            "app/texts.txt:12: the text 'kSmile' holds the character '😀' (U+1F600), which GBK "
            "cannot represent");
}

}  // namespace
}  // namespace constgen
