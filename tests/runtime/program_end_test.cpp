// How a program on the runtime ends: normally, through EndProgram (also from another thread),
// and through fatal errors, each watched from outside as a child process.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/ui_automation.h"

namespace {

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

class ProgramEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    m_log = TempFolder("vl_end_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    DeleteFileA(m_log.c_str());
  }
  std::unique_ptr<vl::test::ChildProcess> Run(const std::string& scenario, const std::string& argument = "") {
    return std::make_unique<vl::test::ChildProcess>(vl::test::TestProgramFolder() + "runtime_scenarios.exe",
                                                scenario + " \"" + m_log + "\" \"" + argument + "\"");
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
  const auto child = Run("normal");
  ASSERT_TRUE(child->Started());
  EXPECT_EQ(child->WaitForExit(), 0u);
  EXPECT_EQ(CleanupRuns(), 1);
}

TEST_F(ProgramEnd, EndProgramRunsTheCleanUpRoutineOnceWithItsExitCode) {
  const auto child = Run("end");
  EXPECT_EQ(child->WaitForExit(), 7u);
  EXPECT_EQ(CleanupRuns(), 1);
}

TEST_F(ProgramEnd, ASecondRegistrationReplacesTheFirst) {
  const auto child = Run("replace");
  EXPECT_EQ(child->WaitForExit(), 0u);
  const auto log = Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("cleanup thread", 0), 0u);
}

TEST_F(ProgramEnd, EndProgramFromAnotherThreadEndsTheProgramOnTheGuiThread) {
  const auto child = Run("thread");
  EXPECT_EQ(child->WaitForExit(), 9u);
  const auto log = Log();
  ASSERT_EQ(log.size(), 2u) << "the message loop must not be left, the clean-up must run once";
  const std::string gui = log[0].substr(std::string("gui thread ").size());
  EXPECT_EQ(log[1], "cleanup thread " + gui);
}

TEST_F(ProgramEnd, AFatalErrorShowsItsComposedTextSkipsTheCleanUpAndExitsWithMinusOne) {
  const auto child = Run("fatal", "\xB2\xE2\xCA\xD4");  // GBK for 测试
  EXPECT_EQ(vl::test::AnswerFatalErrorBox(child->Id()), L"运行时出错!\r\n\r\n错误代码：12\r\n\r\n错误信息：测试\r\n");
  EXPECT_EQ(child->WaitForExit(), 0xFFFFFFFFu);
  EXPECT_EQ(CleanupRuns(), 0);
}

TEST_F(ProgramEnd, AFailedAllocationIsFatalWithItsSize) {
  const auto child = Run("allocate");
  EXPECT_EQ(vl::test::AnswerFatalErrorBox(child->Id()), L"运行时出错!\r\n\r\n错误信息：分配 2147483632 字节内存失败!\r\n");
  EXPECT_EQ(child->WaitForExit(), 0xFFFFFFFFu);
  EXPECT_TRUE(Log().empty());
}

// The C++ library's allocations and its reports of misuse end in the runtime's fatal error too.
TEST_F(ProgramEnd, AnObjectAllocationTheHeapRefusesIsFatalWithItsSize) {
  const auto child = Run("objects");
  EXPECT_EQ(vl::test::AnswerFatalErrorBox(child->Id()), L"运行时出错!\r\n\r\n错误信息：分配 2147483632 字节内存失败!\r\n");
  EXPECT_EQ(child->WaitForExit(), 0xFFFFFFFFu);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ProgramEnd, AMisuseTheCppLibraryReportsIsFatalWithItsMessage) {
  const auto child = Run("misuse");
  EXPECT_EQ(vl::test::AnswerFatalErrorBox(child->Id()),
            L"运行时出错!\r\n\r\n错误信息：vector::_M_range_check: __n (which is 0) >= this->size() (which is 0)\r\n");
  EXPECT_EQ(child->WaitForExit(), 0xFFFFFFFFu);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ProgramEnd, AMissingStartPageIsFatal) {
  const auto child = Run("startpage");
  EXPECT_EQ(vl::test::AnswerFatalErrorBox(child->Id()), L"运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
  EXPECT_EQ(child->WaitForExit(), 0xFFFFFFFFu);
  EXPECT_EQ(CleanupRuns(), 0);
}

// The program's folder is a download folder: a DLL planted there under the name of a system
// DLL must never be loaded.
TEST(PlantedLibrary, ADllBesideTheProgramIsNotLoaded) {
  const std::string folder = TempFolder("vl_planted_");
  const std::string planted = "comctl32.dll";
  ASSERT_TRUE(CopyFileA((vl::test::TestProgramFolder() + "planted_library.dll").c_str(), (folder + planted).c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((vl::test::TestProgramFolder() + "runtime_scenarios.exe").c_str(), (folder + "setup.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA((vl::test::TestProgramFolder() + "unrestricted_loader.exe").c_str(), (folder + "loader.exe").c_str(), FALSE));

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
  vl::test::ChildProcess child(folder + "setup.exe", "load \"" + log + "\" " + planted);
  EXPECT_EQ(child.WaitForExit(), 0u);
  const auto lines = ReadLines(log);
  ASSERT_GE(lines.size(), 2u);
  for (const std::string& line : {lines[0], lines[1]}) {
    EXPECT_EQ(line.find(folder), std::string::npos) << line;
    EXPECT_NE(line.find("system32"), std::string::npos) << line;
  }
}

}  // namespace
