#pragma once
// Typed argument records: three words (value, high word, type tag) per argument, in argument
// order; tag 0 marks an omitted argument. Results come back in the same form.
#include <cstdint>
#include <optional>
#include <vector>

#include "text_value.h"

namespace vl {

namespace tag {
inline constexpr std::uint32_t kOmitted = 0;
inline constexpr std::uint32_t kByte = 0x80000101;
inline constexpr std::uint32_t kShort = 0x80000201;
inline constexpr std::uint32_t kInt = 0x80000301;
inline constexpr std::uint32_t kInt64 = 0x80000401;
inline constexpr std::uint32_t kFloat = 0x80000501;
inline constexpr std::uint32_t kDouble = 0x80000601;
inline constexpr std::uint32_t kBool = 0x80000002;
inline constexpr std::uint32_t kDateTime = 0x80000003;
inline constexpr std::uint32_t kText = 0x80000004;
inline constexpr std::uint32_t kByteSet = 0x80000005;
inline constexpr std::uint32_t kSubroutine = 0x80000006;
// Data types of the libraries: (library number << 16) | type number, both from 1.
inline constexpr std::uint32_t kPageReference = 0x00010001;
inline constexpr std::uint32_t kSystemInfoRecord = 0x00040004;
}  // namespace tag

// `lo` is pointer-wide so that a host build can carry its 64-bit pointers; on the 32-bit
// program the record is exactly three 32-bit words.
struct ArgRecord {
  std::uintptr_t lo = 0;
  std::uint32_t hi = 0;
  std::uint32_t tag = tag::kOmitted;
};
using ResultRecord = ArgRecord;
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ArgRecord) == 12, "argument records are three 32-bit words");
#endif

// 0 for an omitted argument, 1 for a basic type (top bits 10), 2 for top bits 01, 3 otherwise
// (a data type of a library).
int ClassifyTag(std::uint32_t tag) noexcept;
// Byte, short, int, 64-bit int, float and double.
bool IsNumericTag(std::uint32_t tag) noexcept;
inline bool IsOmitted(const ArgRecord& a) noexcept { return a.tag == tag::kOmitted; }

ArgRecord ByteArg(std::uint8_t value) noexcept;
ArgRecord ShortArg(std::int16_t value) noexcept;
ArgRecord IntArg(std::int32_t value) noexcept;
ArgRecord Int64Arg(std::int64_t value) noexcept;
ArgRecord FloatArg(float value) noexcept;
ArgRecord DoubleArg(double value) noexcept;
ArgRecord BoolArg(bool value) noexcept;
// A date-time is a day count from 1899-12-30 with the time of day as the fraction.
ArgRecord DateTimeArg(double days) noexcept;
// A null text is passed as the constant empty text.
ArgRecord TextArg(Text text) noexcept;
ArgRecord ByteSetArg(const void* block) noexcept;
ArgRecord PageRefArg(std::uint32_t pageId, std::uint32_t windowUnitId) noexcept;
ArgRecord RecordArg(std::uint32_t typeTag, void* record) noexcept;

// Typed reads that refuse a record of another type (nullopt).
std::optional<std::int32_t> AsInt(const ArgRecord& a) noexcept;
std::optional<bool> AsBool(const ArgRecord& a) noexcept;
std::optional<Text> AsText(const ArgRecord& a) noexcept;
std::optional<const void*> AsByteSet(const ArgRecord& a) noexcept;
std::optional<void*> AsRecord(const ArgRecord& a, std::uint32_t typeTag) noexcept;
// The 64-bit payload of an int64, double or date-time record (lo and hi).
std::uint64_t Wide(const ArgRecord& a) noexcept;
double AsDoubleBits(const ArgRecord& a) noexcept;
float AsFloatBits(const ArgRecord& a) noexcept;

// The argument list a caller builds for one command call.
class ArgList {
 public:
  ArgList() { m_records.reserve(8); }
  // Out of line: built at every command call, it would otherwise be copied into each caller's file.
  ArgList(std::initializer_list<ArgRecord> records);

  ArgList& Add(const ArgRecord& record) {
    m_records.push_back(record);
    return *this;
  }
  // Appends `words` zero words, three per omitted argument (a partial record is completed).
  ArgList& PadOmittedArguments(int words);

  int Count() const noexcept { return static_cast<int>(m_records.size()); }
  const ArgRecord* Records() const noexcept { return m_records.data(); }

 private:
  std::vector<ArgRecord> m_records;
};

}  // namespace vl
