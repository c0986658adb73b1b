// The special folder command against the system's own answers.
#include "services/special_folders.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "service_test_support.h"

namespace vl {
namespace {

using test::TextOfResult;

std::string FolderPath(std::int32_t code) {
  const TextOfResult text(CallCommand(GetSpecialFolderPathCommand, ArgList{IntArg(code)}));
  EXPECT_TRUE(text.IsText()) << code;
  return text.Value();
}

std::string ShellFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = L"";
  return SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE) ? test::SystemText(buffer) : "";
}

std::string WithBackslash(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

class SpecialFolderPath : public test::RuntimeStarted {};

TEST_F(SpecialFolderPath, ShellFoldersEndInOneBackslash) {
  struct Case {
    std::int32_t code;
    int csidl;
  } cases[] = {{3, CSIDL_DESKTOPDIRECTORY}, {6, CSIDL_PROGRAMS}, {8, CSIDL_APPDATA}, {5, CSIDL_STARTMENU}};
  for (const Case& c : cases) {
    const std::string shell = ShellFolder(c.csidl);
    ASSERT_FALSE(shell.empty()) << c.code;
    ASSERT_NE(shell.back(), '\\');
    EXPECT_EQ(FolderPath(c.code), shell + "\\") << c.code;
  }
}

TEST_F(SpecialFolderPath, SystemFoldersAndTheTemporaryFolder) {
  wchar_t buffer[MAX_PATH] = L"";
  GetWindowsDirectoryW(buffer, MAX_PATH);
  EXPECT_EQ(FolderPath(9), WithBackslash(test::SystemText(buffer)));
  GetSystemDirectoryW(buffer, MAX_PATH);
  EXPECT_EQ(FolderPath(10), WithBackslash(test::SystemText(buffer)));

  // The temporary path already ends in a backslash and gets no second one.
  GetTempPathW(MAX_PATH, buffer);
  ASSERT_EQ(std::wstring(buffer).back(), L'\\');
  EXPECT_EQ(FolderPath(11), test::SystemText(buffer));
}

TEST_F(SpecialFolderPath, ATemporaryPathLongerThanTheBufferGivesTheEmptyText) {
  // Windows answers with the size it would need and writes nothing; Wine answers 0.
  char saved[MAX_PATH] = "";
  const bool hadTmp = GetEnvironmentVariableA("TMP", saved, MAX_PATH) != 0;
  const std::string tooLong = "C:\\" + std::string(300, 't');
  SetEnvironmentVariableA("TMP", tooLong.c_str());
  wchar_t probe[MAX_PATH] = L"";
  const DWORD needed = GetTempPathW(MAX_PATH, probe);
  const std::string result = FolderPath(11);
  SetEnvironmentVariableA("TMP", hadTmp ? saved : nullptr);
  ASSERT_TRUE(needed == 0 || needed > MAX_PATH) << "the system did not take the long TMP: " << needed;
  EXPECT_EQ(result, "");
}

TEST_F(SpecialFolderPath, UnknownCodesGiveTheEmptyText) {
  for (std::int32_t code : {0, 14, -1, 0x7FFFFFFF}) EXPECT_EQ(FolderPath(code), "") << code;
  const TextOfResult noCode(CallCommand(GetSpecialFolderPathCommand, ArgList{TextArg("3")}));
  EXPECT_TRUE(noCode.IsText());
  EXPECT_EQ(noCode.Value(), "");
}

// The shell names a folder from the user's shell folder settings; pointing one elsewhere for a
// moment shows what the command makes of unusual answers.
class RedirectedFolder : public test::RuntimeStarted {
 protected:
  static constexpr const wchar_t* kKey =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  static constexpr const wchar_t* kCacheKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  static constexpr const wchar_t* kValue = L"Favorites";

  void SetUp() override {
    m_saved = Read(kKey);
    m_savedCache = Read(kCacheKey);
  }
  void TearDown() override {
    Restore(kKey, m_saved);
    Restore(kCacheKey, m_savedCache);
  }
  void Redirect(const std::wstring& path) {
    const auto size = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, path.c_str(), size);
    RegSetKeyValueW(HKEY_CURRENT_USER, kCacheKey, kValue, REG_SZ, path.c_str(), size);
  }
  void Redirect(const std::string& path) { Redirect(test::Wide(path)); }

 private:
  struct Saved {
    bool present = false;
    DWORD type = 0;
    std::string data;
  };
  static Saved Read(const wchar_t* key) {
    Saved saved;
    char buffer[2048];
    DWORD size = sizeof buffer;
    saved.present = RegGetValueW(HKEY_CURRENT_USER, key, kValue, RRF_RT_ANY | RRF_NOEXPAND, &saved.type, buffer,
                                 &size) == ERROR_SUCCESS;
    if (saved.present) saved.data.assign(buffer, size);
    return saved;
  }
  static void Restore(const wchar_t* key, const Saved& saved) {
    if (saved.present) {
      RegSetKeyValueW(HKEY_CURRENT_USER, key, kValue, saved.type, saved.data.data(),
                      static_cast<DWORD>(saved.data.size()));
    } else {
      HKEY opened = nullptr;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
        RegDeleteValueW(opened, kValue);
        RegCloseKey(opened);
      }
    }
  }
  Saved m_saved;
  Saved m_savedCache;
};

TEST_F(RedirectedFolder, AFolderThatDoesNotExistIsNotCreated) {
  test::ScratchFolder scratch;
  const std::string missing = scratch / "NotThereYet";
  Redirect(missing);
  EXPECT_EQ(FolderPath(2), "");
  EXPECT_FALSE(test::PathExists(missing));
}

TEST_F(RedirectedFolder, APathOf259BytesStillGetsItsBackslash) {
  test::ScratchFolder scratch;
  // Two components, so that none is longer than a file system allows.
  std::string path = scratch / std::string(200, 'a');
  test::MakeFolder(path);
  path += '\\';
  path.resize(259, 'b');
  ASSERT_EQ(path.size(), 259u);
  ASSERT_TRUE(test::MakeFolder(path) || test::PathExists(path));
  Redirect(path);
  if (ShellFolder(CSIDL_FAVORITES) != path) GTEST_SKIP() << "the shell does not answer with the redirected folder";
  const std::string result = FolderPath(2);
  EXPECT_EQ(result.size(), 260u);
  EXPECT_EQ(result, path + "\\");
}

TEST_F(RedirectedFolder, AFolderOutsideGbkEndingInACharacterWhoseSecondByteIsABackslashComesBackWhole) {
  // Hangul and an emoji, which the code page cannot hold, and 淺 last, whose second GBK byte is
  // 0x5C: the path comes back whole and still gets its separator.
  test::ScratchFolder scratch;
  const std::wstring path = test::Wide(scratch.Path()) + L"\\한글😀淺";
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  Redirect(path);
  const std::string expected = scratch / test::SystemText(L"한글😀淺");
  ASSERT_EQ(expected.substr(expected.size() - 2), "\x9C\x5C");
  if (ShellFolder(CSIDL_FAVORITES) != expected) GTEST_SKIP() << "the shell does not answer with the redirected folder";
  EXPECT_EQ(FolderPath(2), expected + "\\");
}

}  // namespace
}  // namespace vl
