// The special folder command against the system's own answers.
#include "services/special_folders.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "service_test_support.h"

namespace vl {
namespace {

using test::OwnedText;

std::string FolderPath(std::int32_t code) {
  const OwnedText text(CallCommand(GetSpecialFolderPathCommand, ArgList{IntArg(code)}));
  EXPECT_TRUE(text.IsText()) << code;
  return text.Value();
}

std::string ShellFolder(int csidl) {
  char buffer[MAX_PATH] = "";
  return SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE) ? buffer : "";
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
  char buffer[MAX_PATH] = "";
  GetWindowsDirectoryA(buffer, MAX_PATH);
  EXPECT_EQ(FolderPath(9), WithBackslash(buffer));
  GetSystemDirectoryA(buffer, MAX_PATH);
  EXPECT_EQ(FolderPath(10), WithBackslash(buffer));

  // The temporary path already ends in a backslash and gets no second one.
  GetTempPathA(MAX_PATH, buffer);
  ASSERT_EQ(std::string(buffer).back(), '\\');
  EXPECT_EQ(FolderPath(11), buffer);
}

TEST_F(SpecialFolderPath, ATemporaryPathLongerThanTheBufferGivesTheEmptyText) {
  // Windows answers with the size it would need and writes nothing; Wine answers 0.
  char saved[MAX_PATH] = "";
  const bool hadTmp = GetEnvironmentVariableA("TMP", saved, MAX_PATH) != 0;
  const std::string tooLong = "C:\\" + std::string(300, 't');
  SetEnvironmentVariableA("TMP", tooLong.c_str());
  char probe[MAX_PATH] = "";
  const DWORD needed = GetTempPathA(MAX_PATH, probe);
  const std::string result = FolderPath(11);
  SetEnvironmentVariableA("TMP", hadTmp ? saved : nullptr);
  ASSERT_TRUE(needed == 0 || needed > MAX_PATH) << "the system did not take the long TMP: " << needed;
  EXPECT_EQ(result, "");
}

TEST_F(SpecialFolderPath, UnknownCodesGiveTheEmptyText) {
  for (std::int32_t code : {0, 12, -1, 0x7FFFFFFF}) EXPECT_EQ(FolderPath(code), "") << code;
  const OwnedText noCode(CallCommand(GetSpecialFolderPathCommand, ArgList{TextArg("3")}));
  EXPECT_TRUE(noCode.IsText());
  EXPECT_EQ(noCode.Value(), "");
}

// The shell names a folder from the user's shell folder settings; pointing one elsewhere for a
// moment shows what the command makes of unusual answers.
class RedirectedFolder : public test::RuntimeStarted {
 protected:
  static constexpr const char* kKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  static constexpr const char* kCacheKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  static constexpr const char* kValue = "Favorites";

  void SetUp() override {
    m_saved = Read(kKey);
    m_savedCache = Read(kCacheKey);
  }
  void TearDown() override {
    Restore(kKey, m_saved);
    Restore(kCacheKey, m_savedCache);
  }
  void Redirect(const std::string& path) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, path.c_str(), static_cast<DWORD>(path.size() + 1));
    RegSetKeyValueA(HKEY_CURRENT_USER, kCacheKey, kValue, REG_SZ, path.c_str(), static_cast<DWORD>(path.size() + 1));
  }

 private:
  struct Saved {
    bool present = false;
    DWORD type = 0;
    std::string data;
  };
  static Saved Read(const char* key) {
    Saved saved;
    char buffer[1024];
    DWORD size = sizeof buffer;
    saved.present = RegGetValueA(HKEY_CURRENT_USER, key, kValue, RRF_RT_ANY | RRF_NOEXPAND, &saved.type, buffer, &size) == ERROR_SUCCESS;
    if (saved.present) saved.data.assign(buffer, size);
    return saved;
  }
  static void Restore(const char* key, const Saved& saved) {
    if (saved.present) {
      RegSetKeyValueA(HKEY_CURRENT_USER, key, kValue, saved.type, saved.data.data(), static_cast<DWORD>(saved.data.size()));
    } else {
      HKEY opened = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
        RegDeleteValueA(opened, kValue);
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
  CreateDirectoryA(path.c_str(), nullptr);
  path += '\\';
  path.resize(259, 'b');
  ASSERT_EQ(path.size(), 259u);
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr) || test::PathExists(path));
  Redirect(path);
  if (ShellFolder(CSIDL_FAVORITES) != path) GTEST_SKIP() << "the shell does not answer with the redirected folder";
  const std::string result = FolderPath(2);
  EXPECT_EQ(result.size(), 260u);
  EXPECT_EQ(result, path + "\\");
}

TEST_F(RedirectedFolder, AFolderEndingInACharacterWhoseSecondByteIsABackslashGetsItsSeparator) {
  test::ScratchFolder scratch;
  const std::string path = scratch / "\x9C\x5C";  // 淺, whose second byte is 0x5C
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  Redirect(path);
  if (ShellFolder(CSIDL_FAVORITES) != path) GTEST_SKIP() << "the shell does not answer with the redirected folder";
  EXPECT_EQ(FolderPath(2), path + "\\");
}

}  // namespace
}  // namespace vl
