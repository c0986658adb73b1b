// Checks the payload run that the Windows build lays out in the installer's constant segment
// (the same bytes, written to a file by the build): every entry's path, size and kind, the
// shared contents and the totals. Independent readers judge the formats: libjpeg for the JPEG
// pictures, ImageMagick for the GIF picture, mdbtools for the database, iconv for the texts.
#include <gtest/gtest.h>
#include <iconv.h>
#include <jpeglib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "run_reader.h"

namespace {

using payloadtest::Command;
using payloadtest::RunEntry;

enum class Kind { Exe, Dll, Text, Module, Gif, Jfif, Exif, Database };

struct Expected {
  const char* path;  // UTF-8
  std::uint32_t size;
  Kind kind;
  int width = 0;
  int height = 0;
  int sharesWith = 0;  // the entry whose content this one uses, or 0
};

const std::vector<Expected> kCatalogue = {
    {"\\Vorlane\\Vorlane.exe", 1163776, Kind::Exe},
    {"\\Vorlane\\卸载.exe", 1265664, Kind::Exe},
    {"\\Vorlane\\tade\\配置文件.ini", 668, Kind::Text},
    {"\\Vorlane\\tade\\配置文件教程.ini", 20, Kind::Text},
    {"\\Vorlane\\tade\\列表.ec", 479479, Kind::Module},
    {"\\Vorlane\\tade\\右键.ec", 5086, Kind::Module},
    {"\\Vorlane\\tade\\右键1.ec", 5086, Kind::Module, 0, 0, 6},
    {"\\Vorlane\\tade\\velkor\\velkor.jpg", 11291, Kind::Gif, 100, 100},
    {"\\Vorlane\\tade\\brasto\\brasto.jpg", 3685, Kind::Jfif, 150, 112},
    {"\\Vorlane\\tade\\corvey\\corvey.jpg", 13993, Kind::Jfif, 200, 200},
    {"\\Vorlane\\tade\\dorvik\\dorvik.jpg", 50985, Kind::Jfif, 600, 398},
    {"\\Vorlane\\tade\\selmar\\selmar.jpg", 24016, Kind::Jfif, 320, 240},
    {"\\Vorlane\\tade\\tovrin\\tovrin.jpg", 31284, Kind::Exif, 250, 250},
    {"\\Vorlane\\tade\\yarnel\\yarnel.jpg", 2319, Kind::Jfif, 200, 200},
    {"\\Vorlane\\tade\\lintok\\lintok.jpg", 2319, Kind::Jfif, 200, 200, 14},
    {"\\Vorlane\\使用说明.txt", 560, Kind::Text},
    {"\\Vorlane\\版本更新信息.txt", 397, Kind::Text},
    {"\\Vorlane\\tade\\muisc.mdb", 266240, Kind::Database},
    {"\\Vorlane\\com.run", 266240, Kind::Dll},
    {"\\Vorlane\\dp1.fne", 131072, Kind::Dll},
    {"\\Vorlane\\eAPI.fne", 327680, Kind::Dll},
    {"\\Vorlane\\eDB.fne", 233472, Kind::Dll},
    {"\\Vorlane\\EThread.fne", 61440, Kind::Dll},
    {"\\Vorlane\\ExtMenu.fnr", 192512, Kind::Dll},
    {"\\Vorlane\\HtmlView.fne", 229376, Kind::Dll},
    {"\\Vorlane\\iext2.fne", 503808, Kind::Dll},
    {"\\Vorlane\\iext3.fne", 393216, Kind::Dll},
    {"\\Vorlane\\iext5.fne", 331776, Kind::Dll},
    {"\\Vorlane\\iext.fnr", 221184, Kind::Dll},
    {"\\Vorlane\\internet.fne", 192512, Kind::Dll},
    {"\\Vorlane\\krnln.fnr", 1089536, Kind::Dll},
    {"\\Vorlane\\shell.fne", 61440, Kind::Dll},
    {"\\Vorlane\\shellEx.fne", 14848, Kind::Dll},
    {"\\Vorlane\\spec.fne", 90112, Kind::Dll},
};

const std::set<std::string> kArtistFolders = {"velkor", "brasto", "corvey", "dorvik",
                                              "selmar", "tovrin", "yarnel", "lintok"};

std::string ToGbk(std::string_view utf8) { return payloadtest::Convert(utf8, "UTF-8", "GBK"); }

std::vector<std::string> SplitCrlf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 2;
  }
  return lines;
}

