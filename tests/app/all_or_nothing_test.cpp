// A reinstallation over an older installation, or a first installation, that a refused step or the
// end of the process stops: the tree and the registration are exactly the old installation or the
// new one, after the run and after the next run of the installer or the uninstaller; the
// uninstaller leaves it exactly gone. Each row of the table runs in a Wine prefix of its own
// (tests/app/CMakeLists.txt); the probe built into the installer refuses steps or ends the process.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "installed_product.h"
#include "installer_session.h"
#include "payload/catalogue.h"
#include "tests/support/gbk_text.h"
#include "tests/support/ui_automation.h"

namespace vl::test {
namespace {

constexpr wchar_t kProductFolder[] = L"C:\\Program Files\\Vorlane";

// Every file and folder below the product folder with its attributes and bytes; the links are the
// installation's too, but they are not part of what is undone.
using Entries = std::map<std::wstring, std::pair<DWORD, std::string>>;

void ReadTree(const std::wstring& folder, Entries& entries) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L".." || name.ends_with(L".lnk")) continue;
    const std::wstring path = folder + L"\\" + name;
    const DWORD attributes = found.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      entries[path + L"\\"] = {attributes, {}};
      ReadTree(path, entries);
    } else {
      entries[path] = {attributes, FileBytes(path).value_or("<unreadable>")};
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Every value of the registration, by name: its type and bytes.
Entries ReadRegistration() {
  Entries values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
  wchar_t name[256];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = 256, type = 0, size = sizeof data;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    values[name] = {type, std::string(reinterpret_cast<char*>(data), size)};
  }
  RegCloseKey(key);
  return values;
}

struct Machine {
  Entries tree;
  Entries registration;
  bool operator==(const Machine&) const = default;
};

Machine Now() {
  Machine machine;
  ReadTree(kProductFolder, machine.tree);
  machine.registration = ReadRegistration();
  return machine;
}

// A silent run of the installer with the probe's variables set; its exit code, and its log.
struct RunResult {
  DWORD exitCode;
  std::string log;
  std::vector<std::string> access;  // the access lists the run gave folders, as the probe recorded them
};

RunResult Install(const std::wstring& refuse = {}, const std::wstring& endAt = {}, const std::wstring& root = {}) {
  ScratchFolder caller(L"caller");
  SetEnvironmentVariableW(L"VL_PROBE_REFUSE", refuse.empty() ? nullptr : refuse.c_str());
  SetEnvironmentVariableW(L"VL_PROBE_END_AT", endAt.empty() ? nullptr : endAt.c_str());
  InstallerSession session(L"/S /LOG=run.txt" + (root.empty() ? std::wstring() : L" /D=" + root), caller.Path());
  SetEnvironmentVariableW(L"VL_PROBE_REFUSE", nullptr);
  SetEnvironmentVariableW(L"VL_PROBE_END_AT", nullptr);
  const DWORD exitCode = session.WaitForExit(60000);
  return {exitCode, FileBytes(caller / L"run.txt").value_or(""), session.ProbeLines("access.txt")};
}

// The uninstaller as the registration runs it; once it has ended, its helper removes its file and
// the product folder.
DWORD Uninstall() {
  ChildProcess uninstaller(std::wstring(kProductFolder) + L"\\卸载.exe", L"/S");
  const DWORD exitCode = uninstaller.WaitForExit(60000);
  WaitUntil([] { return GetFileAttributesW(kProductFolder) == INVALID_FILE_ATTRIBUTES; }, 15000);
  return exitCode;
}

// The name of a carried file, `which` of them.
std::wstring CarriedName(std::size_t which) {
  std::wstring path = FromGbk(payload::Entries()[which].path);
  path.resize(std::wcslen(path.c_str()));
  return path.substr(path.rfind(L'\\') + 1);
}

// What a probe variable names: the end of a carried file's name (the first, the middle or the last
// one) with a suffix, or a text alone.
enum Carried : int { kNone = -1, kFirst, kMiddle, kLast };
struct Target {
  Carried file = kNone;
  const wchar_t* text = L"";

