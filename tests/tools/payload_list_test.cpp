// The payload list: parsing it, turning it into segment items, and emitting byte sets.

#include "payload_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "segment_writer.h"

namespace constgen {
namespace {

std::string TemporaryFile(const std::string& name, const std::string& content) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

TEST(PayloadListTest, ReadsPathsAndContentsInOrder) {
  const gen::Result<std::vector<PayloadLine>> lines = ParsePayloadList(
      "# generated\n\npath kPath01 \\Vorlane\\卸载.exe\r\ncontent kContent01 /tmp/a b/01\n"
      "path kPath02 \\Vorlane\\x y.txt\n",
      "p.list");
  ASSERT_TRUE(lines.HasValue()) << lines.GetError().Describe();
  ASSERT_EQ(lines.Value().size(), 3u);
  EXPECT_EQ(lines.Value()[0].kind, PayloadLine::Kind::Path);
  EXPECT_EQ(lines.Value()[0].value, "\\Vorlane\\卸载.exe");
  EXPECT_EQ(lines.Value()[1].kind, PayloadLine::Kind::Content);
  EXPECT_EQ(lines.Value()[1].value, "/tmp/a b/01");  // spaces belong to the value
  EXPECT_EQ(lines.Value()[1].line, 4);
  EXPECT_EQ(lines.Value()[2].value, "\\Vorlane\\x y.txt");
}

TEST(PayloadListTest, RefusesMalformedLinesNamingThem) {
  const struct {
    const char* list;
    int line;
  } cases[] = {
      {"content kContent01 /tmp/x\n", 1},             // no path before it
      {"path kPath01 a\ncontent kC1 /x\ncontent kC2 /y\n", 3},  // two contents for one path
      {"path kPath01\n", 1},                          // no text
      {"path kPath01 \n", 1},                         // empty text
      {"file kPath01 a\n", 1},                        // unknown kind
      {"path Path01 a\n", 1},                         // not a k-name
      {"path kPath-1 a\n", 1},                        // not an identifier
      {"path kConstSegmentEnd a\n", 1},               // reserved
  };
  for (const auto& c : cases) {
    const gen::Result<std::vector<PayloadLine>> lines = ParsePayloadList(c.list, "p.list");
    ASSERT_FALSE(lines.HasValue()) << c.list;
    EXPECT_EQ(lines.GetError().line, c.line) << c.list;
  }
}

TEST(PayloadListTest, AppendsGbkPathsAndByteSetsWithTheFilesSizes) {
  gen::Result<GbkEncoder> encoder = GbkEncoder::Open();
  ASSERT_TRUE(encoder.HasValue());
  const std::string file = TemporaryFile("constgen_payload_content", "0123456789");
  Segment segment;
  segment.items.emplace_back(TextItem{"kTitle", "t"});
  const std::vector<PayloadLine> lines = {
      {PayloadLine::Kind::Path, "kPath01", "\\卸载.exe", 1},
      {PayloadLine::Kind::Content, "kContent01", file, 2},
  };
  ASSERT_TRUE(AppendPayload(segment, lines, "p.list", encoder.Value()).HasValue());
  ASSERT_EQ(segment.items.size(), 3u);
  EXPECT_EQ(std::get<TextItem>(segment.items[1]).bytes, "\\\xD0\xB6\xD4\xD8.exe");
  EXPECT_EQ(std::get<ByteSetItem>(segment.items[2]).length, 10u);
  EXPECT_EQ(SegmentLength(segment), 2u + 10u + 18u);

  const std::string assembly = RenderAssembly(segment, gen::AsmFormat::Coff);
  EXPECT_NE(assembly.find("_kContent01:\n\t.long 1\n\t.long 10\n\t.incbin \"" + file + "\",0,10\n"),
            std::string::npos)
      << assembly;
}

TEST(PayloadListTest, RefusesClashingLabelsUnreadableFilesAndUnencodablePaths) {
  gen::Result<GbkEncoder> encoder = GbkEncoder::Open();
  ASSERT_TRUE(encoder.HasValue());
  const std::string file = TemporaryFile("constgen_payload_small", "x");
  const struct {
    std::vector<PayloadLine> lines;
    const char* message;
  } cases[] = {
      {{{PayloadLine::Kind::Path, "kTitle", "a", 4}}, "defined twice"},
      {{{PayloadLine::Kind::Path, "kP", "a", 1}, {PayloadLine::Kind::Path, "kP", "b", 2}}, "defined twice"},
      {{{PayloadLine::Kind::Path, "kP", "a", 1},
        {PayloadLine::Kind::Content, "kC", "/nonexistent/constgen/file", 2}}, "cannot read its size"},
      {{{PayloadLine::Kind::Path, "kP", "\\\xF0\x9F\x8E\xB5", 1}}, "GBK cannot represent"},
  };
  for (const auto& c : cases) {
    Segment segment;
    segment.items.emplace_back(TextItem{"kTitle", "t"});
    const gen::Status status = AppendPayload(segment, c.lines, "p.list", encoder.Value());
    ASSERT_FALSE(status.HasValue()) << c.message;
    EXPECT_NE(status.GetError().message.find(c.message), std::string::npos) << status.GetError().message;
  }
}

TEST(PayloadListTest, FilePathsAreQuotedForTheAssembler) {
  Segment segment;
  segment.items.emplace_back(ByteSetItem{"kC", "/tmp/a\"b\\c", 3});
  EXPECT_NE(RenderAssembly(segment, gen::AsmFormat::Elf).find("\t.incbin \"/tmp/a\\\"b\\\\c\",0,3\n"),
            std::string::npos);
}

}  // namespace
}  // namespace constgen
