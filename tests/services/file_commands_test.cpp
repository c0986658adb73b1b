// The file-system commands against the real file system: throwaway folders under the temporary
// folder, a second process holding a file, and a 1 MiB drive of the test's own for a full disk.
#include "services/file_commands.h"
#include "services/sharing_retry.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "service_test_support.h"

namespace vl {
namespace {

using test::Attributes;
using test::OwnedByteSet;
using test::PathExists;
using test::ScratchFolder;

bool MakeDirectory(const std::string& path) {
  return BoolResult(CallCommand(MakeDirectoryCommand, ArgList{TextArg(path.c_str())}));
}

bool ChangeAttributes(const std::string& path, std::int32_t codes) {
  return BoolResult(CallCommand(ChangeFileAttributesCommand, ArgList{TextArg(path.c_str()), IntArg(codes)}));
}

std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(test::Wide(path).c_str(), std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PutFile(const std::string& path, const std::string& content) {
  std::ofstream(test::Wide(path).c_str(), std::ios::binary) << content;
}

// Wine reports every file as archived whatever was set, so the tests look at the other three
// settable attributes.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

TEST(MakeDirectory, CreatesOnlyTheLastComponentAndNeverAnExistingOne) {
  ScratchFolder scratch;
  EXPECT_FALSE(MakeDirectory(scratch / "missing\\child"));
  EXPECT_FALSE(PathExists(scratch / "missing"));

  EXPECT_TRUE(MakeDirectory(scratch / "made"));
  EXPECT_NE(Attributes(scratch / "made") & FILE_ATTRIBUTE_DIRECTORY, 0u);
  PutFile(scratch / "made\\kept.txt", "kept");
  EXPECT_FALSE(MakeDirectory(scratch / "made"));
  EXPECT_TRUE(PathExists(scratch / "made\\kept.txt"));

  EXPECT_FALSE(BoolResult(CallCommand(MakeDirectoryCommand, ArgList{IntArg(5)})));
}

TEST(WriteBytesToFile, OnlyAPathMakesOrEmptiesTheFile) {
  ScratchFolder scratch;
  const std::string path = scratch / "empty.bin";
  EXPECT_TRUE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str())})));
  ASSERT_TRUE(PathExists(path));
  EXPECT_TRUE(ReadFileBytes(path).empty());

  PutFile(path, "old content");
  EXPECT_TRUE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str())})));
  EXPECT_TRUE(ReadFileBytes(path).empty());
}

TEST(WriteBytesToFile, AnEmptyPathOrAMissingFolderTouchesNothing) {
  ScratchFolder scratch;
  const OwnedByteSet bytes(Bytes(10, 1));
  // An empty path would otherwise be handed to the system, relative to the current folder.
  EXPECT_FALSE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(""), ByteSetArg(bytes.Block())})));
  EXPECT_FALSE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(nullptr)})));
  EXPECT_FALSE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{})));

  const std::string inMissing = scratch / "missing\\file.bin";
  EXPECT_FALSE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(inMissing.c_str()), ByteSetArg(bytes.Block())})));
  EXPECT_FALSE(PathExists(scratch / "missing"));
}

TEST(WriteBytesToFile, WritesEveryByteSetInArgumentOrder) {
  ScratchFolder scratch;
  const std::string path = scratch / "joined.bin";
  PutFile(path, std::string(5000, 'x'));  // longer than what follows: the file must be truncated
  const auto first = Bytes(1000, 3);
  const auto second = Bytes(1, 200);
  const auto third = Bytes(2500, 9);
  const OwnedByteSet a(first), b(second), empty(std::vector<std::uint8_t>{}), c(third);
  ArgList args{TextArg(path.c_str()), ByteSetArg(a.Block()), ByteSetArg(empty.Block()), ByteSetArg(b.Block())};
  args.PadOmittedArguments(3).Add(ByteSetArg(c.Block()));
  EXPECT_TRUE(BoolResult(CallCommand(WriteBytesToFileCommand, args)));

  std::vector<std::uint8_t> expected;
  for (const auto* part : {&first, &second, &third}) {
    for (std::uint8_t byte : *part) expected.push_back(byte);
  }
  EXPECT_EQ(ReadFileBytes(path), expected);
  EXPECT_EQ(Attributes(path) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY), 0u);
}