  std::wstring Text() const {
    const std::size_t last = payload::Entries().size() - 1;
    const std::size_t index = file == kFirst ? 0 : file == kMiddle ? last / 2 : last;
    return (file == kNone ? std::wstring() : CarriedName(index)) + text;
  }
};

enum class Next {
  kInstallerThenUninstaller,  // the next installer installs the new one, the uninstaller removes it
  kRecoveredThenRefused,      // the next installer, refused at its first write, leaves what recovery left
  kUninstaller,               // the uninstaller, first of all, puts the installation right and removes it
};

struct Row {
  const char* name;
  Target refuse;  // VL_PROBE_REFUSE
  Target endAt;   // VL_PROBE_END_AT
  DWORD exitCode;
  Next next;
  const char* recovery = nullptr;  // what the next run's log says it found
  bool endsNew = false;            // the pass was complete but for its registry values
};

class AllOrNothing : public ::testing::TestWithParam<Row> {
 protected:
  // The new installation, then an older one in its place: other bytes in every file (the
  // programs still run: the bytes are added at their end), an older name and version.
  void SetUp() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    SHCreateDirectoryExW(nullptr, QuickLaunchFolder().c_str(), nullptr);
    ASSERT_EQ(Install().exitCode, 0u);
    m_new = Now();
    for (const auto& [path, entry] : m_new.tree) {
      if (path.ends_with(L"\\")) continue;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
      DWORD written = 0;
      WriteFile(file, " 2.5", 4, &written, nullptr);
      CloseHandle(file);
      SetFileAttributesW(path.c_str(), entry.first);
    }
    for (const auto& [name, text] : {std::pair{L"DisplayVersion", L"2.5"}, std::pair{L"DisplayName", L"Vorlanev2.5"}}) {
      const auto bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
      ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, REG_SZ, text, bytes), ERROR_SUCCESS);
    }
    m_old = Now();
    ASSERT_NE(m_old, m_new);
  }

  void ExpectGoneAfterTheUninstaller() {
    EXPECT_EQ(Uninstall(), 0u);
    EXPECT_EQ(GetFileAttributesW(kProductFolder), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(ReadRegistration().empty());
  }

  Machine m_new;
  Machine m_old;
};

TEST_P(AllOrNothing, LeavesTheOldInstallationOrTheNewOneExactly) {
  const Row& row = GetParam();
  const RunResult stopped = Install(row.refuse.Text(), row.endAt.Text());
  EXPECT_EQ(stopped.exitCode, row.exitCode) << stopped.log;
  const Machine& expected = row.endsNew ? m_new : m_old;
  if (row.endAt.file == kNone && *row.endAt.text == L'\0') {
    EXPECT_EQ(Now(), m_old) << stopped.log;
    EXPECT_NE(stopped.log.find("undo ok "), std::string::npos) << stopped.log;
  }
  switch (row.next) {
    case Next::kInstallerThenUninstaller: {
      EXPECT_EQ(Install().exitCode, 0u);
      EXPECT_EQ(Now(), m_new);
      EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"2.6");
      EXPECT_EQ(UninstallValue(L"DisplayName"), L"Vorlanev2.6");
      break;
    }
    case Next::kRecoveredThenRefused: {
      const RunResult next = Install(Target{kFirst, L".vlnew"}.Text());
      EXPECT_EQ(next.exitCode, 7u) << next.log;
      EXPECT_NE(next.log.find(std::string("recovery ") + row.recovery + " "), std::string::npos) << next.log;
      EXPECT_EQ(Now(), expected);
      break;
    }
    case Next::kUninstaller: break;
  }
  ExpectGoneAfterTheUninstaller();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AllOrNothing,
    ::testing::Values(Row{"RefusedFirstWrite", {kFirst, L".vlnew"}, {}, 7, Next::kInstallerThenUninstaller},
                      Row{"RefusedMiddleWrite", {kMiddle, L".vlnew"}, {}, 7, Next::kInstallerThenUninstaller},
                      Row{"RefusedLastWrite", {kLast, L".vlnew"}, {}, 7, Next::kInstallerThenUninstaller},
                      Row{"RefusedRename", {kMiddle, L".vlold"}, {}, 7, Next::kInstallerThenUninstaller},
                      Row{"RefusedRegistryValue", {kNone, L"DisplayVersion"}, {}, 7, Next::kInstallerThenUninstaller},
                      Row{"EndedAmidTheRenames", {}, {kMiddle}, 99, Next::kRecoveredThenRefused, "restored"},
                      Row{"EndedAmidTheRenamesThenUninstalled", {}, {kMiddle}, 99, Next::kUninstaller},
                      Row{"EndedAmidTheRegistryValues", {}, {kNone, L"DisplayVersion"}, 99, Next::kRecoveredThenRefused,
                          "finished", true}),
    [](const ::testing::TestParamInfo<Row>& step) { return std::string(step.param.name); });

