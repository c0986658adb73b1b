// The installer's four pages on screen, built from the stored page descriptions by the page
// runtime: their place, look and pixels, the navigation between the first three, and a screenshot
// of each in build/screens/.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "provisional_handlers.h"
#include "runtime/frame.h"
#include "runtime/pages/gradient.h"
#include "runtime/pages/page_runtime.h"
#include "runtime/pages/properties.h"
#include "runtime/runtime_object.h"
#include "tests/support/ui_automation.h"

namespace {

using vl::test::Screenshot;

struct PageInfo {
  std::uint32_t pageId;
  std::uint32_t windowUnitId;
  const char* screenName;
};
constexpr PageInfo kWelcome{0x52010001, 0x06010000, "page-1-welcome"};
constexpr PageInfo kAgreement{0x52010013, 0x06010012, "page-2-agreement"};
constexpr PageInfo kLocation{0x52010043, 0x06010044, "page-3-location"};
constexpr PageInfo kProgress{0x5201008D, 0x0601008E, "page-4-progress"};
constexpr PageInfo kPages[] = {kWelcome, kAgreement, kLocation, kProgress};

const wchar_t kCaption[] = L"Vorlane V2.6 绿色中文版";

bool Load(const PageInfo& page) {
  const vl::ResultRecord r = vl::CallCommand(vl::LoadPageCommand, vl::ArgList{vl::PageRefArg(page.pageId, page.windowUnitId)});
  return vl::BoolResult(r);
}

void CloseNow(const PageInfo& page) {
  vl::CallCommand(vl::ClosePageCommand, vl::ArgList{vl::PageRefArg(page.pageId, page.windowUnitId), vl::BoolArg(true)});
}

// A screenshot of the page window with the pixel lookup in client coordinates.
struct PageImage {
  Screenshot shot;
  POINT clientOrigin{};  // the client area's top left inside the screenshot

  COLORREF At(int x, int y) const {
    const int sx = clientOrigin.x + x, sy = clientOrigin.y + y;
    const std::size_t row = static_cast<std::size_t>(shot.height - 1 - sy) * Screenshot::Stride(shot.width);
    const std::uint8_t* p = shot.pixels.data() + row + static_cast<std::size_t>(sx) * 3;
    return RGB(p[2], p[1], p[0]);
  }
};

PageImage Capture(HWND window) {
  PageImage image;
  EXPECT_TRUE(vl::test::PumpUntilQuiet(5000));
  auto shot = vl::test::CaptureWindow(window);
  EXPECT_TRUE(shot.has_value());
  if (shot) image.shot = *shot;
  RECT outer;
  GetWindowRect(window, &outer);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  image.clientOrigin = {origin.x - outer.left, origin.y - outer.top};
  return image;
}

std::wstring ScreenPath(const char* name) {
  std::string path = std::string("Z:") + VL_SCREENS_DIR + "/" + name + ".bmp";
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return std::wstring(path.begin(), path.end());
}

class InstallerPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    vl::CallService(vl::kServiceStartRuntime);
    CreateDirectoryA((std::string("Z:") + VL_SCREENS_DIR).c_str(), nullptr);
  }
  void TearDown() override {
    for (const PageInfo& page : kPages) {
      if (vl::TheRuntime().Pages().Find(page.pageId)->WindowUnit().View().WindowSlot() != 0) CloseNow(page);
    }
    vl::test::PumpMessages();
  }
  static HWND OnlyPage() { return vl::test::FindTopLevelWindow({L"WTWindow", kCaption, GetCurrentProcessId(), true}); }
};

TEST_F(InstallerPages, EachPageComesUpCentredWithItsCaptionIconAndSize) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  for (const PageInfo& page : kPages) {
    SCOPED_TRACE(page.screenName);
    ASSERT_TRUE(Load(page));
    HWND window = OnlyPage();
    ASSERT_NE(window, nullptr);
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, (screenWidth - 480) / 2);
    EXPECT_EQ(outer.top, (screenHeight - 358) / 2);
    EXPECT_EQ(outer.right - outer.left, 480);
    EXPECT_EQ(outer.bottom - outer.top, 358);
    EXPECT_EQ(vl::test::WindowCaption(window), kCaption);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(vl::test::SaveScreenshot(window, ScreenPath(page.screenName)));
    CloseNow(page);
  }
}