// A text carried as GBK with CRLF line ends: decodes strictly, no bare CR or LF, no byte order
// mark; its UTF-8 lines (the last empty when the text ends in CRLF).
std::vector<std::string> CheckedLines(std::string_view content) {
  const std::string utf8 = payloadtest::Convert(content, "GBK", "UTF-8");
  EXPECT_FALSE(utf8.empty() && !content.empty()) << "the text does not decode as GBK";
  EXPECT_FALSE(content.starts_with("\xEF\xBB\xBF"));
  std::vector<std::string> lines = SplitCrlf(utf8);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a bare CR or LF in: " << line;
  }
  return lines;
}

std::string WebAddress() {
  std::ifstream in(std::string(VL_SOURCE_DIR) + "/payload/texts.txt");
  const std::string texts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::smatch match;
  if (!std::regex_search(texts, match, std::regex("kProductWebAddress = \"([^\"]+)\""))) return {};
  return match[1];
}

class PayloadRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::ifstream in(VL_PAYLOAD_RUN, std::ios::binary);
    s_run.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    s_entries.clear();
    std::vector<bool> shared;
    for (const Expected& expected : kCatalogue) shared.push_back(expected.sharesWith != 0);
    s_parse = payloadtest::ReadRun(s_run, shared, s_entries);
  }

  void SetUp() override {
    ASSERT_FALSE(s_run.empty()) << VL_PAYLOAD_RUN
                                << " is missing: build the win32 preset before these tests";
    ASSERT_EQ(s_parse, "") << "the run does not parse";
    ASSERT_EQ(s_entries.size(), kCatalogue.size());
  }

  // The content an entry writes (its own, or the one it shares).
  static std::string_view Content(std::size_t index) {
    const Expected& expected = kCatalogue[index];
    const std::size_t owner = expected.sharesWith != 0 ? expected.sharesWith - 1 : index;
    return s_entries[owner].content;
  }

  static std::string s_run;
  static std::string s_parse;
  static std::vector<RunEntry> s_entries;
};

std::string PayloadRunTest::s_run;
std::string PayloadRunTest::s_parse;
std::vector<RunEntry> PayloadRunTest::s_entries;

TEST_F(PayloadRunTest, PathsSizesAndTotalsAreTheCatalogues) {
  std::uint64_t total = 0;
  std::uint64_t stored = 0;
  std::size_t storedCount = 0;
  std::uint64_t layout = 0;
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    SCOPED_TRACE("entry " + std::to_string(i + 1));
    EXPECT_EQ(s_entries[i].path, ToGbk(kCatalogue[i].path));
    EXPECT_EQ(Content(i).size(), kCatalogue[i].size);
    total += Content(i).size();
    layout += s_entries[i].path.size() + 1;
    if (kCatalogue[i].sharesWith == 0) {
      stored += s_entries[i].content.size();
      layout += 8 + s_entries[i].content.size();
      ++storedCount;
    }
  }
  EXPECT_EQ(kCatalogue.size(), 34u);
  EXPECT_EQ(total, 7667092u);
  EXPECT_EQ(storedCount, 32u);
  EXPECT_EQ(stored, 7659687u);
  // No gaps: the run is exactly the paths and byte sets end to end.
  EXPECT_EQ(layout, s_run.size());
}

