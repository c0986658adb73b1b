// How a program on the runtime ends: normally, through EndProgram (also from another thread),
// and through fatal errors, each watched from outside as a child process.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ui_automation.h"

namespace {

std::string ThisFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.rfind('\\') + 1);
}

std::string TempFolder(const std::string& name) {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  std::string folder = std::string(temp) + name + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A child program started with arguments, its process handle owned here.
class Child {
 public:
  Child(const std::string& program, const std::string& arguments) {
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
      CloseHandle(info.hThread);
      m_process = info.hProcess;
      m_id = info.dwProcessId;
    }
  }
  ~Child() {
    if (m_process == nullptr) return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) TerminateProcess(m_process, 99);
    CloseHandle(m_process);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return m_process != nullptr; }
  DWORD Id() const { return m_id; }
  // The exit code, or STILL_ACTIVE when it did not end in time.
  DWORD Wait(DWORD timeoutMs = 10000) const {
    if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process, &code);
    return code;
  }

 private:
  HANDLE m_process = nullptr;
  DWORD m_id = 0;
};

class ProgramEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    m_log = TempFolder("vl_end_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    DeleteFileA(m_log.c_str());
  }
  Child Run(const std::string& scenario, const std::string& argument = "") {
    return Child(ThisFolder() + "runtime_scenarios.exe", scenario + " \"" + m_log + "\" \"" + argument + "\"");
  }
  std::vector<std::string> Log() const { return ReadLines(m_log); }
  int CleanupRuns() const {
    int n = 0;
    for (const auto& line : Log()) n += line.rfind("cleanup thread", 0) == 0 ? 1 : 0;
    return n;
  }

  std::string m_log;
};

TEST_F(ProgramEnd, ANormalEndRunsTheCleanUpRoutineOnceWithExitCodeZero) {
  Child child = Run("normal");
  ASSERT_TRUE(child.Started());
  EXPECT_EQ(child.Wait(), 0u);
  EXPECT_EQ(CleanupRuns(), 1);
}

TEST_F(ProgramEnd, EndProgramRunsTheCleanUpRoutineOnceWithItsExitCode) {
  Child child = Run("end");
  EXPECT_EQ(child.Wait(), 7u);
  EXPECT_EQ(CleanupRuns(), 1);
}

TEST_F(ProgramEnd, ASecondRegistrationReplacesTheFirst) {
  Child child = Run("replace");
  EXPECT_EQ(child.Wait(), 0u);
  const auto log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("cleanup thread", 0), 0u);
}

TEST_F(ProgramEnd, EndProgramFromAnotherThreadEndsTheProgramOnTheGuiThread) {
  Child child = Run("thread");
  EXPECT_EQ(child.Wait(), 9u);
  const auto log = Log();
  ASSERT_EQ(log.size(), 2u) << "the message loop must not be left, the clean-up must run once";
  const std::string gui = log[0].substr(std::string("gui thread ").size());
  EXPECT_EQ(log[1], "cleanup thread " + gui);
}

// A fatal error shows its box; the test reads it, answers it and returns its text.
std::wstring AnswerFatalBox(const Child& child) {
  HWND box = vl::test::WaitForWindow({vl::test::kDialogClass, L"错误", child.Id()}, 10000);
  if (box == nullptr) return L"<no box>";
  std::wstring text = vl::test::MessageBoxText(box).value_or(L"<no text>");
  vl::test::AnswerDialog(box, IDOK);
  return text;
}

TEST_F(ProgramEnd, AFatalErrorShowsItsComposedTextSkipsTheCleanUpAndExitsWithMinusOne) {
  Child child = Run("fatal", "\xB2\xE2\xCA\xD4");  // GBK for 测试
  EXPECT_EQ(AnswerFatalBox(child), L"运行时出错!\r\n\r\n错误代码：12\r\n\r\n错误信息：测试\r\n");
  EXPECT_EQ(child.Wait(), 0xFFFFFFFFu);
  EXPECT_EQ(CleanupRuns(), 0);
}

TEST_F(ProgramEnd, AFailedAllocationIsFatalWithItsSize) {
  Child child = Run("allocate");
  EXPECT_EQ(AnswerFatalBox(child), L"运行时出错!\r\n\r\n错误信息：分配 2147483632 字节内存失败!\r\n");
  EXPECT_EQ(child.Wait(), 0xFFFFFFFFu);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ProgramEnd, AMissingStartPageIsFatal) {
  Child child = Run("startpage");
  EXPECT_EQ(AnswerFatalBox(child), L"运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
  EXPECT_EQ(child.Wait(), 0xFFFFFFFFu);
  EXPECT_EQ(CleanupRuns(), 0);
}

// The program's folder is a download folder: a DLL planted there under the name of a system
// DLL must never be loaded.
TEST(PlantedLibrary, ADllBesideTheProgramIsNotLoaded) {
  const std::string folder = TempFolder("vl_planted_");
  const std::string planted = "comctl32.dll";
  ASSERT_TRUE(CopyFileA((ThisFolder() + "planted_library.dll").c_str(), (folder + planted).c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((ThisFolder() + "runtime_scenarios.exe").c_str(), (folder + "setup.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((ThisFolder() + "unrestricted_loader.exe").c_str(), (folder + "loader.exe").c_str(), FALSE));

  // Without protection the planted DLL is what a program gets: the test sees a real threat.
  {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const std::string out = folder + "loader.txt";
    HANDLE output = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + folder + "loader.exe\" " + planted;
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                               &startup, &info));
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(output);
    const auto lines = ReadLines(out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], folder + planted);
  }

  const std::string log = folder + "load.log";
  Child child(folder + "setup.exe", "load \"" + log + "\" " + planted);
  EXPECT_EQ(child.Wait(), 0u);
  const auto lines = ReadLines(log);
  ASSERT_GE(lines.size(), 2u);
  for (const std::string& line : {lines[0], lines[1]}) {
    EXPECT_EQ(line.find(folder), std::string::npos) << line;
    EXPECT_NE(line.find("system32"), std::string::npos) << line;
  }
}

}  // namespace
