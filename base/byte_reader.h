#pragma once
// The one way the programs and the generators read binary data that could be malformed: a
// cursor over a span that checks every read against the bytes remaining and assembles
// little-endian integers from bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "expected.h"

namespace vl {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) noexcept : m_data(data) {}

  std::size_t Offset() const noexcept { return m_offset; }
  std::size_t Remaining() const noexcept { return m_data.size() - m_offset; }
  bool AtEnd() const noexcept { return m_offset == m_data.size(); }

  Expected<std::uint8_t> ReadU8() noexcept;
  Expected<std::uint16_t> ReadU16() noexcept;
  Expected<std::uint32_t> ReadU32() noexcept;
  Expected<std::int32_t> ReadI32() noexcept;
  // n bytes in place; the view lives as long as the underlying data.
  Expected<std::span<const std::uint8_t>> ReadBytes(std::size_t n) noexcept;
  // Bytes up to a zero byte; the zero is consumed but not part of the result.
  Expected<std::span<const std::uint8_t>> ReadTerminated() noexcept;
  Expected<bool> Skip(std::size_t n) noexcept;
  // A dword count n followed by n bytes; n <= 0 reads as empty.
  Expected<std::span<const std::uint8_t>> ReadCounted() noexcept;

 private:
  Error Fail(const char* what) const noexcept { return Error{what, m_offset}; }

  std::span<const std::uint8_t> m_data;
  std::size_t m_offset = 0;
};

// Little-endian words from bytes that are known to be present (constant data of the program).
std::uint32_t LoadU32(const void* at) noexcept;

}  // namespace vl
