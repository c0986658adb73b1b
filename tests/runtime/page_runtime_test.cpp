// The page runtime: loading and closing pages (also from inside handlers), the order of events,
// properties by number, the timer, and the ways a program ends because of its pages.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "page_routines.h"
#include "runtime/frame.h"
#include "runtime/controls/page_runtime.h"
#include "runtime/controls/page_window.h"
#include "runtime/controls/properties.h"
#include "runtime/runtime_object.h"
#include "tests/support/child_process.h"
#include "tests/support/ui_automation.h"

namespace {

constexpr std::uint32_t kFirst = 0x52010001, kFirstUnit = 0x06010000;
constexpr std::uint32_t kSecond = 0x52010002, kSecondUnit = 0x06010010;
constexpr std::uint32_t kBroken = 0x52010003, kHidden = 0x52010004, kHiddenUnit = 0x06010030;
constexpr std::uint32_t kButton = 0x16010002, kEditBox = 0x16010003, kTimer = 0x16010004;
constexpr std::uint32_t kSecondButton = 0x16010011;

bool Load(std::uint32_t pageId, std::uint32_t unitId) {
  return vl::BoolResult(vl::CallCommand(vl::LoadPageCommand, vl::ArgList{vl::PageRefArg(pageId, unitId)}));
}
void CloseLater(std::uint32_t pageId, std::uint32_t unitId) {
  static_cast<void>(vl::CallCommand(vl::ClosePageCommand, vl::ArgList{vl::PageRefArg(pageId, unitId)}));
}
void CloseNow(std::uint32_t pageId, std::uint32_t unitId) {
  static_cast<void>(vl::CallCommand(vl::ClosePageCommand, vl::ArgList{vl::PageRefArg(pageId, unitId), vl::BoolArg(true)}));
}

HWND WindowOf(std::uint32_t pageId) {
  vl::PageWindow* page = vl::PageWindow::Loaded(pageId);
  return page == nullptr ? nullptr : page->Window();
}

std::int32_t ReadInt(std::uint32_t pageId, std::uint32_t unitId, int number) {
  return static_cast<std::int32_t>(vl::ReadProperty(pageId, unitId, number, vl::kWholeProperty));
}
void WriteInt(std::uint32_t pageId, std::uint32_t unitId, int number, std::int32_t value) {
  vl::WriteProperty(pageId, unitId, number, vl::kWholeProperty, static_cast<std::uint32_t>(value), 0);
}
std::string ReadText(std::uint32_t pageId, std::uint32_t unitId, int number, bool* wasNull = nullptr) {
  auto* text = reinterpret_cast<char*>(static_cast<std::uintptr_t>(vl::ReadProperty(pageId, unitId, number, -1)));
  if (wasNull != nullptr) *wasNull = text == nullptr;
  std::string copy = text == nullptr ? "" : text;
  vl::FreeMemory(text);
  return copy;
}

// The routines run so far, in their order, but for the first page's moves and resizes: the
// system's first show of a window may report both once more.
std::vector<Routine> RoutinesRun() {
  std::vector<Routine> order = g_routines.order;
  std::erase_if(order, [](Routine r) { return r == Routine::FirstMoved || r == Routine::FirstResized; });
  return order;
}

// What loading the first page runs, so counted: its event 0, then event -7 of the control that
// took the focus when the page was shown.
const std::vector<Routine> kFirstLoaded{Routine::FirstCreated, Routine::FirstFocus};

std::vector<Routine> Then(std::vector<Routine> first, const std::vector<Routine>& next) {
  first.insert(first.end(), next.begin(), next.end());
  return first;
}

class PageRuntime : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { vl::CallService(vl::kServiceStartRuntime); }
  void SetUp() override { g_routines.Reset(); }
  void TearDown() override {
    g_routines.Reset();
    for (auto [page, unit] : {std::pair{kFirst, kFirstUnit}, std::pair{kSecond, kSecondUnit}, std::pair{kHidden, kHiddenUnit}}) {
      if (WindowOf(page) != nullptr) CloseNow(page, unit);
    }
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    vl::test::PumpMessages();
    EXPECT_TRUE(vl::TheRuntime().PageWindows().empty());
  }
};

