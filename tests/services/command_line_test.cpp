// The switches of both programs as an administrator's script writes them: names in any case, the
// help switch in both spellings, the first unknown argument kept as given, and the paths of /D=
// and /LOG= resolved against the caller's current folder (/D= taking the rest of the line).
#include "services/command_line.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/text_boundary.h"

namespace {

struct ReadLine {
  explicit ReadLine(const wchar_t* line, bool takesRoot = true) : options(vl::ReadCommandLine(line, takesRoot)) {}
  ~ReadLine() { vl::ReleaseCommandLine(options); }
  vl::CommandLine options;
};

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  std::wstring text = folder;
  if (!text.ends_with(L'\\')) text += L'\\';
  return text;
}

TEST(CommandLine, SwitchesInAnyCaseAndTheFirstUnknownArgument) {
  const ReadLine all(L"\"C:\\安装 程序.exe\" /s /closeApplications /ALLOWUNPROTECTED");
  EXPECT_TRUE(all.options.silent);
  EXPECT_TRUE(all.options.closeApplications);
  EXPECT_TRUE(all.options.allowUnprotected);
  EXPECT_FALSE(all.options.help);
  EXPECT_EQ(all.options.unknown, nullptr);
  EXPECT_EQ(all.options.root, nullptr);

  EXPECT_TRUE(ReadLine(L"setup.exe /?").options.help);
  EXPECT_TRUE(ReadLine(L"setup.exe /Help").options.help);
  const ReadLine unknown(L"setup.exe /S /X \"/Y z\"");
  ASSERT_NE(unknown.options.unknown, nullptr);
  EXPECT_STREQ(unknown.options.unknown, L"/X");
}

TEST(CommandLine, PathsAreTheCallersAndTheRootTakesTheRestOfTheLine) {
  const ReadLine paths(L"setup.exe /LOG=run.log /S /D=sub\\My Dir");
  ASSERT_NE(paths.options.log, nullptr);
  EXPECT_EQ(std::wstring(paths.options.log), CurrentFolder() + L"run.log");
  ASSERT_NE(paths.options.root, nullptr);
  EXPECT_TRUE(paths.options.silent);
  const vl::WideText root(paths.options.root);
  ASSERT_TRUE(root.Valid());
  EXPECT_EQ(std::wstring(root.Get()), CurrentFolder() + L"sub\\My Dir");
  // The uninstaller takes no root: there /D= is an argument it does not know.
  const ReadLine uninstaller(L"卸载.exe /D=C:\\x", false);
  EXPECT_EQ(uninstaller.options.root, nullptr);
  EXPECT_NE(uninstaller.options.unknown, nullptr);
}

}  // namespace
