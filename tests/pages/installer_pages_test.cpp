// The installer's four pages on screen, built from the stored page descriptions by the page
// runtime: their place, look and pixels at the display's DPI (the prefix's LogPixels), a change
// of DPI while a page is shown, the navigation between the first three, and a screenshot of each
// in build/screens/.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "page_segment_layout.h"
#include "pages/property_block.h"
#include "provisional_handlers.h"
#include "runtime/frame.h"
#include "runtime/controls/gradient.h"
#include "runtime/controls/page_runtime.h"
#include "runtime/controls/page_window.h"
#include "runtime/controls/properties.h"
#include "runtime/runtime_object.h"
#include "tests/support/ui_automation.h"

namespace {

using vl::test::Screenshot;

struct PageInfo {
  std::uint32_t pageId;
  std::uint32_t windowUnitId;
  const char* screenName;
};
constexpr PageInfo kWelcome{page_ids::kWelcomePage, page_ids::kWelcomeWindow, "page-1-welcome"};
constexpr PageInfo kAgreement{page_ids::kAgreementPage, page_ids::kAgreementWindow, "page-2-agreement"};
constexpr PageInfo kLocation{page_ids::kLocationPage, page_ids::kLocationWindow, "page-3-location"};
constexpr PageInfo kProgress{page_ids::kProgressPage, page_ids::kProgressWindow, "page-4-progress"};
constexpr PageInfo kPages[] = {kWelcome, kAgreement, kLocation, kProgress};

const wchar_t kCaption[] = L"Vorlane V2.6 绿色中文版";

// The display's (the system's) DPI, and a stored length or edge at a DPI (the system's rounding).
int g_dpi = 96;
int Scaled(int value, int dpi = g_dpi) { return MulDiv(value, dpi, 96); }

vl::PageWindow& LoadedPage(const PageInfo& page) {
  return *vl::PageWindow::Loaded(page.pageId);
}

RECT PlaceInParent(HWND window) {
  RECT place;
  GetWindowRect(window, &place);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

// Every control of a loaded page lies where its stored place puts it at `dpi`, each edge scaled
// on its own, and draws with its stored font at `dpi` (the stock font, described at `dpi`, when
// it stores none).
void ExpectLaidOutAt(const PageInfo& page, int dpi) {
  const int systemDpi = g_dpi;
  LOGFONTW stock{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
  for (auto& control : LoadedPage(page).Controls()) {
    if (control->Window() == nullptr) continue;
    SCOPED_TRACE(testing::Message() << std::hex << control->Id());
    const vl::pages::UnitView view = control->View();
    const RECT place = PlaceInParent(control->Window());
    EXPECT_EQ(place.left, Scaled(view.Left(), dpi));
    EXPECT_EQ(place.top, Scaled(view.Top(), dpi));
    EXPECT_EQ(place.right, Scaled(view.Left() + view.Width(), dpi));
    EXPECT_EQ(place.bottom, Scaled(view.Top() + view.Height(), dpi));
    const int field = vl::FieldOfType(control->Kind(), vl::ptype::kFont);
    if (field < 0) continue;
    const vl::pages::FontDescription stored = vl::pages::DecodeFont(control->Bytes(field));
    LOGFONTW font{};
    GetObjectW(control->Font(), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, stored.isDefault ? MulDiv(stock.lfHeight, dpi, systemDpi) : Scaled(stored.height, dpi));
  }
}

bool Load(const PageInfo& page) {
  const vl::ResultRecord r = vl::CallCommand(vl::LoadPageCommand, vl::ArgList{vl::PageRefArg(page.pageId, page.windowUnitId)});
  return vl::BoolResult(r);
}

void CloseNow(const PageInfo& page) {
  static_cast<void>(vl::CallCommand(vl::ClosePageCommand, vl::ArgList{vl::PageRefArg(page.pageId, page.windowUnitId), vl::BoolArg(true)}));
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
  std::string path = std::string("Z:") + VL_SCREENS_DIR + "/" + name;
  if (g_dpi != 96) path += '-' + std::to_string(g_dpi);
  path += ".bmp";
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return std::wstring(path.begin(), path.end());
}

class InstallerPages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HDC screen = GetDC(nullptr);
    g_dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (const char* asked = std::getenv("WINE_ENV_DPI")) {
      EXPECT_EQ(g_dpi, std::atoi(asked));
    }
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

TEST_F(InstallerPages, EachPageComesUpCentredAtTheDisplaysScaleWithItsCaptionIconAndFonts) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  for (const PageInfo& page : kPages) {
    SCOPED_TRACE(page.screenName);
    ASSERT_TRUE(Load(page));
    HWND window = OnlyPage();
    ASSERT_NE(window, nullptr);
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, Scaled(480));
    EXPECT_EQ(outer.bottom - outer.top, Scaled(358));
    EXPECT_EQ(outer.left, (screenWidth - Scaled(480)) / 2);
    EXPECT_EQ(outer.top, (screenHeight - Scaled(358)) / 2);
    ExpectLaidOutAt(page, g_dpi);
    if (page.pageId == kWelcome.pageId) {
      LOGFONTW font{};
      GetObjectW(LoadedPage(page).FindControl(page_ids::kWelcomeTitle)->Font(), sizeof font, &font);
      EXPECT_EQ(font.lfHeight, Scaled(-16));  // 黑体 16
    }
    // Handlers read the stored units, whatever the display.
    EXPECT_EQ(vl::ReadProperty(page.pageId, page.windowUnitId, 2, -1), 480u);
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

// The background label paints the gradient formula over its scaled height: grey at the top edge,
// towards white at the bottom edge, checked on a column nothing else covers.
TEST_F(InstallerPages, TheBackgroundLabelIsTheGradientFormula) {
  ASSERT_TRUE(Load(kLocation));
  HWND page = OnlyPage();
  const PageImage image = Capture(page);
  RECT client;
  GetClientRect(page, &client);
  ASSERT_GT(client.bottom, Scaled(250));
  const std::uint32_t colours[] = {0x808080, 0xFFFFFF};
  // The label ends at the client area's bottom, or above it where the frame scales to less.
  const int last = std::min<int>(client.bottom, Scaled(334)) - 1;
  for (int y : {0, 1, Scaled(50), Scaled(100), Scaled(167), Scaled(200), Scaled(250), last}) {
    const std::uint32_t expected = vl::GradientColourAt(colours, Scaled(334), y);
    EXPECT_EQ(image.At(Scaled(470), y), expected) << "row " << y;
  }
  EXPECT_EQ(image.At(Scaled(470), 0), 0x808080u);
}

TEST_F(InstallerPages, TheProgressBarRunsThroughItsThreeColoursFromTheBottomUp) {
  const int before = g_provisionalCalls.runInstallation;
  ASSERT_TRUE(Load(kProgress));
  EXPECT_EQ(g_provisionalCalls.runInstallation, before + 1);
  const PageImage image = Capture(OnlyPage());
  const std::uint32_t colours[] = {0xECECEC, 0xFF0000, 0xECECEC};
  // The bar: 23, 105, 5 x 15, each edge scaled.
  const int x = (Scaled(23) + Scaled(28)) / 2, bottom = Scaled(120) - 1, height = Scaled(120) - Scaled(105);
  for (int p = 0; p < height; ++p) {
    EXPECT_EQ(image.At(x, bottom - p), vl::GradientColourAt(colours, height, p)) << "distance " << p;
  }
  EXPECT_EQ(image.At(x, bottom), 0xECECECu);  // bottom edge: the first colour
  EXPECT_EQ(image.At(x, bottom - height / 2), 0xFF0000u);  // one segment up: blue
}

// The banner covers its scaled place, and the small icon lies in it: at 31, 175 of the banner,
// 32, 200 of the page, drawn at its scaled size (smoothed, so its rim only nearly keeps its
// colour off 96 DPI).
TEST_F(InstallerPages, TheBannerCoversItsPlaceAndTheSmallIconLiesInIt) {
  ASSERT_TRUE(Load(kWelcome));
  HWND page = OnlyPage();
  const PageImage image = Capture(page);
  const std::uint32_t background[] = {0x808080, 0xFFFFFF};
  auto backgroundAt = [&](int y) { return vl::GradientColourAt(background, Scaled(334), y); };
  const RECT banner = {Scaled(1), Scaled(25), Scaled(160), Scaled(311)};
  for (POINT corner : {POINT{banner.left, banner.top}, POINT{banner.right - 1, banner.top},
                       POINT{banner.left, banner.bottom - 1}, POINT{banner.right - 1, banner.bottom - 1}}) {
    EXPECT_NE(image.At(corner.x, corner.y), backgroundAt(corner.y)) << corner.x << ", " << corner.y;
  }
  EXPECT_EQ(image.At(banner.right, Scaled(168)), backgroundAt(Scaled(168)));
  EXPECT_EQ(image.At(Scaled(80), banner.bottom), backgroundAt(banner.bottom));

  RECT icon;
  GetWindowRect(LoadedPage(kWelcome).FindControl(page_ids::kWelcomeIcon)->Window(), &icon);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&icon), 2);
  EXPECT_EQ(icon.left, Scaled(1) + Scaled(31));
  EXPECT_EQ(icon.top, Scaled(25) + Scaled(175));
  const int tolerance = g_dpi == 96 ? 0 : 60;
  auto rimLike = [&](int x, int y) {
    const COLORREF c = image.At(x, y);
    return std::abs(GetRValue(c) - 200) <= tolerance && std::abs(GetGValue(c) - 30) <= tolerance &&
           std::abs(GetBValue(c) - 40) <= tolerance;
  };
  EXPECT_TRUE(rimLike(icon.left, icon.top));
  EXPECT_TRUE(rimLike(icon.right - 1, icon.top));
  EXPECT_TRUE(rimLike(icon.left, icon.bottom - 1));
  EXPECT_TRUE(rimLike(icon.right - 1, icon.bottom - 1));
  EXPECT_FALSE(rimLike(icon.left - 1, icon.top));
  EXPECT_FALSE(rimLike(icon.left, icon.bottom));
  EXPECT_FALSE(rimLike(Scaled(31), Scaled(175)));  // not at the icon's place relative to the page
}

// A hyphen line is etched: under and right of each black pixel's lowest row, by one pixel scaled,
// lies the white copy (lighter than the page behind it: the font may be smoothed).
TEST_F(InstallerPages, HyphenLinesAreEtched) {
  ASSERT_TRUE(Load(kAgreement));
  const PageImage image = Capture(OnlyPage());
  const int offset = Scaled(1);
  const std::uint32_t background[] = {0x808080, 0xFFFFFF};
  int lowest = 0, etched = 0;  // black pixels with no black below them; those with the white copy
  for (int y = Scaled(264); y < Scaled(288); ++y) {
    for (int x = Scaled(10); x < Scaled(466); ++x) {
      if (image.At(x, y) != RGB(0, 0, 0) || image.At(x, y + 1) == RGB(0, 0, 0)) continue;
      ++lowest;
      const int behind = GetRValue(vl::GradientColourAt(background, Scaled(334), y + offset));
      if (GetRValue(image.At(x + offset, y + offset)) > behind + 8) ++etched;
    }
  }
  EXPECT_GE(lowest, 70);  // at least one per hyphen
  EXPECT_GE(etched, 70);
}

// The system announces a new DPI while the progress page is shown (the page moved to another
// monitor): the page takes the size it is offered and lays everything out at the new DPI, and
// what the page shows and what the handlers wrote stays.
TEST_F(InstallerPages, ANewDpiLaysTheShownPageOutAgainAndKeepsItsState) {
  ASSERT_TRUE(Load(kProgress));
  HWND page = OnlyPage();
  constexpr std::uint32_t kReport = page_ids::kReportBox, kBar = page_ids::kProgressBar, kFinish = page_ids::kFinishButton;
  const std::string report = "\xb5\xda\xd2\xbb\xd0\xd0\r\nsecond line";  // 第一行
  vl::WriteProperty(kProgress.pageId, kReport, 8, -1, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(report.c_str())), 0);
  HWND reportBox = LoadedPage(kProgress).FindControl(kReport)->Window();
  SendMessageW(reportBox, EM_SETSEL, 2, 7);
  vl::WriteProperty(kProgress.pageId, kBar, 2, -1, 205, 0);
  vl::WriteProperty(kProgress.pageId, kFinish, 6, -1, 1, 0);

