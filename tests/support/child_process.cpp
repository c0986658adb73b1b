#include "child_process.h"

#include "ui_automation.h"

namespace vl::test {

namespace {

std::wstring FromAnsi(const std::string& text) {
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(wide.empty() ? 0 : wide.size() - 1);
  return wide;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::string& arguments,
                           const std::string& workingFolder)
    : ChildProcess(FromAnsi(program), FromAnsi(arguments), FromAnsi(workingFolder)) {}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments,
                           const std::wstring& workingFolder) {
  std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  m_process = info.hProcess;
  m_id = info.dwProcessId;
  m_threadId = info.dwThreadId;
}

ChildProcess::ChildProcess(DWORD processId)
    : m_process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, processId)),
      m_id(m_process != nullptr ? processId : 0) {}

ChildProcess::~ChildProcess() {
  if (m_process == nullptr) return;
  if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) TerminateProcess(m_process, 99);
  CloseHandle(m_process);
}

DWORD ChildProcess::WaitForExit(DWORD timeoutMs) const noexcept {
  if (m_process == nullptr || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(m_process, &code);
  return code;
}

std::string TestProgramFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string program = path;
  return program.substr(0, program.rfind('\\') + 1);
}

std::wstring AnswerFatalErrorBox(DWORD processId, DWORD timeoutMs) {
  HWND box = WaitForWindow({kDialogClass, L"错误", processId, true}, timeoutMs);
  if (box == nullptr) return L"<no box>";
  std::wstring text = MessageBoxText(box).value_or(L"<no text>");
  AnswerDialog(box, IDOK);
  return text;
}

}  // namespace vl::test
