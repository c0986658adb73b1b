#pragma once
// What the service tests share: the runtime started once (COM among it), GBK texts from wide
// literals, byte sets and texts owned for one test, and throwaway folders under the temporary
// folder that are removed with everything in them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/frame.h"

namespace vl::test {

// Windows behaviour that Wine does not reproduce is checked only on Windows.
inline bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The text in the ANSI code page (GBK in the tests' environment).
inline std::string Ansi(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
  result.resize(result.size() - 1);
  return result;
}

// A byte set block owned by the test.
class OwnedByteSet {
 public:
  explicit OwnedByteSet(const std::vector<std::uint8_t>& bytes) : m_block(MakeByteSet(bytes)) {}
  ~OwnedByteSet() { FreeMemory(m_block); }
  OwnedByteSet(const OwnedByteSet&) = delete;
  OwnedByteSet& operator=(const OwnedByteSet&) = delete;
  const void* Block() const { return m_block; }

 private:
  void* m_block;
};

// A text result taken over from a command: released when the test is done with it.
class OwnedText {
 public:
  explicit OwnedText(const ResultRecord& result) : m_text(TextResult(result)), m_tag(result.tag) {}
  ~OwnedText() { FreeMemory(m_text); }
  OwnedText(const OwnedText&) = delete;
  OwnedText& operator=(const OwnedText&) = delete;
  bool IsText() const { return m_tag == tag::kText; }
  std::string Value() const { return m_text == nullptr ? std::string() : std::string(m_text); }

 private:
  char* m_text;
  std::uint32_t m_tag;
};

// Removes a folder and everything in it, attributes notwithstanding.
inline void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) RemoveTree(child);
      else DeleteFileA(child.c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}

// A new empty folder for one test, removed with its contents at the end. `Path()` has no
// trailing backslash.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& parent = std::string()) {
    std::string base = parent;
    if (base.empty()) {
      char temp[MAX_PATH] = "";
      GetTempPathA(MAX_PATH, temp);
      base = temp;
    }
    if (!base.empty() && base.back() == '\\') base.pop_back();
    static int serial = 0;
    m_path = base + "\\vl_services_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    RemoveTree(m_path);
    CreateDirectoryA(m_path.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(m_path); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

 private:
  std::string m_path;
};

inline bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Starts the runtime once per test program, as a program's entry would.
class RuntimeStarted : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CallService(kServiceStartRuntime); }
};

}  // namespace vl::test
