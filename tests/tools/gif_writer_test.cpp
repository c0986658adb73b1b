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
    const gen::Result<std::string> gif = MakeGif(picture, 80000, "comment ", "t");
    ASSERT_TRUE(gif.HasValue()) << gif.GetError().Describe();
    EXPECT_EQ(gif.Value().size(), 80000u);
    EXPECT_EQ(DecodeWithImageMagick(gif.Value()), PaletteImage(picture));
  }
}

// Walks the blocks of a GIF strictly: header, screen, tables, extensions and image, each run of
// sub-blocks 1 to 255 bytes long ended by one empty block, exactly one image, the trailer last.
// Returns what is wrong, or nothing.
std::string StrictGifFault(const std::string& gif) {
  std::size_t at = 0;
  auto has = [&](std::size_t count) { return gif.size() - at >= count; };
  auto byte = [&](std::size_t offset) { return static_cast<std::uint8_t>(gif[at + offset]); };
  auto skipTable = [&](std::uint8_t flags) {
    const std::size_t length = (flags & 0x80) != 0 ? 3u << ((flags & 7) + 1) : 0;
    if (!has(length)) return false;
    at += length;
    return true;
  };
  auto skipSubBlocks = [&]() {
    while (has(1) && byte(0) != 0) {
      if (!has(1 + byte(0))) return false;
      at += 1 + byte(0);
    }
    if (!has(1)) return false;
    ++at;  // the empty block that ends the run
    return true;
  };
  if (!has(13) || gif.compare(0, 6, "GIF89a") != 0) return "no header";
  const std::string screen = gif.substr(6, 4);
  at = 13;
  if (!skipTable(static_cast<std::uint8_t>(gif[10]))) return "truncated global table";
  int images = 0;
  while (has(1)) {
    const std::uint8_t introducer = byte(0);
    const std::size_t offset = at++;
    if (introducer == 0x3B) {
      if (at != gif.size()) return "bytes after the trailer at " + std::to_string(offset);
      if (images != 1) return std::to_string(images) + " images";
      return {};
    }
    if (introducer == 0x21) {
      if (!has(1)) return "truncated extension at " + std::to_string(offset);
      ++at;  // label
      if (!skipSubBlocks()) return "truncated extension at " + std::to_string(offset);
    } else if (introducer == 0x2C) {
      if (!has(9)) return "truncated image descriptor";
      if (gif.compare(at + 4, 4, screen) != 0) return "image size differs from the screen";
      const std::uint8_t flags = byte(8);
      at += 9;
      if (!skipTable(flags) || !has(1) || byte(0) < 2 || byte(0) > 8) return "bad image start";
      ++at;  // minimum code size
      if (!skipSubBlocks()) return "truncated image data";
      ++images;
    } else {
      return "unknown block " + std::to_string(introducer) + " at " + std::to_string(offset);
    }
  }
  return "no trailer";
}

TEST(GifWriterTest, EverySizeFromTheSmallestCommentUpIsAWellFormedGifOfThatSize) {
  const Picture picture = DrawArtistPicture("a", 20, 20);
  const gen::Result<std::string> probe = MakeGif(picture, 100000, "x", "t");
  ASSERT_TRUE(probe.HasValue());
  // Find the smallest size that works, then check that every size above it works too, across
  // several 255-byte sub-block boundaries.
  std::uint32_t smallest = 0;
  for (std::uint32_t size = 1; size < 100000 && smallest == 0; ++size) {
    if (MakeGif(picture, size, "x", "t").HasValue()) smallest = size;
  }
  ASSERT_GT(smallest, 0u);
  for (std::uint32_t size = smallest; size < smallest + 1200; ++size) {
    const gen::Result<std::string> gif = MakeGif(picture, size, "x", "t");
    ASSERT_TRUE(gif.HasValue()) << size;
    ASSERT_EQ(gif.Value().size(), size);
    ASSERT_EQ(StrictGifFault(gif.Value()), "") << size;
  }
  EXPECT_EQ(DecodeWithImageMagick(MakeGif(picture, smallest + 259, "x", "t").Value()),
            PaletteImage(picture));
}

}  // namespace
}  // namespace payloadgen
