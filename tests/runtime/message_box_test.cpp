// The message-box command and the start-up as a program sees them, in this process: the boxes
// are answered from a second thread the way a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <future>
#include <string>

#include "libraries/libraries.h"
#include "runtime/frame.h"
#include "runtime/message_box.h"
#include "runtime/program_header.h"
#include "runtime/runtime_object.h"
#include "runtime_texts.h"
#include "tests/support/ui_automation.h"

namespace vl {
namespace {

class RuntimeStarted : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CallService(kServiceStartRuntime); }
};

std::string Ansi(const wchar_t* text) {
  char buffer[512] = "";
  WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return buffer;
}

// What the user saw and did.
struct Seen {
  std::wstring title;
  std::wstring text;
  bool found = false;
};

enum class Action { Button, TitleBarClose };

// Shows a box through the command while a second thread finds it, records it and answers it.
int ShowAndAnswer(const ArgList& args, Action action, int buttonId, Seen* seen) {
  auto answer = std::async(std::launch::async, [=] {
    HWND box = test::WaitForWindow({test::kDialogClass, nullptr, GetCurrentProcessId()}, 5000);
    if (box == nullptr) return;
    seen->found = true;
    seen->title = test::WindowCaption(box);
    seen->text = test::MessageBoxText(box).value_or(L"<no text>");
    if (action == Action::Button) test::AnswerDialog(box, buttonId);
    else test::RequestClose(box);
  });
  const int result = IntResult(CallCommand(ShowMessageBoxCommand, args));
  answer.get();
  return result;
}

TEST_F(RuntimeStarted, TheAnsiCodePageIsGbk) { EXPECT_EQ(GetACP(), 936u); }

TEST_F(RuntimeStarted, EachButtonAnswersItsIdMinusOne) {
  const std::string question = Ansi(L"您确定要退出安装?");
  const std::string prompt = Ansi(L"提示");
  struct Case {
    int style;
    Action action;
    int button;
    int expected;
  } cases[] = {
      {4, Action::Button, IDYES, 5},        {4, Action::Button, IDNO, 6},
      {0, Action::Button, IDOK, 0},         {1, Action::TitleBarClose, 0, 1},
      {3, Action::Button, IDCANCEL, 1},     {2, Action::Button, IDABORT, 2},
      {2, Action::Button, IDRETRY, 3},      {2, Action::Button, IDIGNORE, 4},
      {5, Action::Button, IDRETRY, 3},
  };
  for (const Case& c : cases) {
    Seen seen;
    const int result =
        ShowAndAnswer(ArgList{TextArg(question.c_str()), IntArg(c.style), TextArg(prompt.c_str())}, c.action, c.button, &seen);
    ASSERT_TRUE(seen.found) << "style " << c.style;
    EXPECT_EQ(result, c.expected) << "style " << c.style << " button " << c.button;
    EXPECT_EQ(seen.title, L"提示");
    EXPECT_EQ(seen.text, L"您确定要退出安装?");
  }
}

TEST_F(RuntimeStarted, AnOmittedTitleShowsTheDefaultTitle) {
  Seen seen;
  ShowAndAnswer(ArgList{TextArg(Ansi(L"请先输入安装地址").c_str()), IntArg(0)}, Action::Button, IDOK, &seen);
  EXPECT_EQ(seen.title, L"信息：");
  // A title slot passed as omitted is the same as none at all.
  ShowAndAnswer(ArgList{TextArg("x"), IntArg(0)}.PadOmittedArguments(6), Action::Button, IDOK, &seen);
  EXPECT_EQ(seen.title, L"信息：");
}

TEST_F(RuntimeStarted, MessagesOfEveryTypeAreShownAsText) {
  Seen seen;
  ShowAndAnswer(ArgList{IntArg(-42), IntArg(0), TextArg("t")}, Action::Button, IDOK, &seen);
  EXPECT_EQ(seen.text, L"-42");
  ShowAndAnswer(ArgList{BoolArg(true), IntArg(0), TextArg("t")}, Action::Button, IDOK, &seen);
  EXPECT_EQ(seen.text, L"真");
  ShowAndAnswer(ArgList{DoubleArg(20.5), IntArg(0), TextArg("t")}, Action::Button, IDOK, &seen);
  EXPECT_EQ(seen.text, L"20.5");
}

