// The carried uninstaller end to end: the real installer installs into a scratch root, then the
// installed 卸载.exe runs and its message boxes are answered as a user would.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>

#include "installed_files.h"
#include "tests/support/file_tree.h"
#include "tests/support/gbk_text.h"
#include "tests/support/shell_link_target.h"
#include "tests/support/ui_automation.h"

namespace {

using vl::test::FromGbk;
using vl::test::MakeFolderLink;
using vl::test::RemoveTree;
using vl::test::WindowQuery;

std::wstring g_setup;     // the installer, VorlaneSetup.exe
std::wstring g_helper;    // the clean-up helper as built
std::wstring g_programs;  // this test's folder, with the test builds of the programs

constexpr wchar_t kPageTitle[] = L"Vorlane V2.6 绿色中文版";
constexpr wchar_t kUninstallTitle[] = L"Vorlane 卸载";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlane";
constexpr DWORD kWindowTimeoutMs = 15000;
constexpr wchar_t kSystemUpdateNeeded[] =
    L"此程序需要 Windows 的安全更新 KB2533623 才能安全运行，请先通过 Windows 更新安装它（或使用较新版本的 Windows），然后再运行此程序。";

// Arguments and test names, which are ASCII, in the ANSI code page.
std::wstring Wide(const std::string& text) {
  std::wstring out(text.size() + 1, L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
  out.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
  return out;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

std::wstring DesktopLink() { return SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Tamsic.lnk"; }
std::wstring ProgramGroup() { return SpecialFolder(CSIDL_PROGRAMS) + L"\\Vorlane"; }
std::wstring QuickLaunchFolder() {
  return SpecialFolder(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch";
}

std::optional<std::wstring> ReadUninstallValue(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

bool KeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

struct Process {
  HANDLE handle = nullptr;
  DWORD id = 0;
  ~Process() {
    if (handle) CloseHandle(handle);
  }
};

// Starts a program; `beforeRunning`, when given, runs while its first thread is still suspended.
bool Start(const std::wstring& program, const std::wstring& arguments, Process& process,
           const std::function<void(DWORD processId)>& beforeRunning = {}) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                      beforeRunning ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  if (beforeRunning) {
    beforeRunning(info.dwProcessId);
    ResumeThread(info.hThread);
  }
  CloseHandle(info.hThread);
  process.handle = info.hProcess;
  process.id = info.dwProcessId;
  return true;
}

std::optional<DWORD> ExitCodeAfter(const Process& process, DWORD timeoutMs) {
  if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process.handle, &code);
  return code;
}

HWND WaitForPage(DWORD processId) {
  return vl::test::WaitForWindow(WindowQuery{nullptr, kPageTitle, processId}, kWindowTimeoutMs);
}

// Walks the installer through its pages into `root` and finishes it. Exit code 0 expected.
void Install(const std::wstring& root) {
  Process setup;
  ASSERT_TRUE(Start(g_setup, L"", setup));
  for (int page = 0; page < 2; ++page) {
    HWND window = WaitForPage(setup.id);
    ASSERT_NE(window, nullptr) << "page " << page << ", on screen:\n" << vl::test::DescribeWindows(setup.id);
    ASSERT_TRUE(vl::test::SendClick(vl::test::FindChild(window, L"下一步", L"Button")));
    ASSERT_TRUE(vl::test::WaitForWindowGone(window, kWindowTimeoutMs));
  }
  HWND location = WaitForPage(setup.id);
  ASSERT_NE(location, nullptr);
  ASSERT_TRUE(vl::test::SetText(vl::test::FindChild(location, nullptr, L"Edit"), root));
  ASSERT_TRUE(vl::test::PostClick(vl::test::FindChild(location, L"下一步", L"Button")));
  HWND finish = nullptr;
  ASSERT_TRUE(vl::test::WaitUntil(
      [&] {
        HWND page = vl::test::FindTopLevelWindow(WindowQuery{nullptr, kPageTitle, setup.id});
        finish = page ? vl::test::FindChild(page, L"安装完成", L"Button") : nullptr;
        return finish != nullptr && IsWindowEnabled(finish);
      },
      60000));
  ASSERT_TRUE(vl::test::PostClick(finish));
  EXPECT_EQ(ExitCodeAfter(setup, kWindowTimeoutMs), 0u);
}

struct UninstallRun {
  std::optional<DWORD> exitCode;
  std::wstring question;
  std::wstring result;  // the final message; empty when there was none
};

HWND WaitForUninstallBox(DWORD processId) {
  return vl::test::WaitForWindow(WindowQuery{vl::test::kDialogClass, kUninstallTitle, processId},
                                 kWindowTimeoutMs);
}

// Runs an uninstaller, answers its question and acknowledges its final message.
UninstallRun RunUninstaller(const std::wstring& program, int answer,
                            const std::function<void(DWORD processId)>& beforeRunning = {},
                            const std::wstring& arguments = L"") {
  UninstallRun run;
  Process process;
  if (!Start(program, arguments, process, beforeRunning)) return run;
  HWND question = WaitForUninstallBox(process.id);
  if (question == nullptr) return run;
  run.question = vl::test::MessageBoxText(question).value_or(L"");
  vl::test::AnswerDialog(question, answer);
  if (answer == IDYES && vl::test::WaitForWindowGone(question, kWindowTimeoutMs)) {
    if (HWND result = WaitForUninstallBox(process.id)) {
      run.result = vl::test::MessageBoxText(result).value_or(L"");
      vl::test::AnswerDialog(result, IDOK);
    }
  }
  run.exitCode = ExitCodeAfter(process, kWindowTimeoutMs);
  return run;
}

// Whether a process runs from a file whose name starts with `prefix`.
bool ProcessRuns(const wchar_t* prefix) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
    found = std::wstring(entry.szExeFile).starts_with(prefix);
  }
  CloseHandle(snapshot);
  return found;
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return temp;
}

// What the helper probe recorded: helper (the uninstaller's text, GBK), write and delete.
std::map<std::string, std::string> HelperProbeRecord() {
  std::map<std::string, std::string> record;
  std::ifstream in((TempFolder() + L"vl_helper_probe.txt").c_str());
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) record[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return record;
}

// Runs a command line as the system runs a registration's command, from `folder`, and waits for
// it to end; every window the process shows meanwhile is named in `windows`.
std::optional<DWORD> RunUnattended(std::wstring commandLine, const std::wstring& folder, std::wstring& windows) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  Process process{info.hProcess, info.dwProcessId};
  vl::test::WaitUntil(
      [&] {
        if (vl::test::FindTopLevelWindow(WindowQuery{nullptr, nullptr, process.id})) {
          windows += vl::test::DescribeWindows(process.id);
        }
        return WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0;
      },
      60000);
  return ExitCodeAfter(process, 0);
}

// A UTF-8 file's lines, each of which must end in CRLF; nothing when the bytes are not UTF-8 or
// a line break is anything but CRLF.
std::optional<std::vector<std::wstring>> ReadCrlfUtf8Lines(const std::wstring& file) {
  std::ifstream in(file.c_str(), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring text(bytes.size(), L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                         text.data(), static_cast<int>(text.size()));
  if (bytes.empty() || length <= 0) return std::nullopt;
  text.resize(static_cast<std::size_t>(length));
  std::vector<std::wstring> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find(L"\r\n", at);
    if (end == std::wstring::npos) return std::nullopt;
    lines.push_back(text.substr(at, end - at));
    if (lines.back().find_first_of(L"\r\n") != std::wstring::npos) return std::nullopt;
    at = end + 2;
  }
  return lines;
}

class Uninstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
    SHCreateDirectoryExW(nullptr, QuickLaunchFolder().c_str(), nullptr);
    m_root = TempFolder() + L"vl uninstall " + Wide(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             L"\\";
    RemoveTree(m_root.substr(0, m_root.size() - 1));
    CreateDirectoryW(m_root.c_str(), nullptr);
    Install(TypedRoot());
  }
  // The root as the user types it on LocationPage.
  virtual std::wstring TypedRoot() const { return m_root; }
  void TearDown() override {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
    CoUninitialize();
  }

