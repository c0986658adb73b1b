#include "gif_writer.h"

#include <gtest/gtest.h>

#include "run_reader.h"

namespace payloadgen {
namespace {

// The pixels as ImageMagick decodes the file: 8-bit RGB, rows top to bottom.
std::string DecodeWithImageMagick(const std::string& gif) {
  const std::string file = payloadtest::WriteTemporary(gif, "picture.gif");
  FILE* pipe = popen(("convert " + file + " -depth 8 rgb:-").c_str(), "r");
  std::string out;
  if (pipe != nullptr) {
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
    pclose(pipe);
  }
  return out;
}

// What a decoder must see: each pixel mapped to its palette colour.
std::string PaletteImage(const Picture& picture) {
  std::string out;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      std::uint8_t rgb[3];
      GifPaletteColour(GifPaletteIndex(picture.Pixel(x, y)), rgb);
      out.append(reinterpret_cast<const char*>(rgb), 3);
    }
  }
  return out;
}

Picture Noise(int width, int height, std::uint32_t seed) {
  Picture picture{width, height, {}};
  for (int i = 0; i < width * height * 3; ++i) {
    seed = seed * 1103515245u + 12345u;
    picture.rgb.push_back(static_cast<std::uint8_t>(seed >> 16));
  }
  return picture;
}

TEST(GifWriterTest, StandardDecoderReadsEveryPixelAlsoAcrossTableResets) {
  // Noise fills the 4096-entry code table many times over; a flat picture makes the longest
  // strings; the artist picture is what ships.
  Picture flat{64, 64, std::vector<std::uint8_t>(64 * 64 * 3, 200)};
  for (const Picture& picture : {Noise(160, 120, 7), flat, DrawArtistPicture("velkor", 100, 100)}) {
    const constgen::Result<std::string> gif = MakeGif(picture, 80000, "comment ", "t");
    ASSERT_TRUE(gif.ok()) << gif.error().describe();
    EXPECT_EQ(gif.value().size(), 80000u);
    EXPECT_EQ(DecodeWithImageMagick(gif.value()), PaletteImage(picture));
  }
}

TEST(GifWriterTest, EverySizeFromTheSmallestCommentUpIsReachedExactly) {
  const Picture picture = DrawArtistPicture("a", 20, 20);
  const constgen::Result<std::string> probe = MakeGif(picture, 100000, "x", "t");
  ASSERT_TRUE(probe.ok());
  // Find the smallest size that works, then check that every size above it works too, across
  // several 255-byte sub-block boundaries.
  std::uint32_t smallest = 0;
  for (std::uint32_t size = 1; size < 100000 && smallest == 0; ++size) {
    if (MakeGif(picture, size, "x", "t").ok()) smallest = size;
  }
  ASSERT_GT(smallest, 0u);
  for (std::uint32_t size = smallest; size < smallest + 1200; ++size) {
    const constgen::Result<std::string> gif = MakeGif(picture, size, "x", "t");
    ASSERT_TRUE(gif.ok()) << size;
    ASSERT_EQ(gif.value().size(), size);
    ASSERT_EQ(gif.value().back(), 0x3B);
  }
  EXPECT_EQ(DecodeWithImageMagick(MakeGif(picture, smallest + 259, "x", "t").value()),
            PaletteImage(picture));
}

}  // namespace
}  // namespace payloadgen
