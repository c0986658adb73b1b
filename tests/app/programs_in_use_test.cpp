// The installed player running while the product is installed again or removed: the installer
// and the uninstaller find it before they change anything, and close it only gracefully and only
// when they may; a copy of the player elsewhere is never touched; a second installer changes
// nothing. Each scenario runs in a Wine prefix of its own (tests/app/CMakeLists.txt).
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "installed_product.h"
#include "installer_session.h"
#include "payload/catalogue.h"
#include "tests/support/gbk_text.h"
#include "tests/support/ui_automation.h"

namespace vl::test {
namespace {

constexpr wchar_t kRoot[] = L"C:\\Program Files\\";
constexpr wchar_t kProductFolder[] = L"C:\\Program Files\\Vorlane";
constexpr wchar_t kPlayerTitle[] = L"Vorlane 音乐播放器";
constexpr wchar_t kPlayerLine[] = L"Vorlane.exe（Vorlane 音乐播放器）";

// What tells a file that was replaced from one left alone: its identity and its last write.
struct FileState {
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  FILETIME written{};

  bool operator==(const FileState& other) const {
    return indexHigh == other.indexHigh && indexLow == other.indexLow &&
           CompareFileTime(&written, &other.written) == 0;
  }
};

// Every carried file under kRoot as it is now; a missing file is absent from the map.
std::map<std::wstring, FileState> InstalledFiles() {
  std::map<std::wstring, FileState> files;
  for (const payload::PayloadEntry& entry : payload::Entries()) {
    const std::wstring path = kRoot + FromGbk(entry.path).substr(1);
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION information;
    if (file == INVALID_HANDLE_VALUE) continue;
    if (GetFileInformationByHandle(file, &information)) {
      files[path] = {information.nFileIndexHigh, information.nFileIndexLow, information.ftLastWriteTime};
    }
    CloseHandle(file);
  }
  return files;
}

// A player started from `folder` (its product folder), its window on screen.
class RunningPlayer {
 public:
  explicit RunningPlayer(const std::wstring& folder) : m_process(folder + L"\\Vorlane.exe", L"") {
    m_window = WaitForWindow({nullptr, kPlayerTitle, m_process.Id()}, 20000);
  }
  bool Shown() const { return m_window != nullptr; }
  bool Running() const { return m_process.WaitForExit(0) == STILL_ACTIVE; }
  // The exit code once it has ended by itself; STILL_ACTIVE when it runs on.
  DWORD WaitForExit(DWORD timeoutMs) const { return m_process.WaitForExit(timeoutMs); }

 private:
  ChildProcess m_process;
  HWND m_window = nullptr;
};

class ProgramsInUse : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
    InstallerSession install(L"/S");
    ASSERT_EQ(install.WaitForExit(60000), 0u);
    m_installed = InstalledFiles();
    ASSERT_EQ(m_installed.size(), payload::Entries().size());
  }

  // Nothing of the installation has changed since it was made.
  void ExpectUntouched() const { EXPECT_TRUE(InstalledFiles() == m_installed); }
  // Every carried file was written again, byte for byte.
  void ExpectEveryFileNew() const {
    const auto now = InstalledFiles();
    for (const auto& [path, state] : m_installed) {
      const auto found = now.find(path);
      EXPECT_TRUE(found != now.end() && !(found->second == state)) << Utf8(path);
    }
    ExpectPayloadInstalled(kRoot);
  }

  static std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    return bytes;
  }

  std::map<std::wstring, FileState> m_installed;
};

// The box a program shows when programs hold the product's files; its message, or nothing.
std::optional<std::wstring> InUseBox(DWORD processId, HWND& box) {
  box = WaitForWindow({kDialogClass, L"提示", processId}, 20000);
  return box != nullptr ? MessageBoxText(box) : std::nullopt;
}

TEST_F(ProgramsInUse, TheRunningPlayerIsClosedOnlyWhenTheUserAgrees) {
  // A copy of the product elsewhere, its player running throughout: the same name, another file.
  ScratchFolder elsewhere(L"elsewhere");
  ASSERT_TRUE(CreateDirectoryW((elsewhere / L"Vorlane").c_str(), nullptr));
  for (const wchar_t* name : {L"Vorlane.exe", L"使用说明.txt"}) {
    ASSERT_TRUE(CopyFileW((std::wstring(kProductFolder) + L"\\" + name).c_str(), (elsewhere / L"Vorlane\\" + name).c_str(),
                          FALSE));
  }
  RunningPlayer other(elsewhere / L"Vorlane");
  RunningPlayer player(kProductFolder);
  ASSERT_TRUE(other.Shown() && player.Shown());

  InstallerSession session;
  HWND location = session.ToLocationPage();
  ASSERT_NE(location, nullptr);
  session.Click(location, L"下一步");
  HWND box = nullptr;
  // One line: the installed player, named with its window's title; the copy elsewhere is not one.
  EXPECT_EQ(InUseBox(session.ProcessId(), box),
            std::wstring(L"以下程序正在使用需要更新的文件：\n\n") + kPlayerLine +
                L"\n\n单击“确定”关闭这些程序并继续，单击“取消”返回。");
  ASSERT_NE(box, nullptr);
  AnswerDialog(box, IDCANCEL);
  // Back on the page it can be left again, with nothing changed and the player untouched.
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(InstallerSession::Button(location, L"下一步")) != FALSE; }, 10000));
  ExpectUntouched();
  EXPECT_TRUE(player.Running());

  session.Click(location, L"下一步");
  ASSERT_TRUE(InUseBox(session.ProcessId(), box).has_value());
  AnswerDialog(box, IDOK);
  // Closed as its user would close it: it ends by itself, with its own exit code.
  EXPECT_EQ(player.WaitForExit(15000), 0u);
  HWND progress = session.WaitForPage(Page::Progress, 60000);
  ASSERT_NE(progress, nullptr);
  HWND finish = InstallerSession::Button(progress, L"安装完成");
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(finish) != FALSE; }, 20000));
  EXPECT_TRUE(ReadText(InstallerSession::EditBox(progress)).value_or(L"").ends_with(L"安装成功...."));
  session.Click(progress, L"安装完成");
  EXPECT_EQ(session.WaitForExit(), 0u);
  ExpectEveryFileNew();
  EXPECT_TRUE(other.Running());
}