TEST(WriteBytesToFile, AnExistingFileIsReplacedWholeNeverWrittenThrough) {
  ScratchFolder scratch;
  const OwnedByteSet bytes(Bytes(4, 1));
  // A second name of another file: the write replaces the name and leaves the other file alone.
  const std::string other = scratch / "elsewhere.dll";
  const std::string linked = scratch / "linked.dll";
  PutFile(other, "someone else's");
  ASSERT_TRUE(CreateHardLinkA(linked.c_str(), other.c_str(), nullptr));
  EXPECT_TRUE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(linked.c_str()), ByteSetArg(bytes.Block())})));
  EXPECT_EQ(ReadFileBytes(linked), Bytes(4, 1));
  const auto untouched = ReadFileBytes(other);
  EXPECT_EQ(std::string(untouched.begin(), untouched.end()), "someone else's");

  // Hidden and system files, and a replacement an interrupted write left: whatever the system
  // allows, the file ends up whole, old or new, and nothing is left under the replacement name.
  for (DWORD attributes : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
    const std::string path = scratch / ("marked" + std::to_string(attributes));
    PutFile(path, "original");
    PutFile(path + ".vlnew", "left over");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes));
    const bool written =
        BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str()), ByteSetArg(bytes.Block())}));
    const auto content = ReadFileBytes(path);
    const std::string original = "original";
    EXPECT_EQ(content, written ? Bytes(4, 1) : std::vector<std::uint8_t>(original.begin(), original.end()))
        << attributes;
    EXPECT_FALSE(PathExists(path + ".vlnew")) << attributes;
  }
}

// The holder program beside this test opens a file without sharing and keeps it open until told.
class HeldFile {
 public:
  explicit HeldFile(const std::string& path) {
    const std::string tag = std::to_string(GetCurrentProcessId());
    m_ready = CreateEventA(nullptr, TRUE, FALSE, ("vl_services_held_" + tag).c_str());
    m_release = CreateEventA(nullptr, TRUE, FALSE, ("vl_services_release_" + tag).c_str());
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string holder = self;
    holder = holder.substr(0, holder.find_last_of('\\') + 1) + "file_holder.exe";
    std::string commandLine = "\"" + holder + "\" \"" + path + "\" " + tag;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (CreateProcessA(holder.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process)) {
      m_holding = WaitForSingleObject(m_ready, 10000) == WAIT_OBJECT_0;
    }
  }
  ~HeldFile() {
    SetEvent(m_release);
    if (m_process.hProcess != nullptr) {
      WaitForSingleObject(m_process.hProcess, 10000);
      CloseHandle(m_process.hProcess);
      CloseHandle(m_process.hThread);
    }
    CloseHandle(m_ready);
    CloseHandle(m_release);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool Holding() const { return m_holding; }
  void Release() { SetEvent(m_release); }

 private:
  HANDLE m_ready = nullptr;
  HANDLE m_release = nullptr;
  PROCESS_INFORMATION m_process = {};
  bool m_holding = false;
};

TEST(WriteBytesToFile, AFileHeldOpenByAnotherProcessIsRefused) {
  ScratchFolder scratch;
  const std::string path = scratch / "held.txt";
  PutFile(path, "held");
  const OwnedByteSet bytes(Bytes(64, 1));
  {
    const HeldFile held(path);
    ASSERT_TRUE(held.Holding()) << "file_holder.exe did not open the file";
    EXPECT_FALSE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str()), ByteSetArg(bytes.Block())})));
  }
  const auto kept = ReadFileBytes(path);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "held");
  // Once released, the same call succeeds.
  EXPECT_TRUE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str()), ByteSetArg(bytes.Block())})));
  EXPECT_EQ(ReadFileBytes(path).size(), 64u);
}

