// Shell links saved by the command and read back through the shell's own link object.
#include "services/shell_link.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <fstream>
#include <string>

#include "service_test_support.h"
#include "services/com_ptr.h"

namespace vl {
namespace {

using test::PathExists;
using test::ScratchFolder;

struct LinkFields {
  bool loaded = false;
  std::string path;
  std::string description;
  std::string arguments;
  std::string workingFolder;
  int showCommand = -1;
  std::string parsingName;  // of the target item: a file path or a web address alike
};

LinkFields ReadLink(const std::string& file) {
  LinkFields fields;
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> persist;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()))) return fields;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.PutVoid()))) return fields;
  const int size = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), size);
  if (FAILED(persist->Load(wide.c_str(), STGM_READ))) return fields;
  fields.loaded = true;
  char buffer[1024] = "";
  if (link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH) == S_OK) fields.path = buffer;
  buffer[0] = '\0';
  if (SUCCEEDED(link->GetDescription(buffer, sizeof buffer))) fields.description = buffer;
  buffer[0] = '\0';
  if (SUCCEEDED(link->GetArguments(buffer, sizeof buffer))) fields.arguments = buffer;
  buffer[0] = '\0';
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, sizeof buffer))) fields.workingFolder = buffer;
  link->GetShowCmd(&fields.showCommand);
  PIDLIST_ABSOLUTE item = nullptr;
  PWSTR name = nullptr;
  if (link->GetIDList(&item) == S_OK && SUCCEEDED(SHGetNameFromIDList(item, SIGDN_DESKTOPABSOLUTEPARSING, &name))) {
    fields.parsingName = test::Ansi(name);
    CoTaskMemFree(name);
  }
  CoTaskMemFree(item);
  return fields;
}

bool CreateLink(const std::string& name, const std::string& target, const ArgList& more = ArgList{}) {
  ArgList args{TextArg(name.c_str()), TextArg(target.c_str())};
  for (int i = 0; i < more.Count(); ++i) args.Add(more.Records()[i]);
  return BoolResult(CallCommand(CreateShortCutCommand, args));
}

class CreateShortCut : public test::RuntimeStarted {};

TEST_F(CreateShortCut, SavesTargetAndDescription) {
  ScratchFolder scratch;
  const std::string target = scratch / "Vorlane\\Vorlane.exe";
  const std::string description = test::Ansi(L"启动 Vorlane 音乐播放器");
  ArgList more{TextArg(description.c_str())};
  more.PadOmittedArguments(6);  // five slots, the last two left out, as the installer passes them
  ASSERT_TRUE(CreateLink(scratch / "Player", target, more));
  EXPECT_FALSE(PathExists(scratch / "Player"));
  const LinkFields link = ReadLink(scratch / "Player.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.path, target);
  EXPECT_EQ(link.description, description);
  EXPECT_EQ(link.arguments, "");
  EXPECT_EQ(link.workingFolder, "");
}

// The show command as stored in the link file's fixed header (a 76-byte header whose 32-bit
// show command sits at offset 60).
std::uint32_t StoredShowCommand(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char header[76] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 76) return 0xFFFFFFFF;
  return header[60] | (header[61] << 8) | (header[62] << 16) | (static_cast<std::uint32_t>(header[63]) << 24);
}

TEST_F(CreateShortCut, IsShownNormally) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateLink(scratch / "Shown", scratch / "target.exe"));
  EXPECT_EQ(StoredShowCommand(scratch / "Shown.lnk"), static_cast<std::uint32_t>(SW_SHOW));
  const LinkFields link = ReadLink(scratch / "Shown.lnk");
  ASSERT_TRUE(link.loaded);
  if (test::RunningUnderWine()) {
    GTEST_SKIP() << "Windows reads the stored show command back as SW_SHOW (5); Wine's link object "
                    "reads it back as another value";
  }
  EXPECT_EQ(link.showCommand, SW_SHOW);
}

