#include "arg_record.h"

#include <cstring>


namespace vl {
namespace {

ArgRecord Make(std::uint32_t tagValue, std::uintptr_t lo, std::uint32_t hi = 0) noexcept {
  return ArgRecord{lo, hi, tagValue};
}

ArgRecord MakeWide(std::uint32_t tagValue, std::uint64_t bits) noexcept {
  return Make(tagValue, static_cast<std::uint32_t>(bits), static_cast<std::uint32_t>(bits >> 32));
}

}  // namespace

int ClassifyTag(std::uint32_t t) noexcept {
  if (t == 0) return 0;
  switch (t >> 30) {
    case 2: return 1;
    case 1: return 2;
    default: return 3;
  }
}

bool IsNumericTag(std::uint32_t t) noexcept { return ClassifyTag(t) == 1 && (t & 0xFF) == 1; }

ArgRecord ByteArg(std::uint8_t value) noexcept { return Make(tag::kByte, value); }
ArgRecord ShortArg(std::int16_t value) noexcept {
  return Make(tag::kShort, static_cast<std::uint16_t>(value));
}
ArgRecord IntArg(std::int32_t value) noexcept { return Make(tag::kInt, static_cast<std::uint32_t>(value)); }
ArgRecord Int64Arg(std::int64_t value) noexcept { return MakeWide(tag::kInt64, static_cast<std::uint64_t>(value)); }
ArgRecord FloatArg(float value) noexcept {
  std::uint32_t bits;
  std::memcpy(&bits, &value, 4);
  return Make(tag::kFloat, bits);
}
ArgRecord DoubleArg(double value) noexcept {
  std::uint64_t bits;
  std::memcpy(&bits, &value, 8);
  return MakeWide(tag::kDouble, bits);
}
ArgRecord BoolArg(bool value) noexcept { return Make(tag::kBool, value ? 1u : 0u); }
ArgRecord DateTimeArg(double days) noexcept {
  std::uint64_t bits;
  std::memcpy(&bits, &days, 8);
  return MakeWide(tag::kDateTime, bits);
}
ArgRecord TextArg(Text text) noexcept {
  return Make(tag::kText, reinterpret_cast<std::uintptr_t>(NonNullText(text)));
}
ArgRecord ByteSetArg(const void* block) noexcept {
  return Make(tag::kByteSet, reinterpret_cast<std::uintptr_t>(block));
}
ArgRecord PageRefArg(std::uint32_t pageId, std::uint32_t windowUnitId) noexcept {
  return Make(tag::kPageReference, pageId, windowUnitId);
}
ArgRecord RecordArg(std::uint32_t typeTag, void* record) noexcept {
  return Make(typeTag, reinterpret_cast<std::uintptr_t>(record));
}

std::optional<std::int32_t> AsInt(const ArgRecord& a) noexcept {
  if (a.tag != tag::kInt) return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a.lo));
}

std::optional<bool> AsBool(const ArgRecord& a) noexcept {
  if (a.tag != tag::kBool) return std::nullopt;
  return static_cast<std::uint32_t>(a.lo) != 0;
}

std::optional<Text> AsText(const ArgRecord& a) noexcept {
  if (a.tag != tag::kText) return std::nullopt;
  return reinterpret_cast<Text>(a.lo);
}

std::optional<const void*> AsByteSet(const ArgRecord& a) noexcept {
  if (a.tag != tag::kByteSet) return std::nullopt;
  return reinterpret_cast<const void*>(a.lo);
}

std::optional<void*> AsRecord(const ArgRecord& a, std::uint32_t typeTag) noexcept {
  if (a.tag != typeTag || ClassifyTag(typeTag) == 1) return std::nullopt;
  return reinterpret_cast<void*>(a.lo);
}

std::uint64_t Wide(const ArgRecord& a) noexcept {
  return (static_cast<std::uint64_t>(a.hi) << 32) | static_cast<std::uint32_t>(a.lo);
}

double AsDoubleBits(const ArgRecord& a) noexcept {
  const std::uint64_t bits = Wide(a);
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

float AsFloatBits(const ArgRecord& a) noexcept {
  const auto bits = static_cast<std::uint32_t>(a.lo);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

ArgList::ArgList(std::initializer_list<ArgRecord> records) : m_records(records) {}

ArgList& ArgList::PadOmittedArguments(int words) {
  for (int i = 0; i < words; i += 3) m_records.push_back(ArgRecord{});
  return *this;
}

}  // namespace vl