  std::wstring Product() const { return m_root + L"Vorlane"; }
  std::wstring UninstallerFile() const { return Product() + L"\\卸载.exe"; }
  // An installed path (GBK, relative to the root, starting with a backslash) in full.
  std::wstring FromRoot(const char* relative) const { return m_root.substr(0, m_root.size() - 1) + FromGbk(relative); }

  int CountInstalledFiles() const {
    int present = 0;
    for (const char* file : vl::uninstall::kInstalledFiles) present += Exists(FromRoot(file));
    return present;
  }

  std::vector<std::wstring> Links() const {
    return {DesktopLink(), ProgramGroup() + L"\\Tamsic.lnk", ProgramGroup() + L"\\卸载.lnk",
            Product() + L"\\官方网址.lnk", QuickLaunchFolder() + L"\\Tamsic.lnk"};
  }

  void ExpectInstalled() const {
    EXPECT_EQ(CountInstalledFiles(), 34);
    for (const std::wstring& link : Links()) EXPECT_TRUE(Exists(link)) << link;
    EXPECT_EQ(ReadUninstallValue(L"DisplayIcon"), UninstallerFile());
  }

  // Every installed file's bytes and attributes.
  std::map<std::wstring, std::pair<std::string, DWORD>> InstalledContents() const {
    std::map<std::wstring, std::pair<std::string, DWORD>> contents;
    for (const char* file : vl::uninstall::kInstalledFiles) {
      const std::wstring path = FromRoot(file);
      std::ifstream in(path.c_str(), std::ios::binary);
      contents[path] = {std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
                        GetFileAttributesW(path.c_str())};
    }
    return contents;
  }

