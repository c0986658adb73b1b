#pragma once
// Programs that tests start and watch from outside: the process is owned here and ended if it
// still runs when the test is done with it.
#include <windows.h>

#include <string>

namespace vl::test {

class ChildProcess {
 public:
  // Starts `program` with `arguments` (quoted as the program needs them) in `workingFolder`
  // (empty: the test's own); Started() tells whether it did.
  ChildProcess(const std::wstring& program, const std::wstring& arguments, const std::wstring& workingFolder = {});
  // The same for texts in the ANSI code page: only for paths of the build tree, which are ASCII.
  ChildProcess(const std::string& program, const std::string& arguments, const std::string& workingFolder = {});
  // Takes charge of a process that is already running; Started() tells whether it could.
  explicit ChildProcess(DWORD processId);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const noexcept { return m_process != nullptr; }
  DWORD Id() const noexcept { return m_id; }
  // The id of the program's first thread; 0 for a process taken in charge by id.
  DWORD ThreadId() const noexcept { return m_threadId; }
  HANDLE Handle() const noexcept { return m_process; }
  // The exit code, or STILL_ACTIVE when the program did not end in time.
  DWORD WaitForExit(DWORD timeoutMs = 10000) const noexcept;

 private:
  HANDLE m_process = nullptr;
  DWORD m_id = 0;
  DWORD m_threadId = 0;
};

// The folder of the running test program, with its trailing backslash.
std::string TestProgramFolder();

// Waits for the runtime's fatal-error box ("错误") of a process, answers it and returns its text;
// "<no box>" when none appeared in time.
std::wstring AnswerFatalErrorBox(DWORD processId, DWORD timeoutMs = 10000);

}  // namespace vl::test
