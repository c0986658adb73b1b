// JPEG decoding and icon files: the banner the pages carry decodes to its size, and malformed
// pictures are refused without reading past their bytes.
#include "runtime/controls/jpeg_decode.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "runtime/controls/icon_file.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::string kPictures = VL_PAGE_PICTURES_DIR;

TEST(JpegDecode, TheBannerDecodesToItsSize) {
  const auto banner = ReadFile(kPictures + "/banner.jpg");
  ASSERT_EQ(banner.size(), 14060u);
  auto image = vl::DecodeJpeg(banner);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 163);
  EXPECT_EQ(image->height, 291);
  EXPECT_EQ(image->pixels.size(), 163u * 291u);
}

TEST(JpegDecode, DamagedPicturesAreRefused) {
  const auto banner = ReadFile(kPictures + "/banner.jpg");
  EXPECT_FALSE(vl::DecodeJpeg({}));
  EXPECT_FALSE(vl::DecodeJpeg(std::span(banner).first(2)));
  // Every cut through the headers fails cleanly (libjpeg's errors come back as a failure).
  for (std::size_t cut = 3; cut < 700; cut += 7) {
    auto image = vl::DecodeJpeg(std::span(banner).first(cut));
    EXPECT_FALSE(image.HasValue() && image->pixels.empty()) << cut;
  }
  std::vector<std::uint8_t> hugeFrame = banner;
  for (std::size_t i = 0; i + 8 < hugeFrame.size(); ++i) {
    if (hugeFrame[i] == 0xFF && hugeFrame[i + 1] == 0xC0) {  // the frame header: height, width
      hugeFrame[i + 5] = 0xFF;
      hugeFrame[i + 6] = 0xFF;
      hugeFrame[i + 7] = 0xFF;
      hugeFrame[i + 8] = 0xFF;
      break;
    }
  }
  EXPECT_FALSE(vl::DecodeJpeg(hugeFrame));
}

TEST(IconFile, TheBestEntryIsChosenAndItsBytesLieInTheFile) {
  const auto icon = ReadFile(kPictures + "/page_icon.ico");
  auto image = vl::ChooseIconImage(icon, 32);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 32);
  EXPECT_EQ(image->bitsPerPixel, 24);
  EXPECT_EQ(image->data.data(), icon.data() + 22);
  EXPECT_EQ(image->data.size(), icon.size() - 22);
}

TEST(IconFile, DirectoriesThatDoNotFitAreRefused) {
  auto icon = ReadFile(kPictures + "/small_icon.ico");
  EXPECT_FALSE(vl::ChooseIconImage(std::span(icon).first(21), 16));  // entry cut short
  auto outside = icon;
  outside[18] = 0xFF;  // the image offset far past the end
  EXPECT_FALSE(vl::ChooseIconImage(outside, 16));
  auto tooLong = icon;
  tooLong[14] = 0xFF;  // the image size past the end
  tooLong[15] = 0xFF;
  EXPECT_FALSE(vl::ChooseIconImage(tooLong, 16));
  auto none = icon;
  none[4] = 0;  // no entries
  EXPECT_FALSE(vl::ChooseIconImage(none, 16));
}

}  // namespace
