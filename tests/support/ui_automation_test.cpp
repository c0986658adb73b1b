#include "tests/support/ui_automation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "runtime/unique_handle.h"

namespace vl::test {
namespace {

constexpr wchar_t kWindowClass[] = L"VlUiAutomationTestWindow";
constexpr wchar_t kTitle[] = L"界面测试窗口";
constexpr wchar_t kButtonText[] = L"下一步(&N)";
constexpr int kButtonId = 101;
constexpr int kEditId = 102;
constexpr int kPanelId = 103;
constexpr int kNestedId = 104;
constexpr int kListId = 105;
constexpr COLORREF kBackground = RGB(0x30, 0x90, 0xC0);
// Posted to the test window: it takes the title that lParam points to.
constexpr UINT kRetitle = WM_APP + 1;

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

ULONGLONG ElapsedSince(ULONGLONG start) { return GetTickCount64() - start; }

struct Clicks {
  int count = 0;
  int lastId = 0;
  int lastCode = -1;
};

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  } else if (message == WM_COMMAND) {
    if (auto* clicks = reinterpret_cast<Clicks*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      ++clicks->count;
      clicks->lastId = LOWORD(wParam);
      clicks->lastCode = HIWORD(wParam);
    }
    return 0;
  } else if (message == kRetitle) {
    SetWindowTextW(window, reinterpret_cast<const wchar_t*>(lParam));
    return 0;
  } else if (message == WM_ERASEBKGND) {
    RECT area;
    GetClientRect(window, &area);
    UniqueBrush brush(CreateSolidBrush(kBackground));
    FillRect(reinterpret_cast<HDC>(wParam), &area, brush.Get());
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterTestClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = TestWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // already registered by an earlier test is fine
}

struct Placement {
  int x, y, width, height;
};

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id, Placement at) {
  return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, at.x, at.y, at.width, at.height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// A page-like window: a button, an edit box, and a panel holding a nested button. It stays on
// top so that windows of test programs running beside this one cannot cover its screenshot.
class UiAutomationWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClass();
    m_window.Reset(CreateWindowExW(WS_EX_TOPMOST, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                                   420, 260, nullptr, nullptr, GetModuleHandleW(nullptr), &m_clicks));
    ASSERT_TRUE(m_window);
    m_button = CreateChild(m_window.Get(), L"Button", kButtonText, BS_PUSHBUTTON, kButtonId, {20, 20, 120, 32});
    m_edit = CreateChild(m_window.Get(), L"Edit", L"", WS_BORDER | ES_AUTOHSCROLL, kEditId, {20, 70, 300, 24});
    HWND panel = CreateChild(m_window.Get(), L"Static", L"", 0, kPanelId, {20, 110, 200, 60});
    m_nested = CreateChild(panel, L"Button", L"内部", BS_PUSHBUTTON, kNestedId, {10, 10, 80, 28});
    ASSERT_TRUE(m_button && m_edit && panel && m_nested);
    PumpUntilQuiet(2000);
  }

  Clicks m_clicks;
  UniqueWindow m_window;
  HWND m_button = nullptr;
  HWND m_edit = nullptr;
  HWND m_nested = nullptr;
};

TEST_F(UiAutomationWindow, FindsWindowsAndControls) {
  // Each query names this process: another copy of this program may run beside it.
  const DWORD self = GetCurrentProcessId();
  EXPECT_EQ(FindTopLevelWindow({kWindowClass, nullptr, self}), m_window.Get());
  EXPECT_EQ(FindTopLevelWindow({nullptr, kTitle, self}), m_window.Get());
  EXPECT_EQ(FindTopLevelWindow({L"VLUIAUTOMATIONTESTWINDOW", kTitle, self}), m_window.Get());
  EXPECT_EQ(FindTopLevelWindow({kWindowClass, L"界面测试", self}), nullptr) << "titles match whole";
  EXPECT_EQ(FindTopLevelWindow({kWindowClass, kTitle, self + 4}), nullptr);

  EXPECT_EQ(FindChild(m_window.Get(), kButtonText, nullptr), m_button);
  EXPECT_EQ(FindChild(m_window.Get(), nullptr, L"edit"), m_edit);
  EXPECT_EQ(FindChild(m_window.Get(), kButtonText, L"Edit"), nullptr);
  EXPECT_EQ(FindChild(m_window.Get(), L"内部", L"Button"), m_nested);
  EXPECT_EQ(FindChildById(m_window.Get(), kEditId), m_edit);
  EXPECT_EQ(FindChildById(m_window.Get(), kNestedId), m_nested);
  EXPECT_EQ(FindChildById(m_window.Get(), 999), nullptr);
  EXPECT_EQ(ChildWindows(m_window.Get()).size(), 4u);
  EXPECT_EQ(FindChild(nullptr, kButtonText, nullptr), nullptr);

  ShowWindow(m_window.Get(), SW_HIDE);
  EXPECT_EQ(FindTopLevelWindow({kWindowClass, kTitle, self}), nullptr);
  WindowQuery hiddenToo{kWindowClass, kTitle, self};
  hiddenToo.visibleOnly = false;
  EXPECT_EQ(FindTopLevelWindow(hiddenToo), m_window.Get());
}