TEST_F(CreateShortCut, ArgumentsAndWorkingFolderNeedAllFiveSlots) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path();
  ASSERT_TRUE(CreateLink(scratch / "Five", scratch / "a.exe", ArgList{TextArg("desc"), TextArg("/quiet"), TextArg(folder.c_str())}));
  LinkFields link = ReadLink(scratch / "Five.lnk");
  EXPECT_EQ(link.description, "desc");
  EXPECT_EQ(link.arguments, "/quiet");
  EXPECT_EQ(link.workingFolder, folder);

  // Four slots: the arguments are not looked at.
  ASSERT_TRUE(CreateLink(scratch / "Four", scratch / "a.exe", ArgList{TextArg("desc"), TextArg("/quiet")}));
  link = ReadLink(scratch / "Four.lnk");
  EXPECT_EQ(link.description, "desc");
  EXPECT_EQ(link.arguments, "");

  // Two slots: no description.
  ASSERT_TRUE(CreateLink(scratch / "Two", scratch / "a.exe"));
  link = ReadLink(scratch / "Two.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.description, "");
}

TEST_F(CreateShortCut, AWebAddressIsPassedOnUnchanged) {
  ScratchFolder scratch;
  const std::string address = "http://www.vorlane.example/index.htm";
  ASSERT_TRUE(CreateLink(scratch / "Website", address));
  const LinkFields link = ReadLink(scratch / "Website.lnk");
  ASSERT_TRUE(link.loaded);
  if (test::RunningUnderWine()) {
    GTEST_SKIP() << "Windows keeps a web address as the link's target item; Wine's link object takes it "
                    "for a file name relative to the current folder";
  }
  EXPECT_EQ(link.parsingName, address);
}

TEST_F(CreateShortCut, LnkIsAppendedOnlyWithoutAnyFullStop) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateDirectoryA((scratch / "Product.Folder").c_str(), nullptr));
  // A full stop in a folder name is enough for the name to be used as it stands.
  ASSERT_TRUE(CreateLink(scratch / "Product.Folder\\Home", "http://www.vorlane.example/"));
  EXPECT_TRUE(PathExists(scratch / "Product.Folder\\Home"));
  EXPECT_FALSE(PathExists(scratch / "Product.Folder\\Home.lnk"));
  EXPECT_TRUE(ReadLink(scratch / "Product.Folder\\Home").loaded);

  ASSERT_TRUE(CreateLink(scratch / "Uninstall.url", scratch / "u.exe"));
  EXPECT_TRUE(PathExists(scratch / "Uninstall.url"));
  EXPECT_FALSE(PathExists(scratch / "Uninstall.url.lnk"));

  // The name goes to the shell through the ANSI code page.
  const std::string chinese = test::Ansi(L"卸载 Vorlane");
  ASSERT_TRUE(CreateLink(scratch / chinese, scratch / "u.exe"));
  const std::wstring wideFolder(scratch.Path().begin(), scratch.Path().end());
  EXPECT_NE(GetFileAttributesW((wideFolder + L"\\卸载 Vorlane.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CreateShortCut, AnExistingLinkIsOverwritten) {
  ScratchFolder scratch;
  ASSERT_TRUE(CreateLink(scratch / "Again", scratch / "first.exe", ArgList{TextArg("first")}));
  ASSERT_TRUE(CreateLink(scratch / "Again", scratch / "second.exe", ArgList{TextArg("second")}));
  const LinkFields link = ReadLink(scratch / "Again.lnk");
  EXPECT_EQ(link.path, scratch / "second.exe");
  EXPECT_EQ(link.description, "second");
}

TEST_F(CreateShortCut, FailsCleanlyWhenTheLinkCannotBeSaved) {
  ScratchFolder scratch;
  EXPECT_FALSE(CreateLink(scratch / "Missing\\Link", scratch / "a.exe"));
  EXPECT_FALSE(PathExists(scratch / "Missing"));
  EXPECT_FALSE(CreateLink("", scratch / "a.exe"));
  EXPECT_FALSE(BoolResult(CallCommand(CreateShortCutCommand, ArgList{})));
}

TEST_F(CreateShortCut, ANameTooLongForLnkIsRefused) {
  ScratchFolder scratch;
  const std::string folder = scratch.Path() + "\\";
  // 255 bytes and ".lnk" fill the 260-byte name with its terminator; one byte more does not fit.
  const std::string longest = folder + std::string(255 - folder.size(), 'n');
  const std::string tooLong = folder + std::string(256 - folder.size(), 'm');
  EXPECT_TRUE(CreateLink(longest, scratch / "a.exe"));
  EXPECT_TRUE(PathExists(longest + ".lnk"));
  EXPECT_FALSE(CreateLink(tooLong, scratch / "a.exe"));
  EXPECT_FALSE(PathExists(tooLong + ".lnk"));
  EXPECT_FALSE(PathExists(tooLong));
}

}  // namespace
}  // namespace vl
