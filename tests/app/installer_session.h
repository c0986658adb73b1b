#pragma once
// Drives the installer as a user would, from outside its process: one session is one run of the
// program, started from a download folder of its own.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace vl::test {

enum class Page { Welcome, Agreement, Location, Progress };

class InstallerSession {
 public:
  // Copies the installer into a new download folder and starts it with `arguments`, in
  // `workingFolder` (empty: the download folder).
  explicit InstallerSession(const std::wstring& arguments = {}, const std::wstring& workingFolder = {});
  // Walks a program started elsewhere; its folder (ASCII, with its trailing backslash) is the
  // download folder.
  InstallerSession(std::unique_ptr<ChildProcess> program, const std::string& folder);
  InstallerSession(const InstallerSession&) = delete;
  InstallerSession& operator=(const InstallerSession&) = delete;

  bool Started() const { return m_program != nullptr && m_program->Started(); }
  const std::wstring& DownloadFolder() const { return m_folder; }
  DWORD ProcessId() const { return m_program != nullptr ? m_program->Id() : 0; }
  HANDLE Process() const { return m_program != nullptr ? m_program->Handle() : nullptr; }

  // The page on screen once it is the only one (the page left behind has closed); null on
  // timeout.
  HWND WaitForPage(Page page, DWORD timeoutMs = 20000);
  // A button of the page by its caption; null when there is none.
  static HWND Button(HWND page, const wchar_t* caption);
  void Click(HWND page, const wchar_t* caption);
  // Clicks `caption` on `page` and waits for `next`; null when it does not come.
  HWND Turn(HWND page, const wchar_t* caption, Page next);
  // The install-folder box of LocationPage, or the report box of ProgressPage.
  static HWND EditBox(HWND page);
  std::wstring InstallFolderText(HWND locationPage);
  void SetInstallFolder(HWND locationPage, const std::wstring& path);

  // The message box of the program with that title; null on timeout.
  HWND WaitForMessageBox(const wchar_t* title, DWORD timeoutMs = 10000);

  // Walks Welcome and Agreement forward and returns LocationPage.
  HWND ToLocationPage();
  // From LocationPage with the given root, installs and waits until Finish can be clicked;
  // returns ProgressPage. `whileInstalling`, when given, runs right after Next is clicked (a
  // benchmark waits there without touching the windows); false from it gives null.
  HWND Install(HWND locationPage, const std::wstring& root, const std::function<bool()>& whileInstalling = {});
  // The same for a root in the ANSI code page.
  HWND Install(HWND locationPage, const std::string& ansiRoot, const std::function<bool()>& whileInstalling = {});

  // The exit code, or STILL_ACTIVE when the program did not end in time.
  DWORD WaitForExit(DWORD timeoutMs = 20000);

  // Lines written by the program's test probe beside it (allocations.txt, progress.txt).
  std::vector<std::string> ProbeLines(const char* name) const;

 private:
  std::wstring m_folder;
  std::unique_ptr<ChildProcess> m_program;
};

// The text in the ANSI code page, and back: for texts the system's code page holds whatever it
// is (ASCII). The programs' own texts are GBK whatever the system (gbk_text.h).
std::string Ansi(const std::wstring& text);
std::wstring Wide(const std::string& ansi);

// A new empty folder under the temporary folder; `Path()` without a trailing backslash.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& name);
  const std::wstring& Path() const { return m_path; }
  std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

 private:
  std::wstring m_path;
};

}  // namespace vl::test
