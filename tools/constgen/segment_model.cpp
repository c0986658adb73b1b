#include "segment_model.h"

namespace constgen {
namespace {

std::uint64_t length_of(const TextItem& text) { return text.bytes.size() + 1; }
std::uint64_t length_of(const ByteSetItem& set) { return kByteSetHeaderLength + set.length; }

}  // namespace

std::uint64_t item_length(const SegmentItem& item) {
  return std::visit([](const auto& alternative) { return length_of(alternative); }, item);
}

std::uint64_t segment_length(const Segment& segment) {
  std::uint64_t length = 0;
  for (const SegmentItem& item : segment.items) length += item_length(item);
  return length;
}

}  // namespace constgen
