// The gradient formula, against values worked out by hand from its definition.
#include "runtime/controls/gradient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using vl::GradientColourAt;

TEST(Gradient, TwoColoursStepByTheTruncatedFraction) {
  const std::uint32_t colours[] = {0x808080, 0xFFFFFF};
  // 128 + p / 334 * 127, truncated.
  EXPECT_EQ(GradientColourAt(colours, 334, 0), 0x808080u);
  EXPECT_EQ(GradientColourAt(colours, 334, 1), 0x808080u);    // 0.38
  EXPECT_EQ(GradientColourAt(colours, 334, 3), 0x818181u);    // 1.14
  EXPECT_EQ(GradientColourAt(colours, 334, 167), 0xBFBFBFu);  // 63.5
  EXPECT_EQ(GradientColourAt(colours, 334, 333), 0xFEFEFEu);  // 126.6
  EXPECT_EQ(GradientColourAt(colours, 334, 334), 0xFFFFFFu);  // past the last segment
}

TEST(Gradient, ChannelsMoveIndependentlyAndDownwardStepsTruncateTowardZero) {
  const std::uint32_t colours[] = {0xECECEC, 0xFF0000, 0xECECEC};
  // Length 15, three colours: segments of 7. Red and green fall 236 -> 0, blue rises to 255.
  EXPECT_EQ(GradientColourAt(colours, 15, 0), 0xECECECu);
  EXPECT_EQ(GradientColourAt(colours, 15, 3), 0xF48787u);   // 236 - 101.1 -> 135, 236 + 8.1 -> 244
  EXPECT_EQ(GradientColourAt(colours, 15, 7), 0xFF0000u);
  EXPECT_EQ(GradientColourAt(colours, 15, 10), 0xF76565u);  // 0 + 101.1 -> 101, 255 - 8.1 -> 247 (toward zero)
  EXPECT_EQ(GradientColourAt(colours, 15, 14), 0xECECECu);  // segment 2: the last colour
}

TEST(Gradient, AnAxisShorterThanItsColoursStillGivesEachPixelAColour) {
  const std::uint32_t colours[] = {0x000001, 0x000002, 0x000003};
  EXPECT_EQ(GradientColourAt(colours, 1, 0), 0x000001u);
  EXPECT_EQ(GradientColourAt(colours, 1, 1), 0x000002u);
  EXPECT_EQ(GradientColourAt(colours, 1, 5), 0x000003u);
}

TEST(Gradient, TypesPlaceTheFirstColourAtTheirStartingEdge) {
  // 1 top, 2 left, 5 bottom, 6 right: the first colour at distance 0.
  EXPECT_EQ(vl::GradientPosition(1, 10, 20, 3, 0), 0);
  EXPECT_EQ(vl::GradientPosition(2, 10, 20, 0, 7), 0);
  EXPECT_EQ(vl::GradientPosition(5, 10, 20, 3, 19), 0);
  EXPECT_EQ(vl::GradientPosition(6, 10, 20, 9, 7), 0);
  EXPECT_EQ(vl::GradientAxisLength(1, 10, 20), 20);
  EXPECT_EQ(vl::GradientAxisLength(6, 10, 20), 10);
  EXPECT_EQ(vl::GradientAxisLength(3, 10, 20), 20);  // twice the smaller side
  for (int type : {3, 4, 7, 8}) {
    // Each diagonal runs from one corner (0) to the opposite one (near the axis length).
    const int corners[4] = {vl::GradientPosition(type, 10, 20, 0, 0), vl::GradientPosition(type, 10, 20, 9, 0),
                            vl::GradientPosition(type, 10, 20, 9, 19), vl::GradientPosition(type, 10, 20, 0, 19)};
    EXPECT_EQ(*std::min_element(corners, corners + 4), 0) << type;
    EXPECT_GE(*std::max_element(corners, corners + 4), 17) << type;
  }
}

TEST(Gradient, FillWritesTheAreaRowByRowInsideAWiderPicture) {
  const std::uint32_t colours[] = {0x0000FF, 0xFF0000};  // red to blue (0x00BBGGRR)
  // A 2 x 3 area at column 1 of a picture 4 pixels wide: the columns around it stay as they are.
  std::vector<std::uint32_t> picture(4 * 3, 0xDEADBEEF);
  const std::span<std::uint32_t> area = std::span(picture).subspan(1);
  vl::FillGradient(1, colours, 2, 3, area, 4);
  EXPECT_EQ(picture[0], 0xDEADBEEFu);
  EXPECT_EQ(picture[1], 0xFF0000u);  // red as a DIB pixel 0x00RRGGBB
  EXPECT_EQ(picture[2], 0xFF0000u);
  EXPECT_EQ(picture[3], 0xDEADBEEFu);
  EXPECT_EQ(picture[5], vl::ColourToDibPixel(GradientColourAt(colours, 3, 1)));
  EXPECT_EQ(picture[10], vl::ColourToDibPixel(GradientColourAt(colours, 3, 2)));
  EXPECT_EQ(picture[11], 0xDEADBEEFu);
  // A buffer that ends inside the area's last row is left alone.
  std::vector<std::uint32_t> tooSmall(9, 0xDEADBEEF);
  vl::FillGradient(1, colours, 2, 3, std::span(tooSmall).subspan(1), 4);
  EXPECT_EQ(tooSmall[1], 0xDEADBEEFu);
  vl::FillGradient(9, colours, 2, 3, area, 4);  // not a gradient type: untouched
  EXPECT_EQ(picture[1], 0xFF0000u);
}

}  // namespace
