#include "jpeg_writer.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include "run_reader.h"

namespace payloadgen {
namespace {

// Decodes every line with libjpeg; the dimensions it reports, or -1 when it warned.
std::pair<int, int> Decode(const std::string& jpeg) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  std::vector<unsigned char> row(info.output_width * static_cast<unsigned>(info.output_components));
  while (info.output_scanline < info.output_height) {
    unsigned char* rows[] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
  }
  const std::pair<int, int> size{static_cast<int>(info.output_width), static_cast<int>(info.output_height)};
  jpeg_finish_decompress(&info);
  const bool warned = errors.num_warnings != 0;
  jpeg_destroy_decompress(&info);
  return warned ? std::pair{-1, -1} : size;
}

TEST(JpegWriterTest, ExactSizesFromFourBytesOfPaddingUpAndAcrossSegmentLimits) {
  const Picture picture = DrawArtistPicture("brasto", 48, 40);
  std::uint32_t smallest = 0;
  for (std::uint32_t size = 200; size < 20000 && smallest == 0; ++size) {
    if (MakeJpeg(picture, JpegHeader::Jfif, size, "c", "t").HasValue()) smallest = size;
  }
  ASSERT_GT(smallest, 0u);
  EXPECT_FALSE(MakeJpeg(picture, JpegHeader::Jfif, smallest - 1, "c", "t").HasValue());
  // 65533 data bytes fit one comment segment; the sizes around two and three segments.
  for (const std::uint32_t size : {smallest, smallest + 1, smallest + 65533, smallest + 65534,
                                   smallest + 65537, smallest + 65541, smallest + 131074}) {
    SCOPED_TRACE(size - smallest);
    const gen::Result<std::string> jpeg = MakeJpeg(picture, JpegHeader::Jfif, size, "c", "t");
    ASSERT_TRUE(jpeg.HasValue()) << jpeg.GetError().Describe();
    EXPECT_EQ(jpeg.Value().size(), size);
    const payloadtest::JpegFacts facts = payloadtest::ReadJpegMarkers(jpeg.Value());
    EXPECT_TRUE(facts.wellFormed);
    EXPECT_EQ(facts.firstApp, "JFIF");
    EXPECT_TRUE(facts.baseline);
    EXPECT_EQ(Decode(jpeg.Value()), std::pair(48, 40));
  }
}

TEST(JpegWriterTest, ExifHeaderNamesThePixelDimensionsAndComesFirst) {
  const Picture picture = DrawArtistPicture("tovrin", 250, 250);
  const gen::Result<std::string> jpeg = MakeJpeg(picture, JpegHeader::Exif, 31284, "c", "t");
  ASSERT_TRUE(jpeg.HasValue()) << jpeg.GetError().Describe();
  const payloadtest::JpegFacts facts = payloadtest::ReadJpegMarkers(jpeg.Value());
  EXPECT_EQ(facts.firstApp, "Exif");
  EXPECT_EQ(Decode(jpeg.Value()), std::pair(250, 250));
  // ImageMagick reads the Exif fields the way a photo viewer would.
  const std::string file = payloadtest::WriteTemporary(jpeg.Value(), "tovrin.jpg");
  EXPECT_EQ(payloadtest::Command("identify -format '%[exif:PixelXDimension] %[exif:PixelYDimension] "
                                 "%[exif:Orientation]' " + file + " 2>&1"),
            "250 250 1");
}

TEST(JpegWriterTest, RefusesASizeThatEvenTheLowestQualityCannotMeet) {
  const Picture picture = DrawArtistPicture("dorvik", 600, 398);
  const gen::Result<std::string> jpeg = MakeJpeg(picture, JpegHeader::Jfif, 1500, "c", "t");
  ASSERT_FALSE(jpeg.HasValue());
  EXPECT_NE(jpeg.GetError().message.find("does not fit"), std::string::npos);
}

}  // namespace
}  // namespace payloadgen
