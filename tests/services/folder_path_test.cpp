// The install root in its sound form: absolute, an existing folder, exactly one separator.
#include "services/folder_path.h"

#include "service_test_support.h"

namespace vl {
namespace {

class FolderPath : public test::RuntimeStarted {
 protected:
  static std::string Resolve(const std::string& path) {
    return test::TextOfResult(CallCommand(GetFullFolderPathCommand, ArgList{TextArg(path.c_str())})).Value();
  }
};

TEST_F(FolderPath, AnExistingFolderComesBackAbsoluteWithOneSeparator) {
  test::ScratchFolder scratch;
  // Hangul and an emoji beside the Chinese: characters outside GBK come back whole.
  const std::string name = test::SystemText(L"应用 한글 😀");
  const std::string folder = scratch / name;
  ASSERT_TRUE(test::MakeFolder(folder));
  EXPECT_EQ(Resolve(folder), folder + "\\");
  EXPECT_EQ(Resolve(folder + "\\"), folder + "\\");
  EXPECT_EQ(Resolve(folder + "\\\\\\"), folder + "\\");
  EXPECT_EQ(Resolve(folder + "\\.\\..\\" + name), folder + "\\");
  EXPECT_EQ(Resolve("C:\\"), "C:\\");
  EXPECT_EQ(Resolve("c:\\windows"), "c:\\windows\\");
}

TEST_F(FolderPath, ARelativePathIsTakenAgainstTheCurrentFolder) {
  test::ScratchFolder scratch;
  ASSERT_TRUE(test::MakeFolder(scratch / "apps"));
  char saved[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
  const std::string relative = Resolve("apps");
  const std::string dot = Resolve(".");
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(relative, scratch / "apps\\");
  EXPECT_EQ(dot, scratch.Path() + "\\");
}

TEST_F(FolderPath, AMissingFolderAFileAndNothingAtAllAreRefused) {
  test::ScratchFolder scratch;
  const std::string file = scratch / "Vorlane";
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  CloseHandle(handle);
  EXPECT_EQ(Resolve(file), "");
  EXPECT_EQ(Resolve(scratch / "missing"), "");
  EXPECT_EQ(Resolve(""), "");
  EXPECT_EQ(Resolve("Q:\\" + std::string(300, 'x')), "");
  EXPECT_TRUE(test::TextOfResult(CallCommand(GetFullFolderPathCommand, ArgList{IntArg(1)})).IsText());
}

}  // namespace
}  // namespace vl