TEST_F(RuntimeStarted, TheBoxIsTaskModalUnlessSystemModalIsAsked) {
  // A task-modal box disables the thread's other top-level windows while it is open.
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  bool enabledWhileOpen = true;
  auto answer = std::async(std::launch::async, [&] {
    HWND box = test::WaitForWindow({test::kDialogClass, nullptr, GetCurrentProcessId()}, 5000);
    enabledWhileOpen = IsWindowEnabled(other) != FALSE;
    test::AnswerDialog(box, IDOK);
  });
  static_cast<void>(CallCommand(ShowMessageBoxCommand, ArgList{TextArg("modal"), IntArg(0)}));
  answer.get();
  EXPECT_FALSE(enabledWhileOpen);
  EXPECT_TRUE(IsWindowEnabled(other));
  DestroyWindow(other);
}

TEST_F(RuntimeStarted, ReleasingAConstantLeavesItIntact) {
  const std::string before = kFatalErrorTitle;
  FreeMemory(kFatalErrorTitle);
  FreeMemory(kLoadStartPageFailed + 2);
  FreeMemory(kEmptyText);
  EXPECT_EQ(std::string(kFatalErrorTitle), before);
  EXPECT_TRUE(IsInConstantRange(kFatalErrorTitle));
  EXPECT_FALSE(IsInConstantRange(&before));
}

TEST_F(RuntimeStarted, ConcatenatingOnlyEmptyTextsAllocatesOneByte) {
  const OwnedText joined = ConcatTexts({nullptr, kEmptyText, ""});
  ASSERT_TRUE(joined);
  EXPECT_EQ(HeapSize(GetProcessHeap(), 0, joined.Get()), 1u);
  EXPECT_EQ(joined.Get()[0], '\0');
}

TEST_F(RuntimeStarted, StartUpMadeTheProgramFolderCurrentAndTheRequestWindowHidden) {
  const Runtime& runtime = TheRuntime();
  ASSERT_FALSE(runtime.ProgramFolder().empty());
  EXPECT_EQ(runtime.ProgramFolder().back(), '\\');
  EXPECT_EQ(runtime.ProgramFile(), "message_box_test.exe");
  char current[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_EQ(std::string(current) + "\\", runtime.ProgramFolder());
  HWND requests = runtime.HiddenWindow();
  ASSERT_NE(requests, nullptr);
  EXPECT_FALSE(IsWindowVisible(requests));
  EXPECT_NE(GetWindowLongA(requests, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(GetWindowTextLengthA(requests), 0);
  EXPECT_EQ(runtime.GuiThreadId(), GetCurrentThreadId());
  EXPECT_TRUE(runtime.OleInitialised());
  EXPECT_EQ(runtime.HeaderVersion(), 3u);
  for (int library = 0; library < kLibraryCount; ++library) EXPECT_TRUE(LibraryStarted(library)) << library;
}

TEST(ProgramHeader, ReadingRefusesMissingTablesAndForeignLibraries) {
  ProgramHeaderWords words = kProgramHeader;
  auto bytes = [&] { return std::span(reinterpret_cast<const std::uint8_t*>(&words), sizeof words); };
  auto header = ReadProgramHeader(bytes());
  ASSERT_TRUE(header);
  EXPECT_EQ(header->libraries.size(), 4u);
  EXPECT_EQ(header->lastIdNumber, 0x0001013Fu);
  EXPECT_FALSE(ReadProgramHeader(bytes().first(51)));

  words.libraryTable = nullptr;
  EXPECT_FALSE(ReadProgramHeader(bytes()));
  words = kProgramHeader;
  words.pageLength = 10;
  EXPECT_FALSE(ReadProgramHeader(bytes()));

  LibraryRecord foreign = *kLibraryTable[0];
  foreign.format = 0x12345678;
  const LibraryRecord* table[] = {&foreign};
  words = kProgramHeader;
  words.libraryTable = table;
  words.libraryCount = 1;
  EXPECT_FALSE(ReadProgramHeader(bytes()));
}

}  // namespace
}  // namespace vl