TEST_F(PageRuntime, LoadingANewPageAndClosingTheCurrentOneKeepsBothUntilTheHandlerReturns) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  HWND first = WindowOf(kFirst);
  bool bothDuringHandler = false;
  g_routines.Hook(Routine::FirstClick) = [&] {
    Load(kSecond, kSecondUnit);
    CloseLater(kFirst, kFirstUnit);
    bothDuringHandler = IsWindow(first) && IsWindowVisible(WindowOf(kSecond));
  };
  ASSERT_TRUE(vl::test::SendClick(vl::test::FindChildById(first, kButton & 0xFFFF)));
  EXPECT_TRUE(bothDuringHandler);
  EXPECT_TRUE(IsWindow(first));  // the close waits for the message loop
  vl::test::PumpMessages();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_NE(WindowOf(kSecond), nullptr);
  EXPECT_EQ(WindowOf(kFirst), nullptr);
  // ClosePage asks nothing: no close request before the page goes.
  EXPECT_EQ(RoutinesRun(), Then(kFirstLoaded, {Routine::FirstClick, Routine::SecondCreated, Routine::FirstDestroyed}));
}

TEST_F(PageRuntime, LoadingAPageWhoseCloseIsPendingBuildsItAnew) {
  ASSERT_TRUE(Load(kSecond, kSecondUnit));
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  HWND old = WindowOf(kFirst);
  CloseLater(kFirst, kFirstUnit);
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  EXPECT_FALSE(IsWindow(old));
  // The old page is gone before the new one's first event.
  EXPECT_EQ(RoutinesRun(), Then(Then({Routine::SecondCreated}, kFirstLoaded),
                                   Then({Routine::FirstDestroyed}, kFirstLoaded)));
  HWND fresh = WindowOf(kFirst);
  ASSERT_NE(fresh, nullptr);
  vl::test::PumpMessages();  // the old page's posted close finds nothing to close
  EXPECT_TRUE(IsWindowVisible(fresh));
  EXPECT_EQ(WindowOf(kFirst), fresh);
}

TEST_F(PageRuntime, LoadingAnOpenPageOnlyActivatesIt) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  HWND window = WindowOf(kFirst);
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  EXPECT_EQ(WindowOf(kFirst), window);
  EXPECT_EQ(g_routines.Calls(Routine::FirstCreated), 1);
}

TEST_F(PageRuntime, ThePageWindowListFollowsThePageListNotTheLoadOrder) {
  ASSERT_TRUE(Load(kSecond, kSecondUnit));
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  const std::vector<HWND> expected{WindowOf(kFirst), WindowOf(kSecond)};
  EXPECT_EQ(vl::TheRuntime().PageWindows(), expected);
}

TEST_F(PageRuntime, EventZeroRunsWithTheControlsBuiltBeforeThePageIsVisible) {
  bool visibleDuringEvent = true;
  bool buttonExisted = false;
  g_routines.Hook(Routine::FirstCreated) = [&] {
    HWND window = WindowOf(kFirst);
    visibleDuringEvent = window == nullptr || IsWindowVisible(window);
    buttonExisted = vl::test::FindChildById(window, kButton & 0xFFFF) != nullptr;
  };
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  // Events 0, 3 and 4 while the page is built and hidden; -7 once it is shown.
  const std::vector<Routine> loadOrder{Routine::FirstCreated, Routine::FirstMoved, Routine::FirstResized};
  ASSERT_GT(g_routines.order.size(), loadOrder.size());
  EXPECT_TRUE(std::equal(loadOrder.begin(), loadOrder.end(), g_routines.order.begin()));
  EXPECT_EQ(g_routines.order.back(), Routine::FirstFocus);
  EXPECT_EQ(RoutinesRun(), kFirstLoaded);
  EXPECT_FALSE(visibleDuringEvent);
  EXPECT_TRUE(buttonExisted);
  EXPECT_TRUE(IsWindowVisible(WindowOf(kFirst)));
}