  bool WaitForHelper() const {
    return vl::test::WaitUntil([&] { return !Exists(UninstallerFile()) && !ProcessRuns(L"VorlaneCleanup"); }, 20000);
  }

  std::wstring m_root;
};

TEST_F(Uninstaller, RemovesEverythingItsInstallationMadeAndThenItself) {
  ExpectInstalled();
  // Started as a user would: what the program group's link names.
  EXPECT_EQ(vl::test::ShellLinkTarget(ProgramGroup() + L"\\卸载.lnk"), vl::test::StoredLinkTarget(UninstallerFile()));
  const UninstallRun run = RunUninstaller(UninstallerFile(), IDYES);
  EXPECT_NE(run.question.find(Product()), std::wstring::npos);
  EXPECT_EQ(run.result, L"Vorlane 已从您的计算机中删除。");
  EXPECT_EQ(run.exitCode, 0u);

  ASSERT_TRUE(WaitForHelper());
  EXPECT_FALSE(Exists(Product()));
  EXPECT_TRUE(Exists(m_root));  // the install root was there before
  for (const std::wstring& link : Links()) EXPECT_FALSE(Exists(link));
  EXPECT_FALSE(Exists(ProgramGroup()));
  EXPECT_TRUE(Exists(QuickLaunchFolder()));  // the system's folder
  EXPECT_FALSE(KeyExists());
  // The helper cannot delete its own file while it runs: it goes at the next start.
  wchar_t pending[8192] = {};
  DWORD size = sizeof pending - 2 * sizeof(wchar_t);
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                         L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, pending, &size),
            ERROR_SUCCESS);
  bool helperListed = false;
  for (const wchar_t* at = pending; *at != L'\0'; at += wcslen(at) + 1) {
    helperListed = helperListed || std::wstring(at).find(L"VorlaneCleanup") != std::wstring::npos;
  }
  EXPECT_TRUE(helperListed);
}