TEST_F(ProgramsInUse, UnattendedRunsChangeNothingUnlessAskedToClose) {
  {
    RunningPlayer player(kProductFolder);
    ASSERT_TRUE(player.Shown());
    ScratchFolder logs(L"logs");
    InstallerSession install(L"/S \"/LOG=" + logs.Path() + L"\\install.log\"");
    EXPECT_EQ(install.WaitForExit(60000), 5u);
    const std::string log = FileBytes(logs / L"install.log").value_or("");
    EXPECT_NE(log.find("\r\nprogram failed " + Utf8(kProductFolder) + "\\Vorlane.exe\r\nverdict failed 1\r\n"),
              std::string::npos) << log;
    ChildProcess uninstall(std::wstring(kProductFolder) + L"\\卸载.exe", L"/S");
    EXPECT_EQ(uninstall.WaitForExit(60000), 5u);
    ExpectUntouched();
    EXPECT_TRUE(player.Running());

    InstallerSession closing(L"/S /CLOSEAPPLICATIONS");
    EXPECT_EQ(closing.WaitForExit(60000), 0u);
    EXPECT_EQ(player.WaitForExit(0), 0u);
    ExpectEveryFileNew();
  }
  RunningPlayer player(kProductFolder);
  ASSERT_TRUE(player.Shown());
  ChildProcess uninstall(std::wstring(kProductFolder) + L"\\卸载.exe", L"/S /closeapplications");
  EXPECT_EQ(uninstall.WaitForExit(60000), 0u);
  EXPECT_EQ(player.WaitForExit(0), 0u);
  // The helper removes the uninstaller and the folder a moment after the uninstaller has ended.
  EXPECT_TRUE(WaitUntil([] { return GetFileAttributesW(kProductFolder) == INVALID_FILE_ATTRIBUTES; }, 20000));
  EXPECT_FALSE(UninstallValue(L"DisplayName").has_value());
}

TEST_F(ProgramsInUse, TheUninstallerNamesThePlayerAndRemovesNothingUntilItHasClosed) {
  RunningPlayer player(kProductFolder);
  ASSERT_TRUE(player.Shown());
  const auto answerQuestionThenBox = [&](ChildProcess& uninstall, int answer) {
    HWND question = WaitForWindow({kDialogClass, L"Vorlane 卸载", uninstall.Id()}, 20000);
    ASSERT_NE(question, nullptr);
    AnswerDialog(question, IDYES);
    HWND box = nullptr;
    EXPECT_EQ(InUseBox(uninstall.Id(), box), std::wstring(L"以下程序正在使用需要更新的文件：\n\n") + kPlayerLine +
                                                 L"\n\n单击“确定”关闭这些程序并继续卸载，单击“取消”退出。");
    ASSERT_NE(box, nullptr);
    AnswerDialog(box, answer);
  };
  {
    ChildProcess uninstall(std::wstring(kProductFolder) + L"\\卸载.exe", L"");
    ASSERT_NO_FATAL_FAILURE(answerQuestionThenBox(uninstall, IDCANCEL));
    EXPECT_EQ(uninstall.WaitForExit(20000), 5u);
    ExpectUntouched();
    EXPECT_TRUE(UninstallValue(L"DisplayName").has_value());
  }
  ChildProcess uninstall(std::wstring(kProductFolder) + L"\\卸载.exe", L"");
  ASSERT_NO_FATAL_FAILURE(answerQuestionThenBox(uninstall, IDOK));
  EXPECT_EQ(player.WaitForExit(15000), 0u);
  HWND done = WaitForWindow({kDialogClass, L"Vorlane 卸载", uninstall.Id()}, 30000);
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(MessageBoxText(done), L"Vorlane 已从您的计算机中删除。");
  AnswerDialog(done, IDOK);
  EXPECT_EQ(uninstall.WaitForExit(20000), 0u);
  EXPECT_TRUE(WaitUntil([] { return GetFileAttributesW(kProductFolder) == INVALID_FILE_ATTRIBUTES; }, 20000));
}

TEST_F(ProgramsInUse, ASecondInstallerChangesNothing) {
  InstallerSession first;
  ASSERT_NE(first.WaitForPage(Page::Welcome), nullptr);
  {
    InstallerSession second;
    HWND box = WaitForWindow({kDialogClass, L"提示", second.ProcessId()}, 20000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"安装程序已在运行。");
    AnswerDialog(box, IDOK);
    EXPECT_EQ(second.WaitForExit(), 6u);
  }
  ScratchFolder root(L"second root");
  InstallerSession silent(L"/S /D=" + root.Path());
  EXPECT_EQ(silent.WaitForExit(60000), 6u);
  EXPECT_TRUE(IsEmptyFolder(root.Path()));
  ExpectUntouched();
  EXPECT_TRUE(RequestClose(first.WaitForPage(Page::Welcome)));
  EXPECT_EQ(first.WaitForExit(), 0u);
}

}  // namespace
}  // namespace vl::test
