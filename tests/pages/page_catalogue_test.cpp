// The installer's four pages as generated from pages/pages.txt: every control of the catalogue
// with its id, kind, place, container, state and binding, and the carried texts and pictures
// with their exact sizes and forms.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "label_colours.h"
#include "pages/page_segment.h"
#include "pages/property_block.h"

namespace {

using namespace vl::pages;
using vl::test::LabelGradientColours;

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Gbk(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

class Catalogue : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_segment = ReadFile(VL_INSTALLER_SEGMENT);
    // The installer's routine entries: 8 bytes for each routine it binds, and then some.
    auto pages = ReadPageSegment(s_segment, 0xFFFFFFF8u);
    ASSERT_TRUE(pages) << pages.GetError().why;
    s_pages = std::move(pages.Value());
  }
  static UnitView View(std::uint32_t page, std::uint32_t unit) {
    PageDescription* description = s_pages.Find(page);
    Unit* found = description == nullptr ? nullptr : description->FindUnit(unit);
    EXPECT_NE(found, nullptr) << std::hex << page << " " << unit;
    return found != nullptr ? found->View() : UnitView();
  }
  static PropertyValues Values(std::uint32_t page, std::uint32_t unit) {
    const UnitView view = View(page, unit);
    auto values = ReadPropertyBlock(view.Kind(), view.PropertyBlock());
    EXPECT_TRUE(values);
    return values.Value();
  }

  static inline std::vector<std::uint8_t> s_segment;
  static inline PageList s_pages;
};

struct Row {
  std::uint32_t page, unit, kind;
  int left, top, width, height;
  std::uint32_t container;
  std::uint32_t state;  // without the control bit
  bool bound;
};

constexpr std::uint32_t W = 0x52010001, A = 0x52010013, L = 0x52010043, P = 0x5201008D;
constexpr std::uint32_t V = kStateVisible, D = kStateDisabled, F = kStateFocusStop;

const Row kRows[] = {
    {W, 0x160100fc, kKindPicBox, 31, 175, 16, 16, 0x16010007, V, false},
    {W, 0x160100b2, kKindTransLabel, 176, 32, 100, 24, 0, V, false},
    {W, 0x1601000d, kKindButton, 384, 297, 80, 22, 0, V | F, true},
    {W, 0x1601000c, kKindButton, 288, 297, 80, 22, 0, V | F, true},
    {W, 0x1601000a, kKindTransLabel, 175, 64, 264, 216, 0, V, false},
    {W, 0x16010007, kKindPicBox, 1, 25, 159, 286, 0, V, false},
    {W, 0x16010002, kKindLabel, 0, 0, 480, 334, 0, V, false},
    {A, 0x160100b4, kKindTransLabel, 16, 32, 160, 32, 0, V, false},
    {A, 0x1601002b, kKindButton, 207, 297, 80, 22, 0, V | F, true},
    {A, 0x1601002c, kKindButton, 288, 297, 80, 22, 0, V | F, true},
    {A, 0x1601002d, kKindButton, 384, 297, 80, 22, 0, V | F, true},
    {A, 0x16010021, kKindTransLabel, 24, 232, 424, 44, 0, V, false},
    {A, 0x16010020, kKindTransLabel, 10, 264, 456, 24, 0, V | D, false},
    {A, 0x1601001f, kKindTransLabel, 16, 50, 280, 32, 0, V, false},
    {A, 0x1601001d, kKindEditBox, 17, 82, 440, 142, 0, V | F, false},
    {A, 0x1601001a, kKindTransLabel, 16, 3, 176, 24, 0, V, false},
    {A, 0x16010025, kKindLabel, 0, 0, 480, 334, 0, V, false},
    {L, 0x160100b6, kKindTransLabel, 24, 88, 104, 32, 0, V, false},
    {L, 0x160100b5, kKindTransLabel, 24, 48, 176, 32, 0, V, false},
    {L, 0x160100b3, kKindTransLabel, 24, 8, 100, 24, 0, V, false},
    {L, 0x16010053, kKindButton, 384, 128, 64, 22, 0, V | F, true},
    {L, 0x16010052, kKindEditBox, 40, 128, 328, 24, 0, V | F, false},
    {L, 0x16010045, kKindButton, 207, 297, 80, 22, 0, V | F, true},
    {L, 0x16010046, kKindButton, 288, 297, 80, 22, 0, V | F, true},
    {L, 0x16010047, kKindButton, 384, 297, 80, 22, 0, V | F, true},
    {L, 0x1601004c, kKindTransLabel, 10, 264, 456, 24, 0, V | D, false},
    {L, 0x1601004f, kKindLabel, 0, 0, 480, 334, 0, V, false},
    {P, 0x160100c1, kKindEditBox, 16, 136, 440, 128, 0, V | F, false},
    {P, 0x160100a3, kKindTransLabel, 16, 121, 440, 5, 0, V | D, false},
    {P, 0x160100a2, kKindTransLabel, 16, 99, 440, 5, 0, V | D, false},
    {P, 0x1601009b, kKindTimer, 336, 96, 26, 26, 0, 0, true},
    {P, 0x16010090, kKindButton, 376, 297, 80, 22, 0, V | F, true},
    {P, 0x16010095, kKindTransLabel, 10, 264, 456, 24, 0, V | D, false},
    {P, 0x16010096, kKindTransLabel, 16, 51, 168, 24, 0, V, false},
    {P, 0x1601009a, kKindLabel, 23, 105, 5, 15, 0, V, false},
    {P, 0x16010098, kKindGroupBox, 16, 96, 440, 30, 0, 0, false},
    {P, 0x16010097, kKindLabel, 0, 0, 480, 334, 0, V, false},
};

