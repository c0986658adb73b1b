#pragma once
// What the service tests share: the runtime started once (COM among it), the system's texts
// from wide literals and back, byte sets and texts owned for one test, and throwaway folders
// under the temporary folder that are removed with everything in them. Everything the tests
// give Windows or read back crosses as UTF-16, so that they read the same under every code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/frame.h"
#include "runtime/text_boundary.h"
#include "tests/support/file_tree.h"

namespace vl::test {

// Windows behaviour that Wine does not reproduce is checked only on Windows.
inline bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The system's form of a text (GB18030 bytes); "<unconvertible>" when it has none.
inline std::string SystemText(std::wstring_view text) {
  char* bytes = TextFromWide(text);
  const std::string result = bytes != nullptr ? bytes : "<unconvertible>";
  FreeMemory(bytes);
  return result;
}

// The UTF-16 form of one of the system's texts, for the tests' own Windows calls.
inline std::wstring Wide(const std::string& text) {
  const WideText wide(text);
  EXPECT_TRUE(wide.Valid()) << "not a text of the system";
  return wide.Valid() ? std::wstring(wide.Get(), wide.Length()) : std::wstring();
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

// A text result taken over from a command, with the type the command gave it.
class TextOfResult {
 public:
  explicit TextOfResult(const ResultRecord& result) : m_text(TextResult(result)), m_tag(result.tag) {}
  bool IsText() const { return m_tag == tag::kText; }
  std::string Value() const { return m_text ? std::string(m_text.Get()) : std::string(); }

 private:
  OwnedText m_text;
  std::uint32_t m_tag;
};

// Removes a folder and everything in it, attributes notwithstanding (tests/support/file_tree.h).
inline void RemoveTree(const std::string& path) { RemoveTree(Wide(path)); }

// A new empty folder for one test, removed with its contents at the end. `Path()` has no
// trailing backslash.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& parent = std::string()) {
    std::string base = parent;
    if (base.empty()) {
      wchar_t temp[MAX_PATH] = L"";
      GetTempPathW(MAX_PATH, temp);
      base = SystemText(temp);
    }
    if (!base.empty() && base.back() == '\\') base.pop_back();
    static int serial = 0;
    m_path = base + "\\vl_services_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    RemoveTree(m_path);
    CreateDirectoryW(Wide(m_path).c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(m_path); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

 private:
  std::string m_path;
};

inline DWORD Attributes(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()); }
inline bool PathExists(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
inline bool MakeFolder(const std::string& path) { return CreateDirectoryW(Wide(path).c_str(), nullptr) != FALSE; }

// Starts the runtime once per test program, as a program's entry would.
class RuntimeStarted : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CallService(kServiceStartRuntime); }
};

}  // namespace vl::test
