#include "segment_model.h"

namespace constgen {
namespace {

std::uint64_t LengthOf(const TextItem& text) { return text.bytes.size() + 1; }
std::uint64_t LengthOf(const ByteSetItem& set) { return kByteSetHeaderLength + set.length; }

}  // namespace

std::uint64_t ItemLength(const SegmentItem& item) {
  return std::visit([](const auto& alternative) { return LengthOf(alternative); }, item);
}

std::uint64_t SegmentLength(const Segment& segment) {
  std::uint64_t length = 0;
  for (const SegmentItem& item : segment.items) length += ItemLength(item);
  return length;
}

}  // namespace constgen
