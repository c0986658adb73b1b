#include "icon_file.h"

#include "base/byte_reader.h"

namespace vl {

bool LooksLikeIconFile(std::span<const std::uint8_t> bytes) noexcept {
  return bytes.size() >= 6 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0;
}

Expected<IconImage> ChooseIconImage(std::span<const std::uint8_t> file, int wantedSize) noexcept {
  if (!LooksLikeIconFile(file)) return Error{"not an icon file", 0};
  ByteReader reader(file);
  if (!reader.Skip(4)) return Error{"icon directory cut short", reader.Offset()};
  auto count = reader.ReadU16();
  if (!count || *count == 0) return Error{"icon file without images", reader.Offset()};
  if (reader.Remaining() / 16 < *count) return Error{"icon directory cut short", reader.Offset()};
  IconImage best;
  std::uint32_t bestOffset = 0, bestSize = 0;
  auto better = [&](const IconImage& candidate) {
    if (best.width == 0) return true;
    const bool candidateFits = candidate.width >= wantedSize, bestFits = best.width >= wantedSize;
    if (candidate.width == best.width) return candidate.bitsPerPixel > best.bitsPerPixel;
    if (candidate.width == wantedSize) return true;
    if (best.width == wantedSize) return false;
    if (candidateFits != bestFits) return candidateFits;
    return candidateFits ? candidate.width < best.width : candidate.width > best.width;
  };
  for (std::uint16_t i = 0; i < *count; ++i) {
    auto width = reader.ReadU8();
    auto height = reader.ReadU8();
    auto skipped = reader.Skip(4);  // colour count, reserved, planes
    auto bits = reader.ReadU16();
    auto size = reader.ReadU32();
    auto offset = reader.ReadU32();
    if (!width || !height || !skipped || !bits || !size || !offset) return Error{"icon entry cut short", reader.Offset()};
    IconImage candidate;
    candidate.width = *width == 0 ? 256 : *width;
    candidate.height = *height == 0 ? 256 : *height;
    candidate.bitsPerPixel = *bits;
    if (better(candidate)) {
      best = candidate;
      bestOffset = *offset;
      bestSize = *size;
    }
  }
  if (bestOffset > file.size() || bestSize > file.size() - bestOffset || bestSize == 0) {
    return Error{"icon image outside the file", bestOffset};
  }
  best.data = file.subspan(bestOffset, bestSize);
  return best;
}

}  // namespace vl
