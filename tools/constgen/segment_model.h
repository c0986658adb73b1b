#pragma once

// The constant segment as a list of items, in the order they are laid out, between the
// labels kConstSegmentStart and kConstSegmentEnd. Every item has a global label at its
// first byte; items follow each other with no padding.
//
// Binary entries (bytes read from a generated file, emitted with .incbin right after the
// text holding that file's path) are meant to become a second alternative of SegmentItem;
// the emitter visits every alternative, so adding one is a compile error until it is emitted.

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

using SegmentItem = std::variant<TextItem>;

struct Segment {
  std::vector<SegmentItem> items;
};

// The bytes an item takes in the segment.
std::uint64_t item_length(const SegmentItem& item);

// The bytes between kConstSegmentStart and kConstSegmentEnd.
std::uint64_t segment_length(const Segment& segment);

}  // namespace constgen
