// The payload as the installer holds it: the catalogue's views over one contiguous run in the
// constant segment (the same bytes as the run the build wrote), the sixteen runtime libraries
// loading from files written straight from their byte sets, and the player starting, showing
// its playlist and ending with 0.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "payload/catalogue.h"
#include "payload_constants.h"
#include "runtime/unique_handle.h"
#include "tests/support/ui_automation.h"

namespace {

using vl::payload::PayloadEntry;

std::string g_runFile;  // the run the build wrote, as a Windows path

std::uint32_t Word(const void* at, std::size_t offset) {
  std::uint32_t value;
  std::memcpy(&value, static_cast<const char*>(at) + offset, sizeof value);
  return value;
}

std::string Gbk(const wchar_t* text) {
  char buffer[512] = {};
  WideCharToMultiByte(936, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return buffer;
}

std::size_t IndexOf(const PayloadEntry* entry) {
  return static_cast<std::size_t>(entry - vl::payload::Entries().data());
}

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    m_path = std::string(temp) + "vl_payload_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(m_path.c_str(), nullptr);
  }
  ~ScratchFolder() { Remove(m_path); }
  const std::string& Path() const { return m_path; }

  // Writes an entry as the installation does: install root + target path, the byte set's bytes.
  bool Write(const PayloadEntry& entry) const {
    const std::string path = m_path + entry.path;
    for (std::size_t at = m_path.size() + 1; (at = path.find('\\', at)) != std::string::npos; ++at) {
      CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    vl::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const DWORD length = Word(entry.content, 4);
    DWORD written = 0;
    return WriteFile(file.Get(), static_cast<const char*>(entry.content) + 8, length, &written,
                     nullptr) && written == length;
  }

 private:
  static void Remove(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(path);
        } else {
          SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA(path.c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
  }

  std::string m_path;
};

TEST(PayloadCatalogueTest, EntriesLieInOneContiguousRunEqualToTheBuiltRun) {
  const auto entries = vl::payload::Entries();
  ASSERT_EQ(entries.size(), 34u);
  // The installation names the labels directly; the views point at the same bytes.
  EXPECT_EQ(entries[0].path, kPayloadPath01);
  EXPECT_EQ(entries[0].content, kPayloadContent01);
  EXPECT_EQ(entries[6].content, kPayloadContent06);
  EXPECT_EQ(entries[14].content, kPayloadContent14);
  EXPECT_EQ(Word(kPayloadContent01, 0), 1u);
  EXPECT_EQ(Word(kPayloadContent01, 4), 1163776u);
  EXPECT_EQ(std::memcmp(kPayloadContent01 + 8, "MZ", 2), 0);

  const char* at = entries[0].path;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE("entry " + std::to_string(i + 1));
    ASSERT_EQ(entries[i].path, at);
    at += std::strlen(at) + 1;
    if (i == 6 || i == 14) {
      EXPECT_EQ(entries[i].content, entries[i - 1].content);  // shared, stored only once
      continue;
    }
    ASSERT_EQ(entries[i].content, static_cast<const void*>(at));
    ASSERT_EQ(Word(at, 0), 1u);
    at += 8 + Word(at, 4);
  }

  vl::UniqueFile file(CreateFileA(g_runFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file) << g_runFile;
  const std::size_t length = static_cast<std::size_t>(at - entries[0].path);
  ASSERT_EQ(GetFileSize(file.Get(), nullptr), length);
  std::vector<char> run(length);
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file.Get(), run.data(), static_cast<DWORD>(length), &read, nullptr));
  EXPECT_EQ(std::memcmp(run.data(), entries[0].path, length), 0);
}

TEST(PayloadCatalogueTest, FoldersAndMarkedEntriesComeInTheirOrders) {
  const wchar_t* folders[] = {
      L"Vorlane",           L"Vorlane\\音乐文件",     L"Vorlane\\udin",
      L"Vorlane\\tade",     L"Vorlane\\yx",           L"Vorlane\\tade\\velkor",
      L"Vorlane\\tade\\brasto", L"Vorlane\\tade\\corvey", L"Vorlane\\tade\\dorvik",
      L"Vorlane\\tade\\selmar", L"Vorlane\\tade\\tovrin", L"Vorlane\\tade\\yarnel",
      L"Vorlane\\tade\\lintok"};
  const auto stored = vl::payload::Folders();
  ASSERT_EQ(stored.size(), std::size(folders));
  for (std::size_t i = 0; i < stored.size(); ++i) EXPECT_EQ(stored[i], Gbk(folders[i]));

  std::vector<std::size_t> marked;
  for (const PayloadEntry* entry : vl::payload::MarkedEntries()) marked.push_back(IndexOf(entry) + 1);
  std::vector<std::size_t> expected;
  for (std::size_t i = 19; i <= 34; ++i) expected.push_back(i);
  expected.insert(expected.end(), {5, 6, 7});
  EXPECT_EQ(marked, expected);
  for (std::size_t i = 0; i < vl::payload::Entries().size(); ++i) {
    const bool isMarked = (i + 1 >= 19) || (i + 1 >= 5 && i + 1 <= 7);
    EXPECT_EQ(vl::payload::Entries()[i].hiddenSystem, isMarked) << "entry " << i + 1;
  }
}

