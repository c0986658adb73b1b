#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "common/byte_writer.h"
#include "common/jpeg_writer.h"

namespace picturegen {
namespace {

std::uint32_t Rgb(int r, int g, int b) {
  auto c = [](int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); };
  return (c(r) << 16) | (c(g) << 8) | c(b);
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
  auto ch = [&](int shift) {
    const double x = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
    return static_cast<int>(std::lround(x));
  };
  return Rgb(ch(16), ch(8), ch(0));
}

Image Blank(int width, int height, std::uint32_t colour) {
  return Image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), colour)};
}

void Put(Image& image, int x, int y, std::uint32_t colour) {
  if (x >= 0 && y >= 0 && x < image.width && y < image.height) image.pixels[static_cast<std::size_t>(y * image.width + x)] = colour;
}

// A note: a filled oval head and a stem, in integer steps so the result never varies.
void DrawNote(Image& image, int headX, int headY, int radius, int stemHeight, std::uint32_t colour) {
  for (int y = -radius; y <= radius; ++y) {
    for (int x = -radius - radius / 2; x <= radius + radius / 2; ++x) {
      if (4 * x * x + 9 * y * y <= 9 * radius * radius) Put(image, headX + x, headY + y, colour);
    }
  }
  const int stemX = headX + radius + radius / 2 - 1;
  for (int y = headY - stemHeight; y <= headY; ++y) {
    Put(image, stemX, y, colour);
    Put(image, stemX - 1, y, colour);
  }
  for (int i = 0; i < radius + 1; ++i) Put(image, stemX + 1 + i / 2, headY - stemHeight + i, colour);
}

// The shared emblem of both icons: a blue tile with a light rim and a white note.
Image DrawEmblem(int size) {
  const std::uint32_t rim = Rgb(200, 30, 40);
  Image image = Blank(size, size, rim);
  for (int y = 1; y < size - 1; ++y) {
    for (int x = 1; x < size - 1; ++x) {
      const double t = static_cast<double>(x + y) / (2.0 * size);
      Put(image, x, y, Mix(Rgb(40, 110, 220), Rgb(10, 30, 110), t));
    }
  }
  DrawNote(image, size * 2 / 5, size * 2 / 3, std::max(2, size / 8), size / 2, Rgb(255, 255, 255));
  return image;
}

}  // namespace

Image DrawPageIcon() { return DrawEmblem(32); }
Image DrawSmallIcon() { return DrawEmblem(16); }

Image DrawBanner() {
  Image image = Blank(163, 291, 0);
  const std::uint32_t top = Rgb(18, 42, 120), bottom = Rgb(90, 160, 235);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const double t = static_cast<double>(y) / (image.height - 1);
      std::uint32_t colour = Mix(top, bottom, t);
      // Soft rings around two centres, like sound spreading out.
      for (const auto& [cx, cy] : {std::pair{40, 70}, std::pair{130, 210}}) {
        const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        const int ring = static_cast<int>(std::sqrt(static_cast<double>(d2))) % 24;
        if (ring < 3) colour = Mix(colour, Rgb(255, 255, 255), 0.18);
      }
      image.pixels[static_cast<std::size_t>(y * image.width + x)] = colour;
    }
  }
  // A level meter along the bottom.
  for (int bar = 0; bar < 12; ++bar) {
    const int height = 10 + (bar * 37 % 50);
    for (int y = 280 - height; y < 280; ++y) {
      for (int x = 12 + bar * 12; x < 20 + bar * 12; ++x) Put(image, x, y, Mix(Rgb(255, 255, 255), Rgb(255, 200, 60), (280.0 - y) / 60));
    }
  }
  DrawNote(image, 80, 150, 9, 48, Rgb(255, 255, 255));
  DrawNote(image, 112, 132, 7, 40, Rgb(255, 230, 150));
  return image;
}

