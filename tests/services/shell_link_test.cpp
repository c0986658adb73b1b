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
#include <iterator>
#include <string>

#include "runtime/com_ptr.h"
#include "service_test_support.h"

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

// Every field read through the link object's wide interface, in the system's form.
LinkFields ReadLink(const std::wstring& file) {
  LinkFields fields;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> persist;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()))) {
    return fields;
  }
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.PutVoid()))) return fields;
  if (FAILED(persist->Load(file.c_str(), STGM_READ))) return fields;
  fields.loaded = true;
  wchar_t buffer[1024] = L"";
  if (link->GetPath(buffer, std::size(buffer), nullptr, SLGP_RAWPATH) == S_OK) fields.path = test::SystemText(buffer);
  buffer[0] = L'\0';
  if (SUCCEEDED(link->GetDescription(buffer, std::size(buffer)))) fields.description = test::SystemText(buffer);
  buffer[0] = L'\0';
  if (SUCCEEDED(link->GetArguments(buffer, std::size(buffer)))) fields.arguments = test::SystemText(buffer);
  buffer[0] = L'\0';
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, std::size(buffer)))) fields.workingFolder = test::SystemText(buffer);
  link->GetShowCmd(&fields.showCommand);
  PIDLIST_ABSOLUTE item = nullptr;
  PWSTR name = nullptr;
  if (link->GetIDList(&item) == S_OK && SUCCEEDED(SHGetNameFromIDList(item, SIGDN_DESKTOPABSOLUTEPARSING, &name))) {
    fields.parsingName = test::SystemText(name);
    CoTaskMemFree(name);
  }
  CoTaskMemFree(item);
  return fields;
}
LinkFields ReadLink(const std::string& file) { return ReadLink(test::Wide(file)); }

bool CreateLink(const std::string& name, const std::string& target, const ArgList& more = ArgList{}) {
  ArgList args{TextArg(name.c_str()), TextArg(target.c_str())};
  for (int i = 0; i < more.Count(); ++i) args.Add(more.Records()[i]);
  return BoolResult(CallCommand(CreateShortCutCommand, args));
}

class CreateShortCut : public test::RuntimeStarted {};

TEST_F(CreateShortCut, SavesTargetAndDescription) {
  ScratchFolder scratch;
  const std::string target = scratch / "Vorlane\\Vorlane.exe";
  const std::string description = test::SystemText(L"启动 Vorlane 音乐播放器");
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
  ASSERT_TRUE(test::MakeFolder(scratch / "Product.Folder"));
  // A full stop in a folder name is enough for the name to be used as it stands.
  ASSERT_TRUE(CreateLink(scratch / "Product.Folder\\Home", "http://www.vorlane.example/"));
  EXPECT_TRUE(PathExists(scratch / "Product.Folder\\Home"));
  EXPECT_FALSE(PathExists(scratch / "Product.Folder\\Home.lnk"));
  EXPECT_TRUE(ReadLink(scratch / "Product.Folder\\Home").loaded);

  ASSERT_TRUE(CreateLink(scratch / "Uninstall.url", scratch / "u.exe"));
  EXPECT_TRUE(PathExists(scratch / "Uninstall.url"));
  EXPECT_FALSE(PathExists(scratch / "Uninstall.url.lnk"));
}

TEST_F(CreateShortCut, TextsOutsideTheCodePageReachTheLinkWhole) {
  // Hangul and emoji, which GBK cannot hold, in every text: the link file and every field read
  // back through names the test spells in UTF-16 itself.
  ScratchFolder scratch;
  const std::string target = scratch / test::SystemText(L"음악\\播放器 🎵.exe");
  const std::string description = test::SystemText(L"启动 😀");
  const std::string arguments = test::SystemText(L"/歌 \"노래\"");
  const std::string folder = scratch / test::SystemText(L"음악");
  ASSERT_TRUE(test::MakeFolder(folder));
  CloseHandle(CreateFileW(test::Wide(target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(CreateLink(scratch / test::SystemText(L"卸载 한글 😀"), target,
                         ArgList{TextArg(description.c_str()), TextArg(arguments.c_str()), TextArg(folder.c_str())}));
  const LinkFields link = ReadLink(test::Wide(scratch.Path()) + L"\\卸载 한글 😀.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.parsingName, target);
  EXPECT_EQ(link.description, description);
  EXPECT_EQ(link.arguments, arguments);
  EXPECT_EQ(link.workingFolder, folder);

  // A text that is no text of the system (a lead byte without its trail) saves nothing.
  EXPECT_FALSE(CreateLink(scratch / "Broken\x81", target));
  EXPECT_FALSE(CreateLink(scratch / "Broken", target, ArgList{TextArg("\x81")}));
  EXPECT_FALSE(PathExists(scratch / "Broken.lnk"));
  if (test::RunningUnderWine()) {
    GTEST_SKIP() << "Windows keeps the target's path in UTF-16 beside the target item; Wine's link object keeps "
                    "that path only in the system's code page, so it reads back with \"?\" for what the code page "
                    "cannot hold (the target item above is whole)";
  }
  EXPECT_EQ(link.path, target);
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
