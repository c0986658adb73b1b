// The folder picker driven as a user would from a second thread: the program's page windows are
// disabled while it is open and back in their earlier state afterwards, whatever the answer.
#include "services/folder_browser.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>

#include <future>
#include <string>

#include "runtime/runtime_object.h"
#include "service_test_support.h"
#include "tests/support/ui_automation.h"

namespace vl {
namespace {

constexpr wchar_t kTitle[] = L"请选择安装目录";

// What the driver saw while the picker was open.
struct Seen {
  bool found = false;
  bool firstEnabled = true;
  bool secondEnabled = true;
  bool thirdEnabled = true;
  bool childEnabled = false;
  HWND owner = nullptr;
  bool titleShown = false;
  bool selectionApplied = true;
};

// What the driver does with the picker: select a path (or nothing) and press OK or Cancel.
struct Answer {
  std::string select;
  int button = IDOK;
};

class BrowseForFolder : public test::RuntimeStarted {
 protected:
  void SetUp() override {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VorlaneServicesTestPage";
    RegisterClassA(&windowClass);
    m_first = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 100);
    m_second = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 500);
    m_third = Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr, 300);
    m_child = Create(WS_CHILD | WS_VISIBLE, m_first, 10);
    // A page window that was disabled before the picker stays disabled after it.
    EnableWindow(m_second, FALSE);
    Runtime& runtime = TheRuntime();
    runtime.AddPageWindow(m_first);
    runtime.AddPageWindow(m_second);
    runtime.AddPageWindow(nullptr);
    runtime.AddPageWindow(m_third);
    runtime.AddPageWindow(m_child);  // a child window is not the program's to disable
    SetForegroundWindow(m_first);
    SetActiveWindow(m_first);
    test::PumpMessages();
  }
  void TearDown() override {
    Runtime& runtime = TheRuntime();
    runtime.RemovePageWindow(nullptr);
    for (HWND window : {m_child, m_third, m_second, m_first}) {
      runtime.RemovePageWindow(window);
      DestroyWindow(window);
    }
    test::PumpMessages();
  }

  static HWND Create(DWORD style, HWND parent, int x) {
    return CreateWindowExA(0, "VorlaneServicesTestPage", "page", style, x, 100, 300, 200, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  }

  // Runs the command on this thread while a second thread answers the picker.
  std::string Browse(const Answer& answer, Seen* seen, bool includeFiles = false) {
    const std::string title = test::SystemText(kTitle);
    const std::wstring select = answer.select.empty() ? std::wstring() : test::Wide(answer.select);
    auto driver = std::async(std::launch::async, [&] {
      HWND picker = test::WaitForWindow({test::kDialogClass, nullptr, GetCurrentProcessId(), true}, 10000);
      if (picker == nullptr) return;
      seen->found = true;
      seen->firstEnabled = IsWindowEnabled(m_first) != FALSE;
      seen->secondEnabled = IsWindowEnabled(m_second) != FALSE;
      seen->thirdEnabled = IsWindowEnabled(m_third) != FALSE;
      seen->childEnabled = IsWindowEnabled(m_child) != FALSE;
      seen->owner = GetWindow(picker, GW_OWNER);
      seen->titleShown = test::FindChild(picker, kTitle, nullptr) != nullptr;
      if (!answer.select.empty()) {
        // Wine's picker sometimes ignores a selection while it is still filling its tree: ask
        // again until the tree follows.
        HWND tree = test::FindChild(picker, nullptr, L"SysTreeView32");
        const LRESULT before = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        seen->selectionApplied = test::WaitUntil(
            [&] {
              DWORD_PTR ignored = 0;
              SendMessageTimeoutW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(select.c_str()),
                                  SMTO_NORMAL, 30000, &ignored);
              return test::WaitUntil([&] { return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != before; }, 200);
            },
            10000);
      }
      test::AnswerDialog(picker, answer.button);
    });
    ArgList args{TextArg(title.c_str())};
    if (includeFiles) args.Add(BoolArg(true));
    const test::TextOfResult chosen(CallCommand(BrowseForFolderCommand, args));
    driver.get();
    EXPECT_TRUE(chosen.IsText());
    return chosen.Value();
  }

  void ExpectOpenedModalAndRestored(const Seen& seen) {
    ASSERT_TRUE(seen.found) << "the picker did not appear";
    EXPECT_TRUE(seen.selectionApplied) << "the picker did not take the selection in time";
    EXPECT_FALSE(seen.firstEnabled);
    EXPECT_FALSE(seen.secondEnabled);
    EXPECT_FALSE(seen.thirdEnabled);
    EXPECT_TRUE(seen.childEnabled);
    EXPECT_EQ(seen.owner, m_first);
    EXPECT_TRUE(seen.titleShown);
    test::PumpMessages();
    EXPECT_TRUE(IsWindowEnabled(m_first));
    EXPECT_FALSE(IsWindowEnabled(m_second));
    EXPECT_TRUE(IsWindowEnabled(m_third));
    EXPECT_TRUE(IsWindowEnabled(m_child));
    EXPECT_EQ(GetActiveWindow(), m_first);
    EXPECT_EQ(GetForegroundWindow(), m_first);
  }

  HWND m_first = nullptr;
  HWND m_second = nullptr;
  HWND m_third = nullptr;
  HWND m_child = nullptr;
};

TEST_F(BrowseForFolder, AChosenFolderComesBackWholeWithoutTrailingBackslash) {
  ASSERT_EQ(GetActiveWindow(), m_first);
  test::ScratchFolder scratch;
  // Hangul and an emoji beside the Chinese: characters GBK cannot hold come back whole.
  const std::wstring name = L"音乐 한글 😀";
  ASSERT_TRUE(CreateDirectoryW((test::Wide(scratch.Path()) + L"\\" + name).c_str(), nullptr));
  const std::string folder = scratch / test::SystemText(name);
  Seen seen;
  EXPECT_EQ(Browse(Answer{folder, IDOK}, &seen), folder);
  ExpectOpenedModalAndRestored(seen);
}

TEST_F(BrowseForFolder, ADriveRootKeepsItsBackslash) {
  Seen seen;
  EXPECT_EQ(Browse(Answer{"C:\\", IDOK}, &seen), "C:\\");
  ExpectOpenedModalAndRestored(seen);
}

TEST_F(BrowseForFolder, CancelGivesTheEmptyText) {
  test::ScratchFolder scratch;
  Seen seen;
  EXPECT_EQ(Browse(Answer{scratch.Path(), IDCANCEL}, &seen), "");
  ExpectOpenedModalAndRestored(seen);
}

TEST_F(BrowseForFolder, FilesCanBeChosenWhenAskedFor) {
  test::ScratchFolder scratch;
  const std::string file = scratch / "Vorlane.exe";
  CloseHandle(CreateFileW(test::Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr));
  Seen seen;
  EXPECT_EQ(Browse(Answer{file, IDOK}, &seen, true), file);
  ExpectOpenedModalAndRestored(seen);
}

}  // namespace
}  // namespace vl