TEST_F(Catalogue, FourPagesWithTheirWindowUnitsAndPageEvents) {
  ASSERT_EQ(s_pages.Count(), 4u);
  const std::uint32_t units[] = {0x06010000, 0x06010012, 0x06010044, 0x0601008e};
  const bool bound[] = {false, false, true, true};
  for (int i = 0; i < 4; ++i) {
    PageDescription& page = s_pages.Pages()[static_cast<std::size_t>(i)];
    EXPECT_EQ(page.WindowUnit().Id(), units[i]);
    const UnitView window = page.WindowUnit().View();
    EXPECT_EQ(window.Left(), 50);
    EXPECT_EQ(window.Width(), 480);
    EXPECT_EQ(window.Height(), 358);
    EXPECT_EQ(window.StateFlags(), kStateVisible);
    EXPECT_EQ(window.EventCount(), bound[i] ? 1u : 0u) << i;
    auto values = ReadPropertyBlock(kKindWindow, window.PropertyBlock());
    ASSERT_TRUE(values);
    EXPECT_EQ(values->Version(), 6u);
    EXPECT_EQ(Gbk(values->Bytes(WindowField::Caption)), "Vorlane V2.6 \xC2\xCC\xC9\xAB\xD6\xD0\xCE\xC4\xB0\xE6");
    EXPECT_EQ(values->Int(WindowField::Border), 2);
    EXPECT_EQ(values->Int(WindowField::StartPosition), 1);
    EXPECT_FALSE(values->Bool(WindowField::EscCloses));
    EXPECT_TRUE(values->Bool(WindowField::MinimiseButton));
    EXPECT_FALSE(values->Bool(WindowField::MaximiseButton));
    // The page icon: one 32 x 32 image at 24 bits per pixel.
    const auto icon = values->Bytes(WindowField::Icon);
    ASSERT_EQ(icon.size(), 3262u);
    EXPECT_EQ(icon[6], 32);
    EXPECT_EQ(icon[12], 24);
  }
}

TEST_F(Catalogue, EveryControlStandsWhereTheCatalogueSays) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.unit);
    const UnitView view = View(row.page, row.unit);
    EXPECT_EQ(view.Kind(), row.kind);
    EXPECT_EQ(view.Left(), row.left);
    EXPECT_EQ(view.Top(), row.top);
    EXPECT_EQ(view.Width(), row.width);
    EXPECT_EQ(view.Height(), row.height);
    EXPECT_EQ(view.ContainerId(), row.container);
    EXPECT_EQ(view.StateFlags(), row.state | kStateControl);
    ASSERT_EQ(view.EventCount(), row.bound ? 1u : 0u);
    if (row.bound) {
      EXPECT_EQ(view.Event(0).number, 0);
    }
    EXPECT_TRUE(ReadPropertyBlock(view.Kind(), view.PropertyBlock()));
  }
  // The controls in stored order, the background label last.
  for (std::uint32_t page : {W, A, L, P}) {
    EXPECT_EQ(s_pages.Find(page)->Units().back().View().Kind(), kKindLabel);
  }
}

TEST_F(Catalogue, TheBackgroundLabelsAndTheProgressBarAreGradients) {
  for (auto [page, unit] : {std::pair{W, 0x16010002u}, std::pair{A, 0x16010025u}, std::pair{L, 0x1601004fu},
                            std::pair{P, 0x16010097u}}) {
    const PropertyValues label = Values(page, unit);
    EXPECT_EQ(label.Int(LabelField::GradientType), 1);
    const ColourList colours = LabelGradientColours(label);
    ASSERT_EQ(colours.count, 2);
    EXPECT_EQ(colours.colours[0], 0x808080u);
    EXPECT_EQ(colours.colours[1], 0xFFFFFFu);
    EXPECT_TRUE(label.Bytes(LabelField::Text).empty());
    EXPECT_EQ(label.Int(LabelField::Border), 0);
  }
  const PropertyValues bar = Values(P, 0x1601009a);
  EXPECT_EQ(bar.Int(LabelField::GradientType), 5);
  const ColourList colours = LabelGradientColours(bar);
  ASSERT_EQ(colours.count, 3);
  EXPECT_EQ(colours.colours[1], 0xFF0000u);
}

