// Path texts in GBK: "乗" is the bytes 81 5C, its second byte a backslash's.
#include "payload/uninstaller/paths.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace vl::uninstall {
namespace {

constexpr char kTrailBackslash[] = "\x81\x5c";  // 乗

TEST(Paths, FolderAndNameSplitAtTheLastBackslashCharacter) {
  const std::string path = std::string("C:\\music\\") + kTrailBackslash + "a\\" + kTrailBackslash;
  EXPECT_EQ(FolderOf(path), std::string("C:\\music\\") + kTrailBackslash + "a");
  EXPECT_EQ(NameOf(path), kTrailBackslash);
  EXPECT_EQ(FolderOf("C:\\Vorlane"), "C:");
  EXPECT_EQ(FolderOf("plain"), "");
  EXPECT_EQ(NameOf("plain"), "plain");
}

TEST(Paths, InsideFolderComparesWholeComponentsIgnoringCase) {
  EXPECT_TRUE(IsInsideFolder("C:\\Games\\Vorlane\\Vorlane.exe", "c:\\games\\VORLANE"));
  EXPECT_TRUE(IsInsideFolder("C:\\Games\\Vorlane\\tade\\x.jpg", "C:\\Games\\Vorlane"));
  EXPECT_FALSE(IsInsideFolder("C:\\Games\\Vorlane2\\Vorlane.exe", "C:\\Games\\Vorlane"));
  EXPECT_FALSE(IsInsideFolder("C:\\Games\\Vorlane", "C:\\Games\\Vorlane"));
  EXPECT_FALSE(IsInsideFolder("http://www.example.com/", "C:\\Games\\Vorlane"));
  // A folder whose name ends in a character with a backslash byte is not a prefix of a path
  // that continues inside that character.
  const std::string folder = std::string("C:\\Games\\A") + "\x81";
  EXPECT_FALSE(IsInsideFolder(std::string("C:\\Games\\A") + kTrailBackslash + "\\b.exe", folder));
}

TEST(Paths, SamePathExpandsRelativeAndShortForms) {
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string folder = std::string(temp) + "vl paths long name";
  CreateDirectoryA(folder.c_str(), nullptr);
  char shortForm[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(folder.c_str(), shortForm, MAX_PATH), 0u);
  EXPECT_TRUE(SamePath(shortForm, folder));
  EXPECT_TRUE(SamePath(folder + "\\..\\vl paths long name", folder));
  EXPECT_FALSE(SamePath(folder + "x", folder));
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace vl::uninstall