// A step refused with a sharing violation (here a delete of a file another process holds open
// without sharing) is tried again for two seconds: a file held for a moment, as a scanner holds
// one it has just seen, is waited for; one held on is refused once the two seconds are over.
TEST(SharingRetry, AFileHeldForAMomentIsWaitedForAndOneHeldOnIsRefused) {
  ScratchFolder scratch;
  const std::string path = scratch / "scanned.txt";
  const std::wstring wide(path.begin(), path.end());
  const auto remove = [&wide] {
    for (const ULONGLONG start = GetTickCount64(); !DeleteFileW(wide.c_str());) {
      if (!TryAgainWhileShared(start)) return false;
    }
    return true;
  };
  PutFile(path, "scanned");
  {
    const HeldFile held(path);
    ASSERT_TRUE(held.Holding()) << "file_holder.exe did not open the file";
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(remove());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_GE(GetTickCount64() - start, 1900u);
  }
  ASSERT_TRUE(PathExists(path));
  {
    HeldFile held(path);
    ASSERT_TRUE(held.Holding());
    std::thread release([&held] {
      Sleep(300);
      held.Release();
    });
    EXPECT_TRUE(remove());
    release.join();
  }
  EXPECT_FALSE(PathExists(path));
}

TEST(WriteBytesToFileFullDisk, AFullDiskLeavesNoPartFileAndTheOldContent) {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExA("Q:\\", &available, &total, &free)) {
    GTEST_SKIP() << "drive Q: is not mapped: the full-disk fixture could not mount its 1 MiB tmpfs "
                    "(mounting needs root; see full_disk_setup in the ctest log)";
  }
  ASSERT_LT(total.QuadPart, 4u * 1024 * 1024) << "Q: is not the fixture's small filesystem";
  ScratchFolder scratch("Q:\\");
  ASSERT_TRUE(PathExists(scratch.Path()));
  const std::string path = scratch / "too_big.bin";
  const auto first = Bytes(600 * 1024, 11);
  const auto second = Bytes(900 * 1024, 13);
  const OwnedByteSet a(first), b(second);
  EXPECT_FALSE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str()), ByteSetArg(a.Block()), ByteSetArg(b.Block())})));
  EXPECT_FALSE(PathExists(path)) << "a new file that does not fit does not stay in part";

  // An existing file that the new content does not fit beside keeps its content.
  ASSERT_TRUE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str()), ByteSetArg(a.Block())})));
  EXPECT_FALSE(BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str()), ByteSetArg(b.Block())})));
  EXPECT_EQ(ReadFileBytes(path), first);
  EXPECT_FALSE(PathExists(path + ".vlnew"));
}

bool IsTrusted(const std::string& path) {
  return BoolResult(CallCommand(IsTrustedFolderCommand, ArgList{TextArg(path.c_str())}));
}

int ProtectFolder(const std::string& path, const char* list) {
  return IntResult(CallCommand(ProtectFolderCommand, ArgList{TextArg(path.c_str()), TextArg(list)}));
}

// The folder's access list as the system reads it back, entries made explicitly only.
std::string ExplicitAccessList(const std::string& path) {
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list, nullptr,
                            &descriptor) != ERROR_SUCCESS) {
    return "<unreadable>";
  }
  char* text = nullptr;
  ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                       nullptr);
  std::string result = text != nullptr ? text : "<none>";
  LocalFree(text);
  LocalFree(descriptor);
  return result;
}

TEST(ProtectFolder, CreatesWithTheListOrGivesItToTheFolderThere) {
  constexpr char kAdministratorsOnly[] = "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  ScratchFolder scratch;
  EXPECT_EQ(ProtectFolder(scratch / "new", kAdministratorsOnly), kFolderCreated);
  EXPECT_EQ(ProtectFolder(scratch / "new", kAdministratorsOnly), kFolderProtected);
  PutFile(scratch / "file", "not a folder");
  EXPECT_EQ(ProtectFolder(scratch / "file", kAdministratorsOnly), 0);
  EXPECT_EQ(ProtectFolder(scratch / "missing\\child", kAdministratorsOnly), 0);
  EXPECT_EQ(ProtectFolder(scratch / "bad", "not a list"), 0);
  EXPECT_FALSE(PathExists(scratch / "bad"));
  if (test::RunningUnderWine()) {
    GTEST_SKIP() << "Wine keeps only what the Unix mode can hold of an access list; on Windows the "
                    "folder reads back exactly the list given, nothing inherited";
  }
  EXPECT_EQ(ExplicitAccessList(scratch / "new"), kAdministratorsOnly);
}