TEST_F(Catalogue, BlocklessUnitsKeepTheirKindsDefaults) {
  for (auto [page, unit] : {std::pair{L, 0x16010052u}, std::pair{P, 0x1601009bu}, std::pair{P, 0x16010098u}}) {
    EXPECT_TRUE(View(page, unit).PropertyBlock().empty()) << std::hex << unit;
  }
}

TEST_F(Catalogue, TheWelcomeTextIsEightGbkLinesOf314Bytes) {
  const std::string text = Gbk(Values(W, 0x1601000a).Bytes(TransLabelField::Text));
  EXPECT_EQ(text.size(), 314u);
  std::vector<std::string> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].size(), 92u);
  EXPECT_EQ(lines[0].substr(90), "\xA1\xA3");  // 。
  EXPECT_TRUE(lines[1].empty() && lines[4].empty() && lines[6].empty());
  EXPECT_EQ(lines[5].substr(0, 6), "\xBE\xAF\xB8\xE6\xA3\xBA");  // 警告：
  const PropertyValues font = Values(W, 0x1601000a);
  EXPECT_TRUE(font.Bool(TransLabelField::WordWrap));
  EXPECT_EQ(DecodeFont(font.Bytes(TransLabelField::Font)).height, -15);
}

TEST_F(Catalogue, TheAgreementTextIs45GbkLinesOf3082Bytes) {
  const PropertyValues box = Values(A, 0x1601001d);
  const std::string text = Gbk(box.Bytes(EditBoxField::Content));
  EXPECT_EQ(text.size(), 3082u);
  std::size_t lines = 1;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 45u);
  EXPECT_EQ(text.substr(0, 15), "\xD3\xC3\xBB\xA7\xD0\xED\xBF\xC9\xD0\xAD\xD2\xE9:\r\n");  // 用户许可协议:
  EXPECT_NE(text.find("3.\xB0\xE6\xC8\xA8"), std::string::npos);  // 3.版权
  EXPECT_EQ(text.substr(text.size() - 2), "\xA1\xA3");            // no line end after the last line
  EXPECT_TRUE(box.Bool(EditBoxField::MultiLine));
  EXPECT_EQ(box.Int(EditBoxField::ScrollBars), 2);
  EXPECT_EQ(box.Int(EditBoxField::InputMode), 1);
}

TEST_F(Catalogue, HyphenLinesAreEtchedRowsOf70And73Hyphens) {
  for (auto [page, unit, count] : {std::tuple{A, 0x16010020u, 70u}, std::tuple{L, 0x1601004cu, 70u},
                                   std::tuple{P, 0x16010095u, 70u}, std::tuple{P, 0x160100a2u, 73u},
                                   std::tuple{P, 0x160100a3u, 73u}}) {
    const PropertyValues line = Values(page, unit);
    EXPECT_EQ(Gbk(line.Bytes(TransLabelField::Text)), std::string(count, '-')) << std::hex << unit;
    EXPECT_EQ(line.Int(TransLabelField::Effect), 1);
  }
}

TEST_F(Catalogue, ThePicturesHaveTheirFormatsAndSizes) {
  const auto small = Values(W, 0x160100fc);
  const auto icon = small.Bytes(PicBoxField::Picture);
  ASSERT_EQ(icon.size(), 894u);
  EXPECT_EQ(icon[6], 16);
  EXPECT_EQ(icon[12], 24);
  EXPECT_EQ(small.Int(PicBoxField::DisplayMode), 0);
  const auto bannerBox = Values(W, 0x16010007);
  EXPECT_EQ(bannerBox.Int(PicBoxField::DisplayMode), 1);
  const auto banner = bannerBox.Bytes(PicBoxField::Picture);
  ASSERT_EQ(banner.size(), 14060u);
  // A baseline frame (SOF0): 8-bit samples, height 291, width 163, three components.
  std::size_t at = 2;
  bool baseline = false;
  while (at + 9 < banner.size() && banner[at] == 0xFF) {
    const std::uint8_t marker = banner[at + 1];
    const std::size_t length = (banner[at + 2] << 8) | banner[at + 3];
    if (marker == 0xC0) {
      baseline = true;
      EXPECT_EQ(banner[at + 4], 8);
      EXPECT_EQ((banner[at + 5] << 8) | banner[at + 6], 291);
      EXPECT_EQ((banner[at + 7] << 8) | banner[at + 8], 163);
      EXPECT_EQ(banner[at + 9], 3);
      break;
    }
    EXPECT_FALSE(marker == 0xC2 || marker == 0xC1) << "not baseline";
    at += 2 + length;
  }
  EXPECT_TRUE(baseline);
}

}  // namespace
