#include "byte_reader.h"

#include <cstring>

namespace vl {

Expected<std::uint8_t> ByteReader::ReadU8() noexcept {
  if (Remaining() < 1) return Fail("read past the end");
  return m_data[m_offset++];
}

Expected<std::uint16_t> ByteReader::ReadU16() noexcept {
  if (Remaining() < 2) return Fail("read past the end");
  const auto* p = m_data.data() + m_offset;
  m_offset += 2;
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

Expected<std::uint32_t> ByteReader::ReadU32() noexcept {
  if (Remaining() < 4) return Fail("read past the end");
  const auto* p = m_data.data() + m_offset;
  m_offset += 4;
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

Expected<std::int32_t> ByteReader::ReadI32() noexcept {
  auto word = ReadU32();
  if (!word) return word.GetError();
  return static_cast<std::int32_t>(*word);
}

Expected<std::span<const std::uint8_t>> ByteReader::ReadBytes(std::size_t n) noexcept {
  if (n > Remaining()) return Fail("byte run longer than the data left");
  auto view = m_data.subspan(m_offset, n);
  m_offset += n;
  return view;
}

Expected<std::span<const std::uint8_t>> ByteReader::ReadTerminated() noexcept {
  const auto rest = m_data.subspan(m_offset);
  const void* zero = std::memchr(rest.data(), 0, rest.size());
  if (zero == nullptr) return Fail("text without its terminator");
  const auto length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - rest.data());
  m_offset += length + 1;
  return rest.first(length);
}

Expected<bool> ByteReader::Skip(std::size_t n) noexcept {
  if (n > Remaining()) return Fail("skip past the end");
  m_offset += n;
  return true;
}

Expected<std::span<const std::uint8_t>> ByteReader::ReadCounted() noexcept {
  const std::size_t start = m_offset;
  auto count = ReadI32();
  if (!count) return count.GetError();
  if (*count <= 0) return std::span<const std::uint8_t>{};
  auto bytes = ReadBytes(static_cast<std::size_t>(*count));
  if (!bytes) {
    m_offset = start;
    return Error{"counted block longer than the data left", start};
  }
  return bytes;
}

std::uint32_t LoadU32(const void* at) noexcept {
  std::uint8_t b[4];
  std::memcpy(b, at, 4);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

}  // namespace vl