namespace {

// An icon image's bitmap header: twice the height (colour rows, then mask rows).
void PutIconHeader(gen::ByteWriter& put, const Image& image, std::uint16_t bits, std::uint32_t dataSize,
                   std::uint32_t coloursUsed) {
  put.U32(40); put.U32(static_cast<std::uint32_t>(image.width)); put.U32(static_cast<std::uint32_t>(2 * image.height));
  put.U16(1); put.U16(bits); put.U32(0); put.U32(dataSize); put.U32(0); put.U32(0); put.U32(coloursUsed); put.U32(0);
}

std::uint32_t MaskRow(const Image& image) { return static_cast<std::uint32_t>(((image.width + 31) / 32) * 4); }

// The mask rows: every pixel opaque.
void PutOpaqueMask(gen::ByteWriter& put, const Image& image) {
  put.Zeros(MaskRow(image) * static_cast<std::size_t>(image.height));
}

std::uint8_t Channel(std::uint32_t pixel, int shift) { return static_cast<std::uint8_t>((pixel >> shift) & 0xFF); }

std::string Bitmap24(const Image& image) {
  gen::ByteWriter put;
  const int w = image.width, h = image.height;
  const std::uint32_t colourRow = static_cast<std::uint32_t>((w * 3 + 3) & ~3);
  PutIconHeader(put, image, 24, (colourRow + MaskRow(image)) * static_cast<std::uint32_t>(h), 0);
  for (int y = h - 1; y >= 0; --y) {  // bottom-up
    std::uint32_t written = 0;
    for (int x = 0; x < w; ++x, written += 3) {
      const std::uint32_t p = image.At(x, y);
      put.U8(Channel(p, 0)); put.U8(Channel(p, 8)); put.U8(Channel(p, 16));
    }
    put.Zeros(colourRow - written);
  }
  PutOpaqueMask(put, image);
  return put.Take();
}

// The palette holds the image's own colours in ascending order: the same bytes on every build.
std::optional<std::string> Bitmap8(const Image& image) {
  std::map<std::uint32_t, std::uint8_t> palette;
  for (std::uint32_t p : image.pixels) palette.emplace(p, 0);
  if (palette.size() > 256) return std::nullopt;
  std::uint32_t index = 0;
  for (auto& [colour, slot] : palette) slot = static_cast<std::uint8_t>(index++);
  gen::ByteWriter put;
  const int w = image.width, h = image.height;
  const std::uint32_t indexRow = static_cast<std::uint32_t>((w + 3) & ~3);
  PutIconHeader(put, image, 8, (indexRow + MaskRow(image)) * static_cast<std::uint32_t>(h),
                static_cast<std::uint32_t>(palette.size()));
  for (const auto& [colour, slot] : palette) {
    put.U8(Channel(colour, 0)); put.U8(Channel(colour, 8)); put.U8(Channel(colour, 16)); put.U8(0);
  }
  for (int y = h - 1; y >= 0; --y) {  // bottom-up
    for (int x = 0; x < w; ++x) put.U8(palette[image.At(x, y)]);
    put.Zeros(indexRow - static_cast<std::uint32_t>(w));
  }
  PutOpaqueMask(put, image);
  return put.Take();
}

struct IconImage {
  const Image* image;
  std::uint16_t bits;
  std::string bitmap;
};

// The icon directory, then the bitmaps in its order.
Bytes IconFile(const std::vector<IconImage>& images) {
  gen::ByteWriter put;
  put.U16(0); put.U16(1); put.U16(static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const IconImage& icon : images) {
    put.U8(static_cast<std::uint8_t>(icon.image->width)); put.U8(static_cast<std::uint8_t>(icon.image->height));
    put.U8(0); put.U8(0); put.U16(1); put.U16(icon.bits);
    put.U32(static_cast<std::uint32_t>(icon.bitmap.size())); put.U32(offset);
    offset += static_cast<std::uint32_t>(icon.bitmap.size());
  }
  for (const IconImage& icon : images) put.Bytes(icon.bitmap);
  const std::string_view bytes = put.View();
  return Bytes(bytes.begin(), bytes.end());
}

}  // namespace

Bytes EncodeIcon(const Image& image) { return IconFile({{&image, 24, Bitmap24(image)}}); }

std::optional<Bytes> EncodeProgramIcon(const Image& large, const Image& small) {
  std::optional<std::string> largeBitmap = Bitmap8(large);
  std::optional<std::string> smallBitmap = Bitmap8(small);
  if (!largeBitmap || !smallBitmap) return std::nullopt;
  return IconFile({{&large, 8, std::move(*largeBitmap)}, {&small, 8, std::move(*smallBitmap)}});
}

std::optional<Bytes> EncodeJpegOfSize(const Image& image, std::size_t size) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(image.pixels.size() * 3);
  for (const std::uint32_t p : image.pixels) {
    rgb.push_back(static_cast<std::uint8_t>(p >> 16));
    rgb.push_back(static_cast<std::uint8_t>(p >> 8));
    rgb.push_back(static_cast<std::uint8_t>(p));
  }
  gen::JpegStyle style;
  style.highestQuality = 95;
  style.qualityStep = 1;
  style.lowestQuality = 1;
  style.optimizeCoding = false;  // baseline with the standard tables
  style.dotsPerInch = 0;
  style.comment = " ";
  const gen::Result<std::string> jpeg =
      gen::MakeJpegOfSize({image.width, image.height, rgb}, style, static_cast<std::uint32_t>(size), "");
  if (!jpeg.HasValue()) return std::nullopt;
  return Bytes(jpeg.Value().begin(), jpeg.Value().end());
}

}  // namespace picturegen
