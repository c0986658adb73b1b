#pragma once

// The constant segment as a list of items, in the order they are laid out, between the
// labels kConstSegmentStart and kConstSegmentEnd. Every item has a global label at its
// first byte; items follow each other with no padding.
//
// Besides texts the segment holds byte sets whose bytes come from generated files (the
// carried payload): each is laid out right after the text item holding its target path.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace constgen {

// A text: its bytes (GBK), followed in the segment by one terminating zero byte.
struct TextItem {
  std::string label;  // the C name; the emitter adds the platform's symbol prefix
  std::string bytes;  // without the terminator; never holds a zero byte
};

// A byte set: the 32-bit words 1 and the length, then the bytes of a file, which the
// assembler reads itself (.incbin); the length is the file's size when the segment was made.
struct ByteSetItem {
  std::string label;
  std::string file;  // as the assembler will open it
  std::uint32_t length = 0;
};

inline constexpr std::uint64_t kByteSetHeaderLength = 8;

using SegmentItem = std::variant<TextItem, ByteSetItem>;

struct Segment {
  std::vector<SegmentItem> items;
};

// The bytes an item takes in the segment.
std::uint64_t ItemLength(const SegmentItem& item);

// The bytes between kConstSegmentStart and kConstSegmentEnd.
std::uint64_t SegmentLength(const Segment& segment);

}  // namespace constgen