TEST_F(PageRuntime, PositionsAndSizesAreClampedWhenWritten) {
  // Not loaded: the stored values.
  WriteInt(kSecond, kSecondButton, vl::kPropWidth, -5);
  WriteInt(kSecond, kSecondButton, vl::kPropLeft, 40000);
  WriteInt(kSecond, kSecondButton, vl::kPropTop, -40000);
  EXPECT_EQ(ReadInt(kSecond, kSecondButton, vl::kPropWidth), 0);
  EXPECT_EQ(ReadInt(kSecond, kSecondButton, vl::kPropLeft), 32627);
  EXPECT_EQ(ReadInt(kSecond, kSecondButton, vl::kPropTop), -32627);
  WriteInt(kSecond, kSecondButton, vl::kPropWidth, 80);
  WriteInt(kSecond, kSecondButton, vl::kPropLeft, 10);
  WriteInt(kSecond, kSecondButton, vl::kPropTop, 10);
  // Loaded: the window itself moves and is read back.
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  WriteInt(kFirst, kButton, vl::kPropHeight, -5);
  WriteInt(kFirst, kButton, vl::kPropLeft, 40000);
  EXPECT_EQ(ReadInt(kFirst, kButton, vl::kPropHeight), 0);
  EXPECT_EQ(ReadInt(kFirst, kButton, vl::kPropLeft), 32627);
  EXPECT_EQ(ReadInt(kFirst, kButton, vl::kPropWidth), 80);
  WriteInt(kFirst, kButton, vl::kPropLeft, 25);
  RECT place;
  HWND button = vl::test::FindChildById(WindowOf(kFirst), kButton & 0xFFFF);
  GetWindowRect(button, &place);
  MapWindowPoints(nullptr, WindowOf(kFirst), reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(place.left, 25);
  // Closing puts the stored values back: the next load starts from the catalogue.
  CloseNow(kFirst, kFirstUnit);
  EXPECT_EQ(ReadInt(kFirst, kButton, vl::kPropLeft), 10);
  EXPECT_EQ(ReadInt(kFirst, kButton, vl::kPropHeight), 22);
}

// What a written field changes: a text or font reaches the window as it is; a style the system
// takes only at creation builds the window again, with everything written so far.
TEST_F(PageRuntime, WrittenFieldsReachTheWindowOrBuildItAgain) {
  constexpr int kButtonText = 9, kButtonDefault = 10, kButtonFont = 13, kFontHeight = 5;
  auto text = [](const char* bytes) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(bytes)); };
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  HWND button = vl::test::FindChildById(WindowOf(kFirst), kButton & 0xFFFF);
  const char* const kNext = "\xCF\xC2\xD2\xBB\xB2\xBD";  // "下一步" in GBK
  vl::WriteProperty(kFirst, kButton, kButtonText, vl::kWholeProperty, text(kNext), 0);
  vl::WriteProperty(kFirst, kButton, kButtonFont, kFontHeight, 20, 0);
  auto fontHeight = [](HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
  };
  EXPECT_EQ(vl::test::FindChildById(WindowOf(kFirst), kButton & 0xFFFF), button);
  EXPECT_EQ(vl::test::WindowCaption(button), L"下一步");
  EXPECT_EQ(fontHeight(button), -20);
  EXPECT_EQ(ReadText(kFirst, kButton, kButtonText), kNext);

  WriteInt(kFirst, kButton, kButtonDefault, 1);
  HWND rebuilt = vl::test::FindChildById(WindowOf(kFirst), kButton & 0xFFFF);
  ASSERT_NE(rebuilt, nullptr);
  EXPECT_NE(rebuilt, button);
  EXPECT_NE(GetWindowLongW(rebuilt, GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
  EXPECT_EQ(vl::test::WindowCaption(rebuilt), L"下一步");
  EXPECT_EQ(fontHeight(rebuilt), -20);
}

TEST_F(PageRuntime, AnEmptyEditBoxReadsAsNull) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  bool wasNull = false;
  EXPECT_EQ(ReadText(kFirst, kEditBox, 8, &wasNull), "");
  EXPECT_TRUE(wasNull);
  vl::WriteProperty(kFirst, kEditBox, 8, -1, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>("C:\\目录")), 0);
  EXPECT_EQ(ReadText(kFirst, kEditBox, 8, &wasNull), "C:\\目录");
  EXPECT_FALSE(wasNull);
  vl::WriteProperty(kFirst, kEditBox, 8, -1, 0, 0);  // null is the empty text
  EXPECT_EQ(ReadText(kFirst, kEditBox, 8, &wasNull), "");
  EXPECT_TRUE(wasNull);
  // Defaults of a box without a stored block: sunken border, editable, one line.
  HWND box = vl::test::FindChildById(WindowOf(kFirst), kEditBox & 0xFFFF);
  EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(GetWindowLongA(box, GWL_STYLE) & (ES_READONLY | ES_MULTILINE));
}