TEST_F(PayloadRunTest, SharedContentsAreStoredOnceAndEveryOtherContentDiffers) {
  EXPECT_TRUE(s_entries[6].content.empty());
  EXPECT_TRUE(s_entries[14].content.empty());
  std::set<std::string_view> distinct;
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    if (kCatalogue[i].sharesWith == 0) distinct.insert(s_entries[i].content);
  }
  EXPECT_EQ(distinct.size(), 32u);
}

TEST_F(PayloadRunTest, ImagesAreGuiImagesEndingAtTheirLastSection) {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const Kind kind = kCatalogue[i].kind;
    if (kind != Kind::Exe && kind != Kind::Dll) continue;
    SCOPED_TRACE(kCatalogue[i].path);
    const payloadtest::PeFacts facts = payloadtest::ReadPe(Content(i), 0);
    ASSERT_TRUE(facts.valid);
    EXPECT_EQ(facts.machine, 0x014C);
    EXPECT_EQ(facts.subsystem, 2);
    EXPECT_EQ(facts.endOfSections, Content(i).size());
    EXPECT_EQ(facts.sizeOfImage, facts.endOfVirtualImage);
    EXPECT_EQ((facts.characteristics & 0x2000) != 0, kind == Kind::Dll);
    if (kind == Kind::Dll) {
      const std::string path = kCatalogue[i].path;
      EXPECT_EQ(facts.exportName, path.substr(path.rfind('\\') + 1));
      EXPECT_GE(facts.exportedNames, 1u);
    }
  }
}

TEST_F(PayloadRunTest, UninstallerHoldsAFurtherImageInItsData) {
  const std::string_view uninstaller = Content(1);
  std::size_t found = 0;
  for (std::size_t at = uninstaller.find("MZ", 1); at != std::string_view::npos;
       at = uninstaller.find("MZ", at + 1)) {
    const payloadtest::PeFacts inner = payloadtest::ReadPe(uninstaller, at);
    if (inner.valid && inner.machine == 0x014C && inner.endOfSections > 0) {
      ++found;
      EXPECT_EQ(inner.subsystem, 2);
    }
  }
  EXPECT_EQ(found, 1u);
}

TEST_F(PayloadRunTest, PicturesAreOfTheirFormatAndDimensions) {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const Expected& expected = kCatalogue[i];
    if (expected.kind != Kind::Jfif && expected.kind != Kind::Exif && expected.kind != Kind::Gif) {
      continue;
    }
    SCOPED_TRACE(expected.path);
    const std::string_view content = Content(i);
    if (expected.kind == Kind::Gif) {
      ASSERT_TRUE(content.starts_with("GIF89a"));
      EXPECT_EQ(payloadtest::U16(content, 6), expected.width);
      EXPECT_EQ(payloadtest::U16(content, 8), expected.height);
      const std::string file = payloadtest::WriteTemporary(content, "picture.gif");
      EXPECT_EQ(Command("identify -format '%m %w %h %n' " + file),
                "GIF " + std::to_string(expected.width) + " " + std::to_string(expected.height) + " 1");
      continue;
    }
    const payloadtest::JpegFacts facts = payloadtest::ReadJpegMarkers(content);
    EXPECT_TRUE(facts.wellFormed);
    EXPECT_EQ(facts.firstApp, expected.kind == Kind::Jfif ? "JFIF" : "Exif");
    EXPECT_TRUE(facts.baseline);
    EXPECT_EQ(facts.frames, 1);
    EXPECT_EQ(facts.width, expected.width);
    EXPECT_EQ(facts.height, expected.height);
    EXPECT_EQ(facts.components, 3);
    // A standard decoder reads every line of it.
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(content.data()),
                 static_cast<unsigned long>(content.size()));
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&info);
    std::vector<unsigned char> row(info.output_width * static_cast<unsigned>(info.output_components));
    while (info.output_scanline < info.output_height) {
      unsigned char* rows[] = {row.data()};
      jpeg_read_scanlines(&info, rows, 1);
    }
    EXPECT_EQ(static_cast<int>(info.output_width), expected.width);
    EXPECT_EQ(static_cast<int>(info.output_height), expected.height);
    jpeg_finish_decompress(&info);
    EXPECT_EQ(errors.num_warnings, 0);
    jpeg_destroy_decompress(&info);
  }
}

