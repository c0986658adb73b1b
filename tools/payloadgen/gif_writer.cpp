#include "gif_writer.h"

#include <unordered_map>

#include "common/byte_writer.h"

namespace payloadgen {
namespace {

constexpr int kMinimumCodeSize = 8;
constexpr int kClearCode = 1 << kMinimumCodeSize;
constexpr int kEndCode = kClearCode + 1;
constexpr int kLargestCode = 4095;
constexpr std::size_t kCubeColours = 216;

// Bits packed LSB-first, as GIF reads them.
class BitPacker {
 public:
  void Put(int code, int width) {
    m_buffer |= static_cast<std::uint32_t>(code) << m_count;
    m_count += width;
    while (m_count >= 8) {
      m_out.push_back(static_cast<char>(m_buffer & 0xFF));
      m_buffer >>= 8;
      m_count -= 8;
    }
  }
  std::string Finish() {
    if (m_count > 0) m_out.push_back(static_cast<char>(m_buffer & 0xFF));
    return std::move(m_out);
  }

 private:
  std::uint32_t m_buffer = 0;
  int m_count = 0;
  std::string m_out;
};

// Adds data sub-blocks (1 to 255 bytes each) and the terminating empty block.
void PutSubBlocks(gen::ByteWriter& out, std::string_view data) {
  while (!data.empty()) {
    const std::size_t length = std::min<std::size_t>(data.size(), 255);
    out.U8(static_cast<std::uint8_t>(length));
    out.Bytes(data.substr(0, length));
    data.remove_prefix(length);
  }
  out.U8(0);
}

// Comment extensions taking exactly `size` bytes (at least 5): introducer, label, sub-blocks
// of text and the terminator. Sub-blocks may be shorter than 255 bytes, so every size is
// reachable with one extension: full blocks, then the rest in the last one.
void PutComment(gen::ByteWriter& out, std::size_t size, std::string_view comment) {
  const std::size_t payloadAndLengths = size - 3;
  const std::size_t blocks = (payloadAndLengths + 255) / 256;
  const std::size_t textLength = payloadAndLengths - blocks;
  // When the full blocks leave nothing for the last one (an empty block would end the comment
  // early), the block before it gives up one byte.
  const bool lastWouldBeEmpty = textLength == 255 * (blocks - 1);
  std::string text;
  while (text.size() < textLength) text.append(comment);
  text.resize(textLength);
  out.U8(0x21);
  out.U8(0xFE);
  std::string_view rest = text;
  for (std::size_t block = 0; block < blocks; ++block) {
    std::size_t length = block + 1 < blocks ? 255 : rest.size();
    if (lastWouldBeEmpty && block + 2 == blocks) length = 254;
    out.U8(static_cast<std::uint8_t>(length));
    out.Bytes(rest.substr(0, length));
    rest.remove_prefix(length);
  }
  out.U8(0);
}

}  // namespace

std::uint8_t GifPaletteIndex(const std::uint8_t* rgb) {
  const int r = (rgb[0] * 5 + 127) / 255;
  const int g = (rgb[1] * 5 + 127) / 255;
  const int b = (rgb[2] * 5 + 127) / 255;
  return static_cast<std::uint8_t>(r * 36 + g * 6 + b);
}

void GifPaletteColour(std::uint8_t index, std::uint8_t* rgb) {
  if (index < kCubeColours) {
    rgb[0] = static_cast<std::uint8_t>(index / 36 * 51);
    rgb[1] = static_cast<std::uint8_t>(index / 6 % 6 * 51);
    rgb[2] = static_cast<std::uint8_t>(index % 6 * 51);
    return;
  }
  const auto grey = static_cast<std::uint8_t>((index - kCubeColours) * 255 / 39);
  rgb[0] = rgb[1] = rgb[2] = grey;
}

std::string LzwEncode(const std::string& indices) {
  BitPacker bits;
  std::unordered_map<std::uint32_t, int> table;
  int width = kMinimumCodeSize + 1;
  int next = kEndCode + 1;
  bits.Put(kClearCode, width);
  if (indices.empty()) {
    bits.Put(kEndCode, width);
    return bits.Finish();
  }
  int prefix = static_cast<std::uint8_t>(indices[0]);
  for (std::size_t i = 1; i < indices.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(indices[i]);
    const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | byte;
    const auto found = table.find(key);
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    bits.Put(prefix, width);
    if (next <= kLargestCode) {
      table.emplace(key, next++);
      // The decoder reads the code after this one with one bit more once the table holds an
      // entry that the current width cannot express.
      if (next > (1 << width) && width < 12) ++width;
    } else {
      // The table is full: start over, as the decoder will on the clear code.
      bits.Put(kClearCode, width);
      table.clear();
      width = kMinimumCodeSize + 1;
      next = kEndCode + 1;
    }
    prefix = byte;
  }
  bits.Put(prefix, width);
  bits.Put(kEndCode, width);
  return bits.Finish();
}

gen::Result<std::string> MakeGif(const Picture& picture, std::uint32_t size,
                                 std::string_view comment, const std::string& file) {
  std::string indices;
  indices.reserve(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      indices.push_back(static_cast<char>(GifPaletteIndex(picture.Pixel(x, y))));
    }
  }

  gen::ByteWriter head;
  head.Bytes("GIF89a");
  head.U16(static_cast<std::uint16_t>(picture.width));
  head.U16(static_cast<std::uint16_t>(picture.height));
  head.U8(0xF7);  // a global table of 256 colours, 8 bits per primary
  head.U8(0);     // background colour
  head.U8(0);     // no aspect ratio
  for (int index = 0; index < 256; ++index) {
    std::uint8_t rgb[3];
    GifPaletteColour(static_cast<std::uint8_t>(index), rgb);
    head.U8(rgb[0]);
    head.U8(rgb[1]);
    head.U8(rgb[2]);
  }

  gen::ByteWriter image;
  image.U8(0x2C);
  image.U16(0);
  image.U16(0);
  image.U16(static_cast<std::uint16_t>(picture.width));
  image.U16(static_cast<std::uint16_t>(picture.height));
  image.U8(0);  // no local table, not interlaced
  image.U8(kMinimumCodeSize);
  PutSubBlocks(image, LzwEncode(indices));

  constexpr std::size_t kSmallestComment = 5;
  const std::size_t used = head.Size() + image.Size() + 1;
  if (used + kSmallestComment > size) {
    return gen::Error{file, 0, "the picture needs " + std::to_string(used) +
                                        " bytes, more than its size allows"};
  }
  gen::ByteWriter out;
  out.Bytes(head.View());
  PutComment(out, size - used, comment);
  out.Bytes(image.View());
  out.U8(0x3B);
  return out.Take();
}

}  // namespace payloadgen
