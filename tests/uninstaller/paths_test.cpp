// Path texts as the system's bytes: "乗" is the GBK bytes 81 5C, its second byte a backslash's;
// Hangul and emoji take GB18030's four-byte form. Paths holding those reach Windows intact.
#include "payload/uninstaller/paths.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "installed_files.h"
#include "payload/uninstaller/removal.h"
#include "runtime/text_boundary.h"
#include "tests/support/file_tree.h"

namespace vl::uninstall {
namespace {

constexpr char kTrailBackslash[] = "\x81\x5c";  // 乗

std::wstring TempFolderW() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  return temp;
}

std::string Bytes(const std::wstring& text) { return FromWide(text).value_or("(no text)"); }

std::wstring Wide(const std::string& text) {
  const WideText wide(text);
  return wide.Valid() ? std::wstring(wide.Get(), wide.Length()) : L"(no text)";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

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
  // Letters beyond ASCII fold as Windows folds file names, whatever the system's code page:
  // Д and д are A7 A5 and A7 D5.
  EXPECT_TRUE(IsInsideFolder("C:\\\xa7\xa5\\x.exe", "c:\\\xa7\xd5"));
  EXPECT_FALSE(IsInsideFolder("C:\\\xa7\xa5\\x.exe", "c:\\\xa7\xa6"));
  // A folder whose name ends in a character with a backslash byte is not a prefix of a path
  // that continues inside that character.
  const std::string folder = std::string("C:\\Games\\A") + "\x81";
  EXPECT_FALSE(IsInsideFolder(std::string("C:\\Games\\A") + kTrailBackslash + "\\b.exe", folder));
}

TEST(Paths, SamePathExpandsRelativeAndShortFormsOfNamesOutsideGbk) {
  const std::wstring wideFolder = TempFolderW() + L"vl paths long name 한😀";
  CreateDirectoryW(wideFolder.c_str(), nullptr);
  const std::string folder = Bytes(wideFolder);
  wchar_t shortForm[MAX_PATH];
  ASSERT_GT(GetShortPathNameW(wideFolder.c_str(), shortForm, MAX_PATH), 0u);
  ASSERT_NE(shortForm, wideFolder);
  EXPECT_EQ(NormalPath(Bytes(shortForm)), folder);
  EXPECT_TRUE(SamePath(Bytes(shortForm), folder));
  EXPECT_TRUE(SamePath(folder + "\\..\\" + NameOf(folder), folder));
  EXPECT_FALSE(SamePath(folder + "x", folder));
  RemoveDirectoryW(wideFolder.c_str());
}

// An installation under a root that Windows named with characters outside GBK: every step finds
// the tree by that name, removes what the installation made and names what it keeps.
TEST(Paths, RemovalUnderARootOutsideGbk) {
  const std::wstring root = TempFolderW() + L"vl 한😀 removal";
  vl::test::RemoveTree(root);
  ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
  for (const char* folder : kInstalledFolders) CreateDirectoryW((root + L"\\" + Wide(folder)).c_str(), nullptr);
  for (const char* file : kInstalledFiles) {
    CloseHandle(CreateFileW((root + Wide(file)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  }
  const std::wstring product = root + L"\\Vorlane";
  SetFileAttributesW((product + L"\\使用说明.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  const std::wstring ownFile = product + L"\\tade\\나의 노래 😀.txt";
  // What interrupted runs left: a backup, and a file under its removal name beside the file
  // itself, in the way of its move.
  const std::wstring leftovers[] = {product + L"\\tade\\配置文件.ini.vlold", product + L"\\使用说明.txt.vlrm"};
  for (const std::wstring& file : {ownFile, leftovers[0], leftovers[1]}) {
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  }

  const std::optional<Installation> installation = LocateInstallation(Bytes(product + L"\\卸载.exe"));
  ASSERT_TRUE(installation);
  RemovalReport report;
  const std::optional<std::vector<std::string>> moved = MoveInstalledFilesAside(*installation, report);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->size(), std::size(kInstalledFiles) - 1);
  RemoveInstalledFiles(*installation, *moved, report);
  RemoveInstalledFolders(*installation, report);
  CheckProductFolder(*installation, report);

  EXPECT_TRUE(report.FailedItems().empty()) << (report.HasFailures() ? report.FailedItems()[0] : "");
  const std::vector<std::string> kept = {Bytes(product + L"\\tade"), Bytes(product)};
  EXPECT_EQ(report.KeptFolders(), kept);
  EXPECT_TRUE(Exists(ownFile));
  EXPECT_TRUE(Exists(product + L"\\卸载.exe"));  // the clean-up helper's to remove
  EXPECT_FALSE(Exists(product + L"\\使用说明.txt"));
  EXPECT_FALSE(Exists(product + L"\\tade\\配置文件.ini"));
  EXPECT_FALSE(Exists(product + L"\\tade\\lintok"));
  EXPECT_FALSE(Exists(product + L"\\音乐文件"));
  for (const std::wstring& file : leftovers) EXPECT_FALSE(Exists(file)) << Bytes(file);
  vl::test::RemoveTree(root);
}

// A link saved where the system's code page lacks characters of its target still names it
// whole: under Wine the path kept beside the item list reads back with "?".
TEST(Paths, ShellLinkTargetOutsideTheCodePage) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  const std::wstring folder = TempFolderW() + L"vl 링크 😀";
  const std::wstring target = folder + L"\\Vorlane\\卸载.exe";
  const std::wstring linkFile = folder + L"\\卸载 한.lnk";
  vl::test::RemoveTree(folder);
  CreateDirectoryW(folder.c_str(), nullptr);
  CreateDirectoryW((folder + L"\\Vorlane").c_str(), nullptr);
  CloseHandle(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         reinterpret_cast<void**>(&link))));
  link->SetPath(target.c_str());
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  EXPECT_TRUE(SUCCEEDED(file->Save(linkFile.c_str(), TRUE)));
  file->Release();
  link->Release();

  EXPECT_EQ(ShellLinkTarget(Bytes(linkFile)), Bytes(target));
  vl::test::RemoveTree(folder);
  CoUninitialize();
}

}  // namespace
}  // namespace vl::uninstall