TEST_F(PayloadRunTest, ConfigurationHoldsThePlaylistOfTheArtistFolders) {
  const std::vector<std::string> lines = CheckedLines(Content(2));
  ASSERT_EQ(lines.size(), 13u);  // 12 lines, the last ending in CRLF
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(lines[0], "[播放列表]");
  for (int track = 1; track <= 9; ++track) {
    const std::string& line = lines[static_cast<std::size_t>(track)];
    SCOPED_TRACE(line);
    ASSERT_TRUE(line.starts_with(std::to_string(track) + "="));
    const std::string artist = line.substr(2, line.find('|') - 2);
    EXPECT_TRUE(kArtistFolders.contains(artist));
  }
  EXPECT_EQ(lines[10], "[配置]");
  EXPECT_EQ(lines[11], "最后位置=6");
  EXPECT_EQ(Content(3), ToGbk("教程配置文件开始...."));
}

TEST_F(PayloadRunTest, NotesEndInContactLinesAndTheWebAddress) {
  const std::string address = WebAddress();
  ASSERT_FALSE(address.empty());
  for (const auto& [index, lineCount] : {std::pair<std::size_t, std::size_t>{15, 12}, {16, 16}}) {
    SCOPED_TRACE(kCatalogue[index].path);
    const std::vector<std::string> lines = CheckedLines(Content(index));
    ASSERT_EQ(lines.size(), lineCount);  // the last line has no line end
    EXPECT_FALSE(lines.back().empty());
    EXPECT_NE(lines.back().find(address), std::string::npos);
    bool contact = false;
    for (std::size_t i = lines.size() - 4; i < lines.size(); ++i) {
      contact = contact || lines[i].find("电子邮件") != std::string::npos;
    }
    EXPECT_TRUE(contact);
  }
  EXPECT_NE(CheckedLines(Content(16)).front().find("2.6"), std::string::npos);
}

TEST_F(PayloadRunTest, ModuleFilesAreWholeAndTheirOwn) {
  for (const std::size_t index : {4u, 5u}) {
    const std::string_view content = Content(index);
    ASSERT_GE(content.size(), 16u);
    EXPECT_TRUE(content.starts_with("VLEC"));
    EXPECT_EQ(payloadtest::U32(content, 8), content.size());
    EXPECT_EQ(payloadtest::U32(content, 12), payloadtest::Crc32(content.substr(16)));
  }
}

TEST_F(PayloadRunTest, DatabaseOpensInMdbtoolsWithThePlaylist) {
  const std::string_view content = Content(17);
  EXPECT_EQ(content.substr(4, 16), std::string_view("Standard Jet DB\0", 16));
  EXPECT_EQ(content.size(), 65u * 4096u);
  const std::string file = payloadtest::WriteTemporary(content, "muisc.mdb");
  EXPECT_EQ(Command("mdb-ver " + file + " 2>&1"), "JET4");
  EXPECT_EQ(Command("mdb-tables -1 " + file + " 2>&1"), "Playlist");
  const std::vector<std::string> rows = payloadtest::SplitLines(Command("mdb-export " + file + " Playlist 2>&1"));
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0], "TrackNo,Artist,Title,Album,Duration,FileName");
  // Each row is the configuration file's track of the same number.
  const std::vector<std::string> tracks = CheckedLines(Content(2));
  for (std::size_t i = 1; i <= 9; ++i) {
    SCOPED_TRACE(rows[i]);
    std::string expected = tracks[i];
    const std::size_t equals = expected.find('=');
    std::string csv = expected.substr(0, equals) + ",\"";
    for (std::size_t at = equals + 1; at < expected.size(); ++at) {
      csv += expected[at] == '|' ? std::string("\",\"") : std::string(1, expected[at]);
    }
    EXPECT_EQ(rows[i], csv + "\"");
  }
}

}  // namespace