TEST_F(PageRuntime, ATimerTicksOnlyWithAPositivePeriod) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  EXPECT_EQ(ReadInt(kFirst, kTimer, 8), 0);
  vl::test::PumpMessagesFor(150);
  EXPECT_EQ(g_routines.Calls(Routine::Tick), 0);
  WriteInt(kFirst, kTimer, 8, 1);
  EXPECT_TRUE(vl::test::WaitUntil([] { return g_routines.Calls(Routine::Tick) >= 3; }, 3000));
  WriteInt(kFirst, kTimer, 8, 0);
  vl::test::PumpMessages();
  const int stopped = g_routines.Calls(Routine::Tick);
  vl::test::PumpMessagesFor(150);
  EXPECT_EQ(g_routines.Calls(Routine::Tick), stopped);
  WriteInt(kFirst, kTimer, 8, 1);
  WriteInt(kFirst, kTimer, 8, 1);  // the same period again changes nothing
  EXPECT_EQ(ReadInt(kFirst, kTimer, 8), 1);
  EXPECT_TRUE(vl::test::WaitUntil([&] { return g_routines.Calls(Routine::Tick) >= stopped + 3; }, 3000));
  WriteInt(kFirst, kTimer, 8, -3);
  EXPECT_EQ(ReadInt(kFirst, kTimer, 8), 0);
}

TEST_F(PageRuntime, APageThatCannotBeBuiltLeavesNothingBehind) {
  EXPECT_FALSE(Load(kBroken, 0x06010020));
  EXPECT_FALSE(Load(0x52019999, 0x06010099));
  EXPECT_EQ(WindowOf(kBroken), nullptr);
  EXPECT_TRUE(vl::TheRuntime().PageWindows().empty());
  EXPECT_EQ(g_routines.Calls(Routine::FirstCreated), 0);
  EXPECT_EQ(vl::test::FindTopLevelWindow({L"WTWindow", L"坏页", GetCurrentProcessId(), false}), nullptr);
}

TEST_F(PageRuntime, AHiddenPageIsShownWhenItsWindowUnitIsMadeVisible) {
  ASSERT_TRUE(Load(kHidden, kHiddenUnit));
  EXPECT_EQ(g_routines.Calls(Routine::HiddenCreated), 1);
  HWND window = WindowOf(kHidden);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(ReadInt(kHidden, kHiddenUnit, vl::kPropVisible), 0);
  WriteInt(kHidden, kHiddenUnit, vl::kPropVisible, 1);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(ReadInt(kHidden, kHiddenUnit, vl::kPropVisible), 1);
}

TEST_F(PageRuntime, ControlsStandFrontToBackInStoredOrder) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  std::vector<int> order;
  for (HWND child = GetWindow(WindowOf(kFirst), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(GetDlgCtrlID(child));
  }
  EXPECT_EQ(order, (std::vector<int>{2, 3, 4, 5, 7, 9, 6}));
  // The label stored inside the picture box lies in the box's window, at its place there.
  HWND picture = vl::test::FindChildById(WindowOf(kFirst), 7);
  HWND inside = GetWindow(picture, GW_CHILD);
  ASSERT_NE(inside, nullptr);
  EXPECT_EQ(GetDlgCtrlID(inside), 8);
  RECT place;
  GetWindowRect(inside, &place);
  MapWindowPoints(nullptr, picture, reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(place.left, 2);
  EXPECT_EQ(place.top, 3);
}

TEST_F(PageRuntime, TheTitleBarCloseAsksEventOneAndDestroysWithEventTwo) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  HWND window = WindowOf(kFirst);
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(RoutinesRun(), Then(kFirstLoaded, {Routine::FirstCloseRequest, Routine::FirstDestroyed}));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(WindowOf(kFirst), nullptr);
}

