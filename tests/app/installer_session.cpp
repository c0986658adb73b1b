#include "installer_session.h"

#include <cstdio>
#include <fstream>

#include "tests/support/ui_automation.h"

namespace vl::test {
namespace {

constexpr wchar_t kPageTitle[] = L"Vorlane V2.6 绿色中文版";

// What tells the pages apart: a caption only that page shows.
const wchar_t* Marker(Page page) {
  switch (page) {
    case Page::Welcome: return L"欢迎使用";
    case Page::Agreement: return L"程序许可证协议";
    case Page::Location: return L"选择安装路径";
    case Page::Progress: return L"正在安装请稍候......";
  }
  return L"";
}

struct PageSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectPageWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<PageSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) && WindowCaption(window) == kPageTitle) {
    search->found.push_back(window);
  }
  return TRUE;
}

// Every page window of the process that is on screen.
std::vector<HWND> PageWindows(DWORD processId) {
  PageSearch search{processId, {}};
  EnumWindows(&CollectPageWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::string Ansi(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
  result.resize(result.size() - 1);
  return result;
}

std::wstring Wide(const std::string& ansi) {
  const int size = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, result.data(), size);
  result.resize(result.size() - 1);
  return result;
}

ScratchFolder::ScratchFolder(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  static int serial = 0;
  m_path = temp + name + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++serial);
  CreateDirectoryW(m_path.c_str(), nullptr);
}

InstallerSession::InstallerSession(const std::wstring& arguments, const std::wstring& workingFolder) {
  static int serial = 0;
  ScratchFolder download(L"Downloads" + std::to_wstring(++serial));
  m_folder = download.Path() + L"\\";
  const std::wstring program = m_folder + L"VorlaneSetup.exe";
  if (!CopyFileW(Wide(TestProgramFolder() + "VorlaneSetupProbe.exe").c_str(), program.c_str(), FALSE)) return;
  m_program = std::make_unique<ChildProcess>(program, arguments, workingFolder.empty() ? m_folder : workingFolder);
}

InstallerSession::InstallerSession(std::unique_ptr<ChildProcess> program, const std::string& folder)
    : m_folder(Wide(folder)), m_program(std::move(program)) {}

HWND InstallerSession::WaitForPage(Page page, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        const auto windows = PageWindows(ProcessId());
        found = windows.size() == 1 && FindChild(windows[0], Marker(page), nullptr) != nullptr ? windows[0] : nullptr;
        return found != nullptr;
      },
      timeoutMs);
  if (found == nullptr) {
    // Say what the program shows instead, in the UTF-8 that test logs are read in.
    const std::wstring shown = L"installer session: no page showing \"" + std::wstring(Marker(page)) +
                               L"\"; the program's windows:\n" + DescribeWindows(ProcessId());
    const int size = WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    std::fputs(utf8.c_str(), stderr);
  }
  return found;
}

HWND InstallerSession::Button(HWND page, const wchar_t* caption) { return FindChild(page, caption, L"Button"); }

void InstallerSession::Click(HWND page, const wchar_t* caption) { PostClick(Button(page, caption)); }

HWND InstallerSession::Turn(HWND page, const wchar_t* caption, Page next) {
  Click(page, caption);
  return WaitForPage(next);
}

HWND InstallerSession::EditBox(HWND page) { return FindChild(page, nullptr, L"Edit"); }

std::wstring InstallerSession::InstallFolderText(HWND locationPage) {
  return ReadText(EditBox(locationPage)).value_or(L"<no box>");
}

void InstallerSession::SetInstallFolder(HWND locationPage, const std::wstring& path) {
  SetText(EditBox(locationPage), path);
}

HWND InstallerSession::WaitForMessageBox(const wchar_t* title, DWORD timeoutMs) {
  return WaitForWindow({kDialogClass, title, ProcessId()}, timeoutMs);
}

HWND InstallerSession::ToLocationPage() {
  HWND welcome = WaitForPage(Page::Welcome);
  if (welcome == nullptr) return nullptr;
  HWND agreement = Turn(welcome, L"下一步", Page::Agreement);
  if (agreement == nullptr) return nullptr;
  return Turn(agreement, L"下一步", Page::Location);
}

HWND InstallerSession::Install(HWND locationPage, const std::string& ansiRoot,
                               const std::function<bool()>& whileInstalling) {
  return Install(locationPage, Wide(ansiRoot), whileInstalling);
}

HWND InstallerSession::Install(HWND locationPage, const std::wstring& root,
                               const std::function<bool()>& whileInstalling) {
  SetInstallFolder(locationPage, root);
  Click(locationPage, L"下一步");
  if (whileInstalling && !whileInstalling()) return nullptr;
  HWND progress = WaitForPage(Page::Progress, 60000);
  if (progress == nullptr) return nullptr;
  HWND finish = Button(progress, L"安装完成");
  WaitUntil([&] { return IsWindowEnabled(finish) != FALSE; }, 20000);
  return progress;
}

DWORD InstallerSession::WaitForExit(DWORD timeoutMs) {
  return m_program != nullptr ? m_program->WaitForExit(timeoutMs) : STILL_ACTIVE;
}

std::vector<std::string> InstallerSession::ProbeLines(const char* name) const {
  std::ifstream in((m_folder + Wide(name)).c_str());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace vl::test