TEST_F(UiAutomationWindow, WaitsForWindowsToAppearAndVanish) {
  const ULONGLONG start = GetTickCount64();
  const DWORD self = GetCurrentProcessId();
  EXPECT_EQ(WaitForWindow({kWindowClass, L"不存在的窗口", self}, 300), nullptr);
  EXPECT_GE(ElapsedSince(start), 290u);
  EXPECT_LT(ElapsedSince(start), 2000u);
  EXPECT_FALSE(WaitForWindowGone(m_window.Get(), 100));

  // The window is renamed only when this thread pumps its messages.
  PostMessageW(m_window.Get(), kRetitle, 0, reinterpret_cast<LPARAM>(L"已改名"));
  EXPECT_EQ(WaitForWindow({kWindowClass, L"已改名", self}, 2000), m_window.Get());

  // A window that another thread opens late and closes when asked.
  std::thread opener([] {
    Sleep(100);
    UniqueWindow late(CreateWindowExW(0, L"Static", L"迟到的窗口", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                      100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    WaitUntil([&] { return !IsWindow(late.Get()); }, 10000);
    if (!IsWindow(late.Get())) late.Release();  // closed by the test
  });
  HWND late = WaitForWindow({L"Static", L"迟到的窗口", self}, 5000);
  EXPECT_NE(late, nullptr);
  if (late != nullptr) {
    EXPECT_TRUE(RequestClose(late));
    EXPECT_TRUE(WaitForWindowGone(late, 5000));
  }
  opener.join();

  ShowWindow(m_window.Get(), SW_HIDE);
  EXPECT_TRUE(WaitForWindowGone(m_window.Get(), 0)) << "a hidden window counts as gone";
}

TEST_F(UiAutomationWindow, ClickReachesParentOnlyWhenUserCouldClick) {
  ASSERT_TRUE(PostClick(m_button));
  EXPECT_EQ(m_clicks.count, 0) << "a posted click waits for the owner's message loop";
  EXPECT_TRUE(WaitUntil([&] { return m_clicks.count > 0; }, 2000));
  EXPECT_TRUE(PumpUntilQuiet(2000));
  EXPECT_EQ(m_clicks.count, 1);
  EXPECT_EQ(m_clicks.lastId, kButtonId);
  EXPECT_EQ(m_clicks.lastCode, BN_CLICKED);

  ASSERT_TRUE(SendClick(m_button));
  EXPECT_EQ(m_clicks.count, 2) << "a sent click is handled on return";

  EnableWindow(m_button, FALSE);
  EXPECT_FALSE(PostClick(m_button));
  EXPECT_FALSE(SendClick(m_button));
  EnableWindow(m_button, TRUE);
  EnableWindow(m_window.Get(), FALSE);
  EXPECT_FALSE(PostClick(m_button)) << "the window holding the button is disabled";
  EXPECT_TRUE(PumpUntilQuiet(2000));
  EXPECT_EQ(m_clicks.count, 2);
}

TEST_F(UiAutomationWindow, ReadsAndSetsTexts) {
  const std::wstring folder = L"C:\\Program Files\\示例软件\\安装目录";
  ASSERT_TRUE(SetText(m_edit, folder));
  EXPECT_EQ(ReadText(m_edit), folder);
  EXPECT_EQ(ReadText(m_button), std::wstring(kButtonText));

  std::wstring longText;
  for (int i = 0; i < 600; ++i) longText += L"路径abc";
  SetWindowTextW(m_edit, longText.c_str());
  EXPECT_EQ(ReadText(m_edit), longText) << "long texts are read whole";

  // A drop-down list takes only texts of its list.
  HWND list = CreateChild(m_window.Get(), L"ComboBox", L"", CBS_DROPDOWNLIST, kListId, {20, 180, 160, 200});
  SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"简体中文"));
  SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"English"));
  EXPECT_FALSE(SetText(list, L"Deutsch"));
  // Windows selects the item named; Wine refuses every text for a list without an edit box.
  if (!RunningUnderWine()) {
    EXPECT_TRUE(SetText(list, L"English"));
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
  }

  UniqueWindow destroyed(CreateWindowExW(0, L"Edit", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  HWND gone = destroyed.Get();
  destroyed.Reset();
  EXPECT_EQ(ReadText(gone), std::nullopt);
  EXPECT_FALSE(SetText(gone, L"x"));
}

TEST(UiAutomationText, HungOwnerCannotHangTheCaller) {
  std::promise<HWND> created;
  std::promise<void> release;
  std::promise<std::wstring> finalText;
  std::thread owner([&] {
    UniqueWindow window(
        CreateWindowExW(0, L"Edit", L"文本", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    created.set_value(window.Get());
    release.get_future().wait();  // busy: does not pump
    // The messages given up on arrive now and must still find the text they carry.
    PumpMessages();
    wchar_t text[32] = {};
    GetWindowTextW(window.Get(), text, 32);
    finalText.set_value(text);
  });
  HWND window = created.get_future().get();
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(ReadText(window, 200), std::nullopt);
  EXPECT_FALSE(SetText(window, std::wstring(L"新文本"), 200));
  EXPECT_LT(ElapsedSince(start), 3000u);
  release.set_value();
  const std::wstring text = finalText.get_future().get();
  owner.join();
  // Windows still delivers a sent message after its sender stopped waiting; Wine drops it.
  if (!RunningUnderWine()) {
    EXPECT_EQ(text, L"新文本");
  }
}

constexpr wchar_t kBoxTitle[] = L"安装程序 - 提问";

// A message box shown on its own thread, as the installer's GUI thread shows them while the test
// drives it from another. A box left open by a failed check is closed so the test cannot hang.
class MessageBoxOnThread {
 public:
  MessageBoxOnThread(std::wstring text, UINT style)
      : m_result(std::async(std::launch::async, [text = std::move(text), style] {
          return MessageBoxW(nullptr, text.c_str(), kBoxTitle, style);
        })) {}
  ~MessageBoxOnThread() {
    for (int attempt = 0; attempt < 50 && StillOpen(100); ++attempt) {
      HWND box = Find(0);
      for (int id : {IDCANCEL, IDNO, IDOK}) AnswerDialog(box, id);
    }
  }

  static HWND Find(DWORD timeoutMs) {
    return WaitForWindow({kDialogClass, kBoxTitle, GetCurrentProcessId()}, timeoutMs);
  }
  // The button that closed the box; 0 when it is still open after the timeout.
  int Result(DWORD timeoutMs) { return StillOpen(timeoutMs) || !m_result.valid() ? 0 : m_result.get(); }

 private:
  bool StillOpen(DWORD timeoutMs) const {
    return m_result.valid() &&
           m_result.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready;
  }

  std::future<int> m_result;
};

TEST(UiAutomationMessageBox, AnswersAndReadsMessageBoxes) {
  const std::wstring question = L"确定要退出安装程序吗？\n已复制的文件将被删除。";
  for (int answer : {IDYES, IDNO}) {
    SCOPED_TRACE(answer);
    MessageBoxOnThread shown(question, MB_YESNO | MB_ICONQUESTION);
    HWND box = MessageBoxOnThread::Find(5000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), question);
    EXPECT_FALSE(AnswerDialog(box, IDCANCEL)) << "a yes/no box has no Cancel button";
    EXPECT_TRUE(AnswerDialog(box, answer));
    EXPECT_EQ(shown.Result(5000), answer);
    EXPECT_TRUE(WaitForWindowGone(box, 2000));
  }
}

TEST(UiAutomationMessageBox, ClosingBoxWithCancelButtonCancels) {
  MessageBoxOnThread shown(L"磁盘空间不足。", MB_OKCANCEL | MB_ICONWARNING);
  HWND box = MessageBoxOnThread::Find(5000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ReadText(GetDlgItem(box, 0xFFFF)), L"磁盘空间不足。") << "the message's label has the id 0xFFFF";
  EXPECT_TRUE(RequestClose(box));
  EXPECT_EQ(shown.Result(5000), IDCANCEL);
}

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  if (FILE* file = _wfopen(path.c_str(), L"rb")) {
    std::uint8_t chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
  }
  return bytes;
}

std::uint32_t Field(const std::vector<std::uint8_t>& bytes, std::size_t offset, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(offset + static_cast<std::size_t>(i));
  return value;
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// The BMP pixel at (x, y) counted from the top-left corner, as an RGB colour.
COLORREF PixelAt(const std::vector<std::uint8_t>& bmp, int x, int y) {
  const auto width = static_cast<int>(Field(bmp, 18, 4));
  const auto height = static_cast<int>(Field(bmp, 22, 4));
  const std::size_t at = Field(bmp, 10, 4) + static_cast<std::size_t>(height - 1 - y) * Screenshot::Stride(width) +
                         static_cast<std::size_t>(x) * 3;
  return RGB(bmp.at(at + 2), bmp.at(at + 1), bmp.at(at));
}

TEST_F(UiAutomationWindow, ScreenshotIsBmpOfWholeWindow) {
  const std::wstring path = TempFile(L"界面截图.bmp");
  ASSERT_TRUE(SaveScreenshot(m_window.Get(), path));
  const std::vector<std::uint8_t> bmp = ReadFileBytes(path);
  DeleteFileW(path.c_str());
  ASSERT_GE(bmp.size(), 54u);

  RECT frame;
  GetWindowRect(m_window.Get(), &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Field(bmp, 2, 4), bmp.size());
  EXPECT_EQ(Field(bmp, 10, 4), 54u);
  EXPECT_EQ(Field(bmp, 14, 4), 40u);
  ASSERT_EQ(Field(bmp, 18, 4), static_cast<std::uint32_t>(width));
  ASSERT_EQ(Field(bmp, 22, 4), static_cast<std::uint32_t>(height));
  EXPECT_EQ(Field(bmp, 28, 2), 24u);
  ASSERT_EQ(bmp.size(), 54u + static_cast<std::size_t>(Screenshot::Stride(width)) * height);

  // The background fills the client area up to its corners, and only it: the title bar differs.
  RECT client;
  GetClientRect(m_window.Get(), &client);
  for (POINT corner : {POINT{1, 1}, POINT{client.right - 2, client.bottom - 2}}) {
    ClientToScreen(m_window.Get(), &corner);
    EXPECT_EQ(PixelAt(bmp, corner.x - frame.left, corner.y - frame.top), kBackground);
  }
  POINT caption{0, 1};
  ClientToScreen(m_window.Get(), &caption);
  EXPECT_NE(PixelAt(bmp, width / 2, (caption.y - frame.top) / 2), kBackground);
  // The button covers the background with its face and its black caption.
  RECT button;
  GetWindowRect(m_button, &button);
  std::set<COLORREF> colours;
  bool dark = false;
  for (int y = button.top; y < button.bottom; ++y) {
    for (int x = button.left; x < button.right; ++x) {
      const COLORREF colour = PixelAt(bmp, x - frame.left, y - frame.top);
      colours.insert(colour);
      dark = dark || GetRValue(colour) + GetGValue(colour) + GetBValue(colour) < 150;
    }
  }
  EXPECT_GE(colours.size(), 3u);
  EXPECT_EQ(colours.count(kBackground), 0u);
  EXPECT_TRUE(dark) << "the caption's black text";
}

TEST(UiAutomationBmp, InconsistentImageLeavesExistingFileAlone) {
  const std::wstring path = TempFile(L"ui_automation_keep.bmp");
  Screenshot good{2, 2, std::vector<std::uint8_t>(static_cast<std::size_t>(Screenshot::Stride(2)) * 2, 0x7F)};
  ASSERT_TRUE(WriteBmpFile(good, path));
  const std::vector<std::uint8_t> before = ReadFileBytes(path);
  EXPECT_EQ(before.size(), 54u + 16u) << "rows of 2 pixels padded to 8 bytes";

  Screenshot cut = good;
  cut.pixels.pop_back();
  EXPECT_TRUE(EncodeBmp(cut).empty());
  EXPECT_FALSE(WriteBmpFile(cut, path));
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_FALSE(WriteBmpFile(good, TempFile(L"no such folder\\x.bmp")));
  DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace vl::test