TEST_F(Uninstaller, TheQuietUninstallStringRemovesEverythingWithoutAWindowAndLogsInUtf8) {
  // What the registration's QuietUninstallString holds, as the system runs it; switches in any case.
  const std::wstring quiet = L"\"" + UninstallerFile() + L"\" /S";
  std::wstring windows;
  EXPECT_EQ(RunUnattended(quiet + L" /bogus", m_root, windows), 2u);
  ExpectInstalled();

  // A relative log path names a file in the caller's folder; an earlier run's lines stay.
  const std::wstring log = m_root + L"卸载 记录.txt";
  std::ofstream(log.c_str(), std::ios::binary) << "earlier run\r\n";
  const std::wstring commandLine = quiet + L" /log=\"卸载 记录.txt\"";
  EXPECT_EQ(RunUnattended(commandLine, m_root, windows), 0u);
  EXPECT_EQ(windows, L"");
  ASSERT_TRUE(WaitForHelper());
  EXPECT_FALSE(Exists(Product()));
  for (const std::wstring& link : Links()) EXPECT_FALSE(Exists(link));
  EXPECT_FALSE(Exists(ProgramGroup()));
  EXPECT_FALSE(KeyExists());

  const std::optional<std::vector<std::wstring>> lines = ReadCrlfUtf8Lines(log);
  ASSERT_TRUE(lines) << "UTF-8 with CRLF line ends";
  ASSERT_GE(lines->size(), 4u);
  EXPECT_EQ((*lines)[0], L"earlier run");
  EXPECT_EQ((*lines)[1], commandLine);
  EXPECT_EQ((*lines)[2], m_root);
  EXPECT_EQ(lines->back(), L"verdict ok 0");
  const auto logged = [&](const std::wstring& line) { return std::ranges::count(*lines, line); };
  EXPECT_EQ(logged(L"file ok " + Product() + L"\\使用说明.txt"), 1);
  EXPECT_EQ(logged(L"file ok " + Product() + L"\\tade\\配置文件教程.ini"), 1);
  EXPECT_EQ(logged(L"folder ok " + Product() + L"\\音乐文件"), 1);
  EXPECT_EQ(logged(L"shortcut ok " + DesktopLink()), 1);
  EXPECT_EQ(logged(L"shortcut ok " + ProgramGroup() + L"\\卸载.lnk"), 1);
  EXPECT_EQ(logged(L"folder ok " + ProgramGroup()), 1);
  EXPECT_EQ(logged(std::wstring(L"registry ok HKEY_LOCAL_MACHINE\\") + kUninstallKey), 1);
  // 33 files (all but the uninstaller), 5 links, the folders below the product folder, the group
  // and the registration, each once, and nothing else.
  EXPECT_EQ(lines->size(), 3 + 33 + 5 + std::size(vl::uninstall::kInstalledFolders) - 1 + 1 + 1 + 1);
  EXPECT_EQ(std::ranges::count_if(*lines, [](const std::wstring& line) { return line.find(L" ok ") != line.npos; }),
            static_cast<long>(lines->size()) - 3);
}