TEST(FileCommands, NamesOutsideTheCodePageReachTheSystemWhole) {
  // Chinese, Hangul and an emoji (a four-byte character of the system's texts): whatever the
  // system's code page, the names the system keeps are exactly these, read back through names
  // the test spells in UTF-16 itself.
  constexpr char kAdministratorsOnly[] = "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  ScratchFolder scratch;
  const std::string folder = scratch / test::SystemText(L"音乐 한글 😀");
  const std::string file = folder + "\\" + test::SystemText(L"歌曲 🎵.bin");
  const std::wstring wideFile = test::Wide(scratch.Path()) + L"\\音乐 한글 😀\\歌曲 🎵.bin";
  const OwnedByteSet first(Bytes(16, 5)), second(Bytes(8, 9));
  EXPECT_TRUE(MakeDirectory(folder));
  EXPECT_EQ(ProtectFolder(folder, kAdministratorsOnly), kFolderProtected);
  EXPECT_TRUE(IsTrusted(folder));
  auto write = [](const std::string& path, const OwnedByteSet& bytes) {
    return BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path.c_str()), ByteSetArg(bytes.Block())}));
  };
  EXPECT_TRUE(write(file, first));
  EXPECT_TRUE(write(file, second));  // beside it under the replacement name, then moved over it
  EXPECT_TRUE(ChangeAttributes(file, FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(ReadFileBytes(wideFile), Bytes(8, 9));
  EXPECT_EQ(GetFileAttributesW(wideFile.c_str()) & kSettable, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

  // A path that is no text of the system (a lead byte without its trail) reaches nothing: no
  // command creates or changes anything under some other name.
  const std::string broken = scratch / "broken\x81";
  EXPECT_FALSE(MakeDirectory(broken));
  EXPECT_FALSE(write(broken, first));
  EXPECT_FALSE(ChangeAttributes(broken, 0));
  EXPECT_EQ(ProtectFolder(broken, kAdministratorsOnly), 0);
  EXPECT_FALSE(IsTrusted(broken));
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((test::Wide(scratch.Path()) + L"\\*").c_str(), &entry);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::wstring> names;
  do {
    if (entry.cFileName[0] != L'.') names.push_back(entry.cFileName);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  EXPECT_EQ(names, std::vector<std::wstring>{L"音乐 한글 😀"});
}

TEST(ChangeFileAttributes, SetsTheMaskedCodesAndClearsWithTheOthers) {
  ScratchFolder scratch;
  const std::string path = scratch / "marked.dll";
  PutFile(path, "x");
  EXPECT_TRUE(ChangeAttributes(path, 6));
  EXPECT_EQ(Attributes(path) & kSettable, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

  // The directory bit is not settable: 16 passes 0 and clears the settable attributes.
  EXPECT_TRUE(ChangeAttributes(path, 16));
  EXPECT_EQ(Attributes(path) & kSettable, 0u);
  EXPECT_EQ(Attributes(path) & FILE_ATTRIBUTE_DIRECTORY, 0u);

  EXPECT_TRUE(ChangeAttributes(path, 6));
  EXPECT_TRUE(ChangeAttributes(path, 128));
  EXPECT_EQ(Attributes(path) & kSettable, 0u);

  // Every bit above the mask is dropped; read-only, hidden, system and archive stay.
  EXPECT_TRUE(ChangeAttributes(path, -1));
  EXPECT_EQ(Attributes(path) & kSettable, kSettable);
  EXPECT_NE(Attributes(path) & FILE_ATTRIBUTE_ARCHIVE, 0u);
  EXPECT_EQ(Attributes(path) & (FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE), 0u);
  EXPECT_TRUE(ChangeAttributes(path, 0));
  EXPECT_EQ(Attributes(path) & kSettable, 0u);

  EXPECT_FALSE(ChangeAttributes(scratch / "missing.dll", 6));
  EXPECT_FALSE(PathExists(scratch / "missing.dll"));
}

}  // namespace
}  // namespace vl
