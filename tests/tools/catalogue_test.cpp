#include "catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace payloadgen {
namespace {

const std::string kFolders =
    "folder Vorlane\n"
    "folder Vorlane\\tade\n";
const std::string kDataFolder = "folder Vorlane\\data user-writable\n";

TEST(CatalogueTest, ReadsEntriesFoldersSharedContentsAndTheMarkOrder) {
  const Result<Catalogue> parsed = ParseCatalogue(
      "# comment\n" + kFolders + kDataFolder +
          "entry 1 10 HS  dll  a.fne      \\Vorlane\\a.fne\r\n"
          "entry 2 20 -   text n.txt      \\Vorlane\\tade\\说明.txt\n"
          "entry 3 20 HS  same 2          \\Vorlane\\tade\\副本.txt\n"
          "marked 3 1\n",
      "c.txt");
  ASSERT_TRUE(parsed.HasValue()) << parsed.GetError().Describe();
  const Catalogue& catalogue = parsed.Value();
  ASSERT_EQ(catalogue.entries.size(), 3u);
  EXPECT_EQ(catalogue.folders, (std::vector<std::string>{"Vorlane", "Vorlane\\tade", "Vorlane\\data"}));
  EXPECT_EQ(catalogue.userWritableFolders, (std::vector<std::size_t>{2}));
  EXPECT_EQ(catalogue.entries[1].targetPath, "\\Vorlane\\tade\\说明.txt");
  EXPECT_EQ(catalogue.entries[2].kind, ContentKind::Same);
  EXPECT_EQ(&ContentOwner(catalogue, catalogue.entries[2]), &catalogue.entries[1]);
  EXPECT_TRUE(catalogue.entries[0].marked);
  EXPECT_FALSE(catalogue.entries[1].marked);
  EXPECT_EQ(catalogue.markOrder, (std::vector<int>{3, 1}));
}

TEST(CatalogueTest, RefusesInconsistentCataloguesNamingTheLine) {
  struct Case {
    std::string body;
    int line;  // counted after the two folder lines
    const char* message;
  };
  const Case cases[] = {
      {"entry 2 10 - text a \\Vorlane\\a\n", 3, "entry 1 comes next"},
      {"entry 1 10 - text a \\Vorlane\\yx\\a\n", 3, "not created before it"},
      {"entry 1 10 - text a Vorlane\\a\n", 3, "starts with a backslash"},
      {"entry 1 10 - text a\n", 3, "an entry line is"},
      {"entry 1 10 - text a \\Vorlane\\a\nentry 2 11 - same 1 \\Vorlane\\b\n", 4, "the size of its entry"},
      {"entry 1 10 - same 1 \\Vorlane\\a\n", 3, "an earlier entry"},
      {"entry 1 10 - text a \\Vorlane\\a\nentry 2 10 - same 1 \\Vorlane\\b\n"
       "entry 3 10 - same 2 \\Vorlane\\c\n", 5, "stores its own"},
      {"entry 1 10 XX text a \\Vorlane\\a\n", 3, "HS or -"},
      {"entry 1 10 - picture a \\Vorlane\\a\n", 3, "unknown content kind"},
      {"entry 1 99999999999 - text a \\Vorlane\\a\n", 3, "is not a size"},
      {"entry 1 10 HS text a \\Vorlane\\a\n", 0, "leaves out entry 1"},
      {"entry 1 10 - text a \\Vorlane\\a\nmarked 1\n", 4, "which is not marked"},
      {"entry 1 10 HS text a \\Vorlane\\a\nmarked 1 1\n", 4, "entry 1 twice"},
      {"entry 1 10 HS text a \\Vorlane\\a\nmarked 2\n", 4, "does not exist"},
      {"folder \\Vorlane\\x\n", 3, "no leading or trailing backslash"},
      {"folder Vorlane\\x writable\n", 3, "optionally user-writable"},
      {kDataFolder + "folder Vorlane\\data\\sub\nentry 1 10 - text a \\Vorlane\\data\\sub\\a\n", 5,
       "in the user-writable folder Vorlane\\data"},
      {"", 0, "no entries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const Result<Catalogue> parsed = ParseCatalogue(kFolders + c.body, "c.txt");
    ASSERT_FALSE(parsed.HasValue());
    EXPECT_EQ(parsed.GetError().line, c.line);
    EXPECT_NE(parsed.GetError().message.find(c.message), std::string::npos) << parsed.GetError().message;
  }
}

TEST(CatalogueTest, PictureSourcesNeedBothDimensionsAndAnArtist) {
  const Result<PictureSource> good = ParsePictureSource("600x398:dorvik", "c.txt", 7);
  ASSERT_TRUE(good.HasValue());
  EXPECT_EQ(good.Value().width, 600);
  EXPECT_EQ(good.Value().height, 398);
  EXPECT_EQ(good.Value().artist, "dorvik");
  for (const char* bad : {"600x398", "600:dorvik", "x398:dorvik", "0x10:a", "10x10:", "5000x10:a",
                          "10x10x:a"}) {
    SCOPED_TRACE(bad);
    const Result<PictureSource> parsed = ParsePictureSource(bad, "c.txt", 7);
    ASSERT_FALSE(parsed.HasValue());
    EXPECT_EQ(parsed.GetError().line, 7);
  }
}

}  // namespace
}  // namespace payloadgen