struct LibraryInfo {
  const char* name;
  unsigned short playerMajor;
  unsigned short playerMinor;
};

TEST(PayloadProgramsTest, SixteenLibrariesLoadAndTellWhichTheyAre) {
  ScratchFolder folder;
  int loaded = 0;
  for (std::size_t i = 18; i < 34; ++i) {
    const PayloadEntry& entry = vl::payload::Entries()[i];
    SCOPED_TRACE(entry.path);
    ASSERT_TRUE(folder.Write(entry));
    vl::UniqueModule library(LoadLibraryA((folder.Path() + entry.path).c_str()));
    ASSERT_TRUE(library) << GetLastError();
    using GetInfo = const LibraryInfo* (*)();
    const auto getInfo = reinterpret_cast<GetInfo>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "GetLibraryInfo")));
    ASSERT_NE(getInfo, nullptr);
    const LibraryInfo* info = getInfo();
    EXPECT_STREQ(info->name, std::strrchr(entry.path, '\\') + 1);
    EXPECT_EQ(info->playerMajor, 2);
    EXPECT_EQ(info->playerMinor, 6);
    ++loaded;
  }
  EXPECT_EQ(loaded, 16);
}

// A list box's item as text, read across the process boundary.
std::wstring ListItem(HWND list, int index) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG,
                           5000, &length) || length > 1000) {
    return L"?";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                      reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

TEST(PayloadProgramsTest, PlayerShowsProductVersionAndPlaylistAndEndsWithZero) {
  ScratchFolder folder;
  const auto entries = vl::payload::Entries();
  ASSERT_TRUE(folder.Write(entries[0]));  // Vorlane.exe
  ASSERT_TRUE(folder.Write(entries[2]));  // tade\配置文件.ini

  const std::string program = folder.Path() + entries[0].path;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + program + "\"";
  ASSERT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, folder.Path().c_str(), &startup, &process));
  vl::UniqueKernelHandle processHandle(process.hProcess);
  vl::UniqueKernelHandle threadHandle(process.hThread);

  vl::test::WindowQuery query;
  query.className = L"VorlanePlayer";
  query.processId = process.dwProcessId;
  const HWND window = vl::test::WaitForWindow(query, 15000);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(vl::test::WindowCaption(window), L"Vorlane 音乐播放器");
  EXPECT_NE(vl::test::FindChild(window, L"版本 2.6", L"Static"), nullptr);
  const HWND list = vl::test::FindChild(window, nullptr, L"ListBox");
  ASSERT_NE(list, nullptr);

  const wchar_t* artists[] = {L"brasto", L"corvey", L"dorvik", L"selmar", L"tovrin",
                              L"velkor", L"yarnel", L"lintok", L"brasto"};
  DWORD_PTR count = 0;
  ASSERT_TRUE(SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count));
  ASSERT_EQ(count, std::size(artists));
  for (int i = 0; i < 9; ++i) {
    const std::wstring item = ListItem(list, i);
    EXPECT_EQ(item.rfind(std::to_wstring(i + 1) + L". " + artists[i] + L" - ", 0), 0u) << i;
  }
  EXPECT_EQ(ListItem(list, 0), L"1. brasto - 晨雾中的灯塔 (04:12)");
  // The last position of the configuration (track 6) is selected again.
  DWORD_PTR selected = 0;
  SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selected);
  EXPECT_EQ(selected, 5u);

  ASSERT_TRUE(vl::test::RequestClose(window));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
  DWORD exitCode = 0xDEADBEEF;
  GetExitCodeProcess(process.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: payload_windows_test <payload run file>\n");
    return 2;
  }
  g_runFile = argv[1];
  return RUN_ALL_TESTS();
}