  const int dpi = g_dpi == 192 ? 144 : 192;
  RECT outer;
  GetWindowRect(page, &outer);
  RECT suggested{outer.left, outer.top, outer.left + Scaled(480, dpi), outer.top + Scaled(358, dpi)};
  SendMessageW(page, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
  ASSERT_TRUE(vl::test::PumpUntilQuiet(5000));

  EXPECT_EQ(LoadedPage(kProgress).Dpi(), dpi);
  GetWindowRect(page, &outer);
  EXPECT_TRUE(EqualRect(&outer, &suggested));
  EXPECT_EQ(vl::ReadProperty(kProgress.pageId, kProgress.windowUnitId, 2, -1), 480u);
  ExpectLaidOutAt(kProgress, dpi);
  const RECT bar = PlaceInParent(LoadedPage(kProgress).FindControl(kBar)->Window());
  EXPECT_EQ(bar.right, Scaled(23 + 205, dpi));
  EXPECT_EQ(vl::ReadProperty(kProgress.pageId, kBar, 2, -1), 205u);
  wchar_t shown[64] = {};
  GetWindowTextW(reportBox, shown, 64);
  EXPECT_STREQ(shown, L"第一行\r\nsecond line");
  DWORD start = 0, end = 0;
  SendMessageW(reportBox, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 7u);
  EXPECT_EQ(vl::ReadProperty(kProgress.pageId, kFinish, 6, -1), 1u);
  EXPECT_FALSE(IsWindowEnabled(LoadedPage(kProgress).FindControl(kFinish)->Window()));

  // The window icons were taken again at the sizes the system asks for at the new DPI.
  ICONINFO icon{};
  ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageW(page, WM_GETICON, ICON_BIG, 0)), &icon));
  BITMAP bitmap{};
  GetObjectW(icon.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, MulDiv(GetSystemMetrics(SM_CXICON), dpi, g_dpi));
  DeleteObject(icon.hbmColor);
  DeleteObject(icon.hbmMask);
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