// A first installation that fails leaves no file, no folder and no registration; a full drive is
// refused before anything is written.
TEST(AllOrNothingFirst, AFailedFirstInstallationLeavesNothing) {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
  const RunResult refused = Install(Target{kMiddle}.Text());
  EXPECT_EQ(refused.exitCode, 7u) << refused.log;
  EXPECT_EQ(GetFileAttributesW(kProductFolder), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(ReadRegistration().empty());

  // Cut off, the next run puts the first installation back, product folder and all, and makes
  // the folder again as accepting a root makes it: with the product's own access list.
  const RunResult cut = Install({}, Target{kMiddle}.Text());
  const RunResult next = Install();
  EXPECT_EQ(next.exitCode, 0u) << next.log;
  EXPECT_EQ(cut.exitCode, 99u) << cut.log;
  EXPECT_NE(next.log.find("recovery restored "), std::string::npos) << next.log;
  const std::string made = "create\t" + vl::test::ToGbk(kProductFolder) + "\t";
  EXPECT_TRUE(std::ranges::any_of(next.access, [&](const std::string& line) { return line.starts_with(made); }));
  EXPECT_EQ(Uninstall(), 0u);

  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExW(L"R:\\", &available, &total, &free) || total.QuadPart > 4u * 1024 * 1024) {
    GTEST_SKIP() << "drive R: is not the test's small filesystem (mounting a tmpfs needs root)";
  }
  EXPECT_EQ(Install({}, {}, L"R:\\").exitCode, 1u);
  EXPECT_EQ(GetFileAttributesW(L"R:\\Vorlane"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(ReadRegistration().empty());
}

// A program holds an old file: its backup is left for the next restart, and the run says so.
TEST_F(AllOrNothing, ABackupThatAProgramHoldsGoesAtTheNextRestart) {
  // Loaded as an image, a file can be renamed but not deleted, on Windows as under Wine.
  const std::wstring held = std::wstring(kProductFolder) + L"\\shellEx.fne";
  HMODULE image = LoadLibraryExW(held.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(image, nullptr);
  const RunResult run = Install();
  EXPECT_EQ(run.exitCode, 3010u) << run.log;
  // The installation names a carried file by the root joined to its path, which starts with a
  // separator.
  EXPECT_NE(run.log.find("delete scheduled C:\\Program Files\\\\Vorlane\\shellEx.fne.vlold\r\n"), std::string::npos)
      << run.log;
  Machine expected = m_new;
  expected.tree[held + L".vlold"] = m_old.tree[held];
  EXPECT_EQ(Now(), expected);

  // Wine's wineboot -r carries out what a restart of Windows would.
  if (!RunningUnderWine()) return;
  FreeLibrary(image);
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  ChildProcess restart(std::wstring(system) + L"\\wineboot.exe", L"-r", system);
  EXPECT_EQ(restart.WaitForExit(60000), 0u);
  EXPECT_EQ(Now(), m_new);
}

}  // namespace
}  // namespace vl::test
