#include "jpeg_header.h"

#include "base/byte_reader.h"

namespace vl::pages {
namespace {

constexpr std::uint8_t kMarkerStart = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;

// SOF0..SOF15, without DHT (C4), JPG (C8) and DAC (CC), which share the range.
bool IsFrameHeader(std::uint8_t marker) noexcept {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers without a length: TEM and RST0..RST7.
bool StandsAlone(std::uint8_t marker) noexcept { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

std::optional<std::uint16_t> ReadBigEndian16(ByteReader& reader) noexcept {
  auto high = reader.ReadU8();
  auto low = reader.ReadU8();
  if (!high || !low) return std::nullopt;
  return static_cast<std::uint16_t>((*high << 8) | *low);
}

}  // namespace

bool LooksLikeJpeg(std::span<const std::uint8_t> bytes) noexcept {
  return bytes.size() >= 3 && bytes[0] == kMarkerStart && bytes[1] == kStartOfImage && bytes[2] == kMarkerStart;
}

std::optional<std::uint64_t> JpegAnnouncedPixels(std::span<const std::uint8_t> bytes) noexcept {
  if (!LooksLikeJpeg(bytes)) return std::nullopt;
  ByteReader reader(bytes);
  (void)reader.Skip(2);
  for (;;) {
    auto lead = reader.ReadU8();
    if (!lead || *lead != kMarkerStart) return std::nullopt;
    auto marker = reader.ReadU8();
    while (marker && *marker == kMarkerStart) marker = reader.ReadU8();  // fill bytes
    if (!marker || *marker == kEndOfImage || *marker == kStartOfScan) return std::nullopt;
    if (StandsAlone(*marker)) continue;
    const auto length = ReadBigEndian16(reader);
    if (!length || *length < 2) return std::nullopt;
    if (IsFrameHeader(*marker)) {
      if (!reader.Skip(1)) return std::nullopt;  // sample precision
      const auto height = ReadBigEndian16(reader);
      const auto width = ReadBigEndian16(reader);
      if (!height || !width) return std::nullopt;
      return std::uint64_t{*height} * *width;
    }
    if (!reader.Skip(*length - 2u)) return std::nullopt;
  }
}

}  // namespace vl::pages