TEST_F(Uninstaller, KeepsAFolderHoldingTheUsersOwnFileAndNamesIt) {
  const std::wstring music = Product() + L"\\音乐文件";
  const std::wstring song = music + L"\\下载的歌.mp3";
  HANDLE file = CreateFileW(song.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  const UninstallRun run = RunUninstaller(UninstallerFile(), IDYES);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_NE(run.result.find(L"已保留"), std::wstring::npos);
  EXPECT_NE(run.result.find(music + L"\r\n"), std::wstring::npos) << "the message names the folder";
  ASSERT_TRUE(WaitForHelper());
  EXPECT_TRUE(Exists(song));
  EXPECT_EQ(CountInstalledFiles(), 0);
  EXPECT_FALSE(Exists(Product() + L"\\tade"));
  EXPECT_FALSE(Exists(Product() + L"\\udin"));
  EXPECT_FALSE(KeyExists());
}

TEST_F(Uninstaller, NoChangesNothingAndACopyOutsideTheProductFolderRemovesNothing) {
  const UninstallRun no = RunUninstaller(UninstallerFile(), IDNO);
  EXPECT_EQ(no.exitCode, 2u);
  EXPECT_TRUE(no.result.empty());
  ExpectInstalled();
  EXPECT_EQ(GetFileAttributesW((Product() + L"\\krnln.fnr").c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

  const std::wstring elsewhere = m_root + L"其他";
  CreateDirectoryW(elsewhere.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(UninstallerFile().c_str(), (elsewhere + L"\\卸载.exe").c_str(), FALSE));
  Process copy;
  ASSERT_TRUE(Start(elsewhere + L"\\卸载.exe", L"", copy));
  HWND refusal = WaitForUninstallBox(copy.id);
  ASSERT_NE(refusal, nullptr);
  EXPECT_NE(vl::test::MessageBoxText(refusal).value_or(L"").find(L"未删除任何内容"), std::wstring::npos);
  vl::test::AnswerDialog(refusal, IDOK);
  EXPECT_EQ(ExitCodeAfter(copy, kWindowTimeoutMs), 3u);
  ExpectInstalled();
}

TEST_F(Uninstaller, AFileThatCannotBeMovedLeavesEverythingAsItWasUntilASecondRun) {
  const auto installed = InstalledContents();
  // Held without sharing deletion, the file can be neither moved nor deleted. It comes late among
  // the files, so most of them have been moved aside by then and must come back.
  const std::wstring busy = Product() + L"\\krnln.fnr";
  HANDLE file = CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const UninstallRun first = RunUninstaller(UninstallerFile(), IDYES);
  CloseHandle(file);
  EXPECT_EQ(first.exitCode, 1u);
  EXPECT_NE(first.result.find(L"未被删除"), std::wstring::npos) << first.result;
  EXPECT_NE(first.result.find(L"\r\n" + busy + L"\r\n"), std::wstring::npos) << first.result;
  EXPECT_EQ(InstalledContents(), installed) << "every file where it was, byte for byte, attributes and all";
  for (const char* name : vl::uninstall::kInstalledFiles) EXPECT_FALSE(Exists(FromRoot(name) + L".vlrm"));
  ExpectInstalled();

  const std::optional<std::wstring> command = ReadUninstallValue(L"UninstallString");
  ASSERT_EQ(command, L"\"" + UninstallerFile() + L"\"");
  const UninstallRun second = RunUninstaller(command->substr(1, command->size() - 2), IDYES);
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_EQ(second.result, L"Vorlane 已从您的计算机中删除。");
  ASSERT_TRUE(WaitForHelper());
  EXPECT_FALSE(Exists(Product()));
  EXPECT_FALSE(Exists(ProgramGroup()));
  EXPECT_FALSE(KeyExists());
}

TEST_F(Uninstaller, AFileThatCanBeMovedButNotDeletedGoesWhenTheSystemNextStarts) {
  // A loaded library's file can be renamed but not deleted, on Windows as under Wine. This test
  // program holds it: Wine's Restart Manager names no program, and the test is not named like a
  // product file, so the uninstaller goes ahead.
  const std::wstring held = Product() + L"\\shellEx.fne";
  const std::wstring aside = held + L".vlrm";
  HMODULE library = LoadLibraryExW(held.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(library, nullptr);
  const std::wstring log = m_root + L"卸载.log";
  const UninstallRun run = RunUninstaller(UninstallerFile(), IDYES, {}, L"/LOG=\"" + log + L"\"");
  FreeLibrary(library);
  EXPECT_EQ(run.exitCode, 3010u);
  EXPECT_EQ(run.result, L"Vorlane 已从您的计算机中删除。\r\n\r\n以下文件和文件夹将在重新启动计算机后删除：\r\n" + aside +
                            L"\r\n" + Product());
  // The run is complete: the uninstaller, its links and the registration go now.
  ASSERT_TRUE(WaitForHelper());
  EXPECT_EQ(CountInstalledFiles(), 0);
  for (const std::wstring& link : Links()) EXPECT_FALSE(Exists(link)) << link;
  EXPECT_FALSE(KeyExists());
  EXPECT_TRUE(Exists(aside));
  const std::optional<std::vector<std::wstring>> lines = ReadCrlfUtf8Lines(log);
  ASSERT_TRUE(lines);
  EXPECT_EQ(std::ranges::count(*lines, L"file scheduled " + aside), 1);
  EXPECT_EQ(std::ranges::count(*lines, L"folder scheduled " + Product()), 1);
  EXPECT_EQ(lines->back(), L"verdict ok 0");

  // The file is deleted before its folder when the system next starts; Wine's wineboot -r
  // carries out what a restart of Windows would.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (GetProcAddress(ntdll, "wine_get_version") == nullptr) return;
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring windows;
  EXPECT_EQ(RunUnattended(std::wstring(L"\"") + system + L"\\wineboot.exe\" -r", system, windows), 0u);
  EXPECT_FALSE(Exists(aside));
  EXPECT_FALSE(Exists(Product()));
  EXPECT_TRUE(Exists(m_root));
}

TEST_F(Uninstaller, LeavesTheRegistrationToALaterInstallationElsewhere) {
  // A second root takes the registration over; the first installation's uninstaller then leaves
  // it to the second.
  const std::wstring other = m_root + L"other\\";
  CreateDirectoryW(other.c_str(), nullptr);
  Install(other);
  const std::wstring otherUninstaller = other + L"Vorlane\\卸载.exe";
  ASSERT_EQ(ReadUninstallValue(L"DisplayIcon"), otherUninstaller);

  const UninstallRun run = RunUninstaller(UninstallerFile(), IDYES);
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_TRUE(WaitForHelper());
  EXPECT_FALSE(Exists(UninstallerFile()));
  EXPECT_TRUE(Exists(otherUninstaller));
  EXPECT_EQ(ReadUninstallValue(L"DisplayIcon"), otherUninstaller);
  EXPECT_EQ(ReadUninstallValue(L"DisplayName"), L"Vorlanev2.6");
  EXPECT_EQ(ReadUninstallValue(L"UninstallString"), L"\"" + otherUninstaller + L"\"");
}

TEST_F(Uninstaller, NeverGoesThroughALinkBelowTheProductFolder) {
  // Someone swapped tade for a link to a folder holding files of the catalogue's names: the
  // elevated uninstaller would delete them wherever the link leads.
  const std::wstring tade = Product() + L"\\tade";
  const std::wstring target = m_root + L"tade elsewhere";
  ASSERT_TRUE(MoveFileW(tade.c_str(), target.c_str()));
  ASSERT_TRUE(MakeFolderLink(tade, target));
  std::vector<std::wstring> behind;
  for (const char* file : vl::uninstall::kInstalledFiles) {
    const std::wstring path = FromRoot(file);
    if (path.starts_with(tade + L"\\")) behind.push_back(target + path.substr(tade.size()));
  }
  ASSERT_EQ(behind.size(), 14u);

  const UninstallRun run = RunUninstaller(UninstallerFile(), IDYES);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_NE(run.result.find(L"以下项目是指向其他位置的链接，未进入也未删除，已保留：\r\n" + tade), std::wstring::npos)
      << run.result;
  ASSERT_TRUE(WaitForHelper());
  for (const std::wstring& file : behind) EXPECT_TRUE(Exists(file)) << file;
  EXPECT_TRUE(Exists(tade));
  EXPECT_FALSE(Exists(Product() + L"\\Vorlane.exe"));
  EXPECT_FALSE(KeyExists());
}

TEST_F(Uninstaller, TheHelperRunsFromANewFolderOfItsOwnHeldAgainstChange) {
  // The probe build stands in for the installed uninstaller, and starts a helper that records the
  // deletions it makes through its handles.
  ASSERT_TRUE(CopyFileW((g_programs + L"UninstallHelperProbe.exe").c_str(), UninstallerFile().c_str(), FALSE));
  const std::wstring deletions = TempFolder() + L"vl_helper_deletions.txt";
  DeleteFileW(deletions.c_str());
  SetEnvironmentVariableW(L"VL_PROBE_HELPER_PROGRAM", (g_programs + L"CleanupHelperProbe.exe").c_str());
  // Where the helper used to go, from this process's id on: whatever someone put there stays
  // unused.
  std::wstring planted;
  const UninstallRun run = RunUninstaller(UninstallerFile(), IDYES, [&](DWORD processId) {
    planted = TempFolder() + L"VorlaneCleanup" + std::to_wstring(processId) + L".exe";
    HANDLE file = CreateFileW(planted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "planted", 7, &written, nullptr);
    CloseHandle(file);
  });
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.result, L"Vorlane 已从您的计算机中删除。");

  const auto record = HelperProbeRecord();
  const std::string temp = vl::test::ToGbk(TempFolder());
  const std::string helper = record.count("helper") ? record.at("helper") : "";
  ASSERT_EQ(helper.size(), temp.size() + 15 + 16 + 19) << helper;
  EXPECT_EQ(helper.substr(0, temp.size() + 15), temp + "VorlaneCleanup-");
  EXPECT_EQ(helper.substr(temp.size() + 15 + 16), "\\VorlaneCleanup.exe");
  EXPECT_EQ(helper.find_first_not_of("0123456789abcdef", temp.size() + 15), temp.size() + 15 + 16);
  EXPECT_EQ(record.at("write"), std::to_string(ERROR_SHARING_VIOLATION)) << "the helper's file takes no writes";
  EXPECT_EQ(record.at("delete"), std::to_string(ERROR_SHARING_VIOLATION)) << "nor can it be deleted";
  SetEnvironmentVariableW(L"VL_PROBE_HELPER_PROGRAM", nullptr);
  ASSERT_TRUE(vl::test::WaitUntil([&] { return !Exists(Product()); }, 20000));
  EXPECT_FALSE(KeyExists());
  std::ifstream deletionRecord(deletions.c_str(), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(deletionRecord), std::istreambuf_iterator<char>()};
  const std::wstring deleted(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
  const std::wstring uninstallerName = UninstallerFile().substr(UninstallerFile().rfind(L'\\'));
  // The uninstaller's file, then the product folder: nothing else, each once.
  const std::wstring first = deleted.substr(0, deleted.find(L'\n'));
  EXPECT_TRUE(first.ends_with(uninstallerName)) << vl::test::ToGbk(deleted);
  EXPECT_TRUE(deleted.ends_with(L"\\Vorlane\n")) << vl::test::ToGbk(deleted);
  EXPECT_EQ(std::count(deleted.begin(), deleted.end(), L'\n'), 2);
  HANDLE file = CreateFileW(planted.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  char content[16] = {};
  DWORD read = 0;
  ReadFile(file, content, sizeof content, &read, nullptr);
  CloseHandle(file);
  DeleteFileW(planted.c_str());
  EXPECT_EQ(std::string(content, read), "planted");
}

TEST_F(Uninstaller, AHelperThatRefusesLeavesEverythingForASecondRun) {
  const std::wstring original = m_root + L"uninstaller.exe";
  ASSERT_TRUE(CopyFileW(UninstallerFile().c_str(), original.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((g_programs + L"UninstallHelperProbe.exe").c_str(), UninstallerFile().c_str(), FALSE));
  SetEnvironmentVariableW(L"VL_PROBE_HELPER_REFUSES", L"1");
  const UninstallRun first = RunUninstaller(UninstallerFile(), IDYES);
  SetEnvironmentVariableW(L"VL_PROBE_HELPER_REFUSES", nullptr);
  EXPECT_EQ(first.exitCode, 1u);
  EXPECT_NE(first.result.find(UninstallerFile() + L"\r\n"), std::wstring::npos) << first.result;
  // The way back to the uninstaller stays; the helper's file and folder are gone.
  EXPECT_EQ(CountInstalledFiles(), 1);
  EXPECT_TRUE(Exists(UninstallerFile()));
  EXPECT_TRUE(Exists(ProgramGroup() + L"\\卸载.lnk"));
  EXPECT_EQ(ReadUninstallValue(L"DisplayIcon"), UninstallerFile());
  const std::string helper = HelperProbeRecord()["helper"];
  ASSERT_FALSE(helper.empty());
  EXPECT_TRUE(vl::test::WaitUntil([&] { return !Exists(FromGbk(helper.substr(0, helper.rfind('\\')))); }, 10000));

  ASSERT_TRUE(CopyFileW(original.c_str(), UninstallerFile().c_str(), FALSE));
  const UninstallRun second = RunUninstaller(UninstallerFile(), IDYES);
  EXPECT_EQ(second.exitCode, 0u);
  ASSERT_TRUE(WaitForHelper());
  EXPECT_FALSE(Exists(Product()));
  EXPECT_FALSE(Exists(ProgramGroup()));
  EXPECT_FALSE(KeyExists());
}

TEST_F(Uninstaller, OnASystemWithoutTheLoaderUpdateTheProgramsSayWhyAndDoNothing) {
  struct Case {
    std::wstring program;
    std::wstring arguments;
    DWORD exitCode;
  };
  const std::wstring uninstaller = Product() + L"\\UninstallNoLoaderUpdate.exe";
  ASSERT_TRUE(CopyFileW((g_programs + L"UninstallNoLoaderUpdate.exe").c_str(), uninstaller.c_str(), FALSE));
  const Case cases[] = {
      {g_programs + L"VorlaneSetupNoLoaderUpdate.exe", L"", static_cast<DWORD>(-1)},
      {uninstaller, L"", 4},
      {g_programs + L"CleanupNoLoaderUpdate.exe", L"1 2 \"" + UninstallerFile() + L"\"", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    Process process;
    ASSERT_TRUE(Start(c.program, c.arguments, process));
    HWND box = vl::test::WaitForWindow(WindowQuery{vl::test::kDialogClass, L"错误", process.id}, kWindowTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(vl::test::MessageBoxText(box).value_or(L""), kSystemUpdateNeeded);
    EXPECT_EQ(vl::test::FindTopLevelWindow(WindowQuery{nullptr, kPageTitle, process.id}), nullptr);
    vl::test::AnswerDialog(box, IDOK);
    EXPECT_EQ(ExitCodeAfter(process, kWindowTimeoutMs), c.exitCode);
  }
  DeleteFileW(uninstaller.c_str());
  ExpectInstalled();
}

// Installed through the short form of the root (C:\PROGRA~1\ for C:\Program Files\): the
// registration and the links name the uninstaller in that form.
class UninstallerOfAShortFormRoot : public Uninstaller {
 protected:
  std::wstring TypedRoot() const override {
    wchar_t shortForm[MAX_PATH] = {};
    GetShortPathNameW(m_root.c_str(), shortForm, MAX_PATH);
    return shortForm;
  }
};

TEST_F(UninstallerOfAShortFormRoot, RemovesEverything) {
  const std::optional<std::wstring> command = ReadUninstallValue(L"UninstallString");
  ASSERT_TRUE(command);
  ASSERT_EQ(command->rfind(L"\"" + TypedRoot(), 0), 0u) << *command;
  ASSERT_NE(TypedRoot(), m_root) << "the root has a short form of its own";
  const UninstallRun run = RunUninstaller(command->substr(1, command->size() - 2), IDYES);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.result, L"Vorlane 已从您的计算机中删除。");
  ASSERT_TRUE(WaitForHelper());
  EXPECT_FALSE(Exists(Product()));
  EXPECT_FALSE(Exists(ProgramGroup()));
  EXPECT_FALSE(KeyExists());
}

// The helper started by anyone but the uninstaller: a handle it did not inherit, or its own
// process's pseudo handle, gets nothing deleted.
TEST(CleanupHelper, DoesNothingWhenNotStartedByTheUninstaller) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring victim = std::wstring(temp) + L"vl helper victim.txt";
  HANDLE file = CreateFileW(victim.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  for (const wchar_t* handle : {L"4294967295 4294967295", L"1234 1238", L"", L"x"}) {
    Process helper;
    ASSERT_TRUE(Start(g_helper, std::wstring(handle) + L" \"" + victim + L"\"", helper));
    EXPECT_EQ(ExitCodeAfter(helper, kWindowTimeoutMs), 1u) << handle;
    EXPECT_TRUE(Exists(victim)) << handle;
  }
  DeleteFileW(victim.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    fprintf(stderr, "usage: uninstaller_test <VorlaneSetup.exe> <cleanup helper>\n");
    return 2;
  }
  g_setup = Wide(argv[1]);
  g_helper = Wide(argv[2]);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  g_programs = self;
  g_programs.resize(g_programs.rfind(L'\\') + 1);
  return RUN_ALL_TESTS();
}