// The background label paints the gradient formula's colours: grey at the top edge, towards white
// at the bottom edge, checked on a column nothing else covers.
TEST_F(InstallerPages, TheBackgroundLabelIsTheGradientFormula) {
  ASSERT_TRUE(Load(kLocation));
  HWND page = OnlyPage();
  const PageImage image = Capture(page);
  RECT client;
  GetClientRect(page, &client);
  ASSERT_GT(client.bottom, 250);
  const std::uint32_t colours[] = {0x808080, 0xFFFFFF};
  for (int y : {0, 1, 50, 100, 167, 200, 250, static_cast<int>(client.bottom) - 1}) {
    const std::uint32_t expected = vl::GradientColourAt(colours, 334, y);
    EXPECT_EQ(image.At(470, y), expected) << "row " << y;
  }
  EXPECT_EQ(image.At(470, 0), 0x808080u);
}

TEST_F(InstallerPages, TheProgressBarRunsThroughItsThreeColoursFromTheBottomUp) {
  const int before = g_provisionalCalls.runInstallation;
  ASSERT_TRUE(Load(kProgress));
  EXPECT_EQ(g_provisionalCalls.runInstallation, before + 1);
  const PageImage image = Capture(OnlyPage());
  const std::uint32_t colours[] = {0xECECEC, 0xFF0000, 0xECECEC};
  for (int p = 0; p < 15; ++p) {
    const int y = 105 + 14 - p;
    EXPECT_EQ(image.At(25, y), vl::GradientColourAt(colours, 15, p)) << "distance " << p;
  }
  EXPECT_EQ(image.At(25, 105 + 14), 0xECECECu);  // bottom edge: the first colour
  EXPECT_EQ(image.At(25, 105 + 14 - 7), 0xFF0000u);  // one segment up: blue
}

// The small icon lies in the banner picture: at 31, 175 of the banner, 32, 200 of the page.
TEST_F(InstallerPages, TheSmallIconIsDrawnInsideTheBanner) {
  ASSERT_TRUE(Load(kWelcome));
  const PageImage image = Capture(OnlyPage());
  const COLORREF rim = RGB(200, 30, 40);  // the icon's one-pixel rim
  EXPECT_EQ(image.At(32, 200), rim);
  EXPECT_EQ(image.At(47, 200), rim);
  EXPECT_EQ(image.At(32, 215), rim);
  EXPECT_EQ(image.At(47, 215), rim);
  EXPECT_NE(image.At(31, 200), rim);
  EXPECT_NE(image.At(32, 216), rim);
  EXPECT_NE(image.At(31, 175), rim);  // not at the icon's place relative to the page
}

// A hyphen line is etched: under and right of each black pixel's lowest row lies a white one.
TEST_F(InstallerPages, HyphenLinesAreEtched) {
  ASSERT_TRUE(Load(kAgreement));
  const PageImage image = Capture(OnlyPage());
  int etched = 0, black = 0;
  for (int y = 264; y < 288; ++y) {
    for (int x = 10; x < 466; ++x) {
      if (image.At(x, y) != RGB(0, 0, 0)) continue;
      ++black;
      if (image.At(x, y + 1) != RGB(0, 0, 0) && image.At(x + 1, y + 1) == RGB(255, 255, 255)) ++etched;
    }
  }
  EXPECT_GT(black, 100);
  EXPECT_GT(etched, 100);
}

TEST_F(InstallerPages, NextAndBackMoveBetweenTheFirstThreePages) {
  const int opened = g_provisionalCalls.locationOpened;
  ASSERT_TRUE(Load(kWelcome));
  HWND welcome = OnlyPage();
  HWND next = vl::test::FindChild(welcome, L"下一步", L"Button");
  ASSERT_NE(next, nullptr);
  ASSERT_TRUE(vl::test::SendClick(next));
  ASSERT_TRUE(vl::test::WaitForWindowGone(welcome, 3000));
  HWND agreement = OnlyPage();
  ASSERT_NE(agreement, nullptr);
  EXPECT_NE(vl::test::FindChild(agreement, L"上一步", L"Button"), nullptr);
  // The agreement box holds the whole agreement text, read-only.
  HWND box = vl::test::FindChild(agreement, nullptr, L"Edit");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetWindowTextLengthA(box), 3082);
  EXPECT_TRUE(GetWindowLongA(box, GWL_STYLE) & ES_READONLY);
  ASSERT_TRUE(vl::test::SendClick(vl::test::FindChild(agreement, L"下一步", L"Button")));
  ASSERT_TRUE(vl::test::WaitForWindowGone(agreement, 3000));
  HWND location = OnlyPage();
  ASSERT_NE(location, nullptr);
  EXPECT_EQ(g_provisionalCalls.locationOpened, opened + 1);
  ASSERT_TRUE(vl::test::SendClick(vl::test::FindChild(location, L"上一步", L"Button")));
  ASSERT_TRUE(vl::test::WaitForWindowGone(location, 3000));
  EXPECT_NE(vl::test::FindChild(OnlyPage(), L"程序许可证协议", nullptr) , nullptr);
}

}  // namespace