TEST_F(PageRuntime, AHandlerClosingItsOwnPageAtOnceIsSafe) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  HWND window = WindowOf(kFirst);
  g_routines.Hook(Routine::FirstClick) = [] { CloseNow(kFirst, kFirstUnit); };
  ASSERT_TRUE(vl::test::SendClick(vl::test::FindChildById(window, kButton & 0xFFFF)));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(g_routines.Calls(Routine::FirstDestroyed), 1);
  ASSERT_TRUE(Load(kFirst, kFirstUnit));  // and it loads again from its stored values
  EXPECT_EQ(ReadInt(kFirst, kButton, vl::kPropWidth), 80);
}

bool g_firstEnabledDuringModal = true;
void CALLBACK WhileModal(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  g_firstEnabledDuringModal = IsWindowEnabled(WindowOf(kFirst)) != FALSE;
  CloseLater(kSecond, kSecondUnit);
}

TEST_F(PageRuntime, AModalPageRunsItsOwnLoopWithTheOtherPagesDisabled) {
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  SetTimer(nullptr, 0, 20, &WhileModal);
  const vl::ResultRecord loaded = vl::CallCommand(
      vl::LoadPageCommand, vl::ArgList{vl::PageRefArg(kSecond, kSecondUnit), vl::ArgRecord{}, vl::BoolArg(true)});
  // LoadPage came back only once the modal page was closed from inside its loop.
  EXPECT_TRUE(vl::BoolResult(loaded));
  EXPECT_EQ(g_routines.Calls(Routine::SecondCreated), 1);
  EXPECT_EQ(WindowOf(kSecond), nullptr);
  EXPECT_FALSE(g_firstEnabledDuringModal);
  EXPECT_TRUE(IsWindowEnabled(WindowOf(kFirst)));
}

// Last of the in-process tests: from here on the loop counts as started, and closing the last page
// posts the quit message (which TearDown takes away again).
TEST_F(PageRuntime, APendingCloseOfTheOnlyPageDoesNotEndTheLoopWhenThePageIsLoadedAgain) {
  vl::TheRuntime().SetLoopStarted();
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  CloseLater(kFirst, kFirstUnit);
  ASSERT_TRUE(Load(kFirst, kFirstUnit));
  MSG message;
  EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  CloseNow(kFirst, kFirstUnit);  // but closing the last page does end it
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// --- Child programs ---------------------------------------------------------------------------

// A page program playing one scenario, watched from outside.
class Child : public vl::test::ChildProcess {
 public:
  explicit Child(const std::string& scenario)
      : ChildProcess(vl::test::TestProgramFolder() + "page_scenarios.exe", scenario) {}
  DWORD ExitCode() const { return WaitForExit(); }
  std::wstring FatalText() const { return vl::test::AnswerFatalErrorBox(Id()); }
};

std::wstring Fatal(const std::wstring& message) { return L"运行时出错!\r\n\r\n错误信息：" + message + L"\r\n"; }

TEST(PageProgram, ClosingTheLastPageByItsTitleBarEndsTheProgramWithZero) {
  Child child("lastpage");
  ASSERT_TRUE(child.Started());
  HWND page = vl::test::WaitForWindow({L"WTWindow", L"第一页", child.Id(), true}, 10000);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(vl::test::RequestClose(page));
  EXPECT_EQ(child.ExitCode(), 0u);
}

TEST(PageProgram, PageMistakesAreFatal) {
  const std::pair<const char*, std::wstring> cases[] = {
      {"closeunloaded", L"指定窗口或窗口组件不存在或尚未载入"},
      {"contentunloaded", L"指定窗口尚未载入"},
      {"unknownpage", L"未载入欲访问窗口组件所在的窗口"},
      {"badstartpage", L"载入启动窗口失败"},
  };
  for (const auto& [scenario, message] : cases) {
    SCOPED_TRACE(scenario);
    Child child(scenario);
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.FatalText(), Fatal(message));
    EXPECT_EQ(child.ExitCode(), 0xFFFFFFFFu);
  }
}

}  // namespace
