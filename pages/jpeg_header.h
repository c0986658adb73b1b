#pragma once
// How many pixels a JPEG picture announces in its frame header, found by walking its markers:
// enough to refuse a picture before anything is allocated for it.
#include <cstdint>
#include <optional>
#include <span>

namespace vl::pages {

// Whether the bytes start like a JPEG file (the SOI marker).
bool LooksLikeJpeg(std::span<const std::uint8_t> bytes) noexcept;

// Width times height of the first frame header; nothing when the bytes are not a JPEG file or end
// before a frame header (the decoder then refuses them itself).
std::optional<std::uint64_t> JpegAnnouncedPixels(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vl::pages
