#pragma once

// Building binary contents: little-endian integers appended to a byte string, and patched in
// place once a later value (a length, an offset) is known.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace gen {

class ByteWriter {
 public:
  ByteWriter() = default;
  // Goes on from bytes written before (a file read back, to be patched and extended).
  explicit ByteWriter(std::string bytes) : m_bytes(std::move(bytes)) {}

  void U8(std::uint8_t value) { m_bytes.push_back(static_cast<char>(value)); }
  void U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
  }
  void U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
  }
  void U16Be(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value >> 8));
    U8(static_cast<std::uint8_t>(value));
  }
  void F64(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    U32(static_cast<std::uint32_t>(bits));
    U32(static_cast<std::uint32_t>(bits >> 32));
  }
  void Bytes(std::string_view bytes) { m_bytes.append(bytes); }
  void Zeros(std::size_t count) { m_bytes.append(count, '\0'); }

  void PatchU16(std::size_t at, std::uint16_t value) {
    m_bytes[at] = static_cast<char>(value);
    m_bytes[at + 1] = static_cast<char>(value >> 8);
  }
  void PatchU32(std::size_t at, std::uint32_t value) {
    PatchU16(at, static_cast<std::uint16_t>(value));
    PatchU16(at + 2, static_cast<std::uint16_t>(value >> 16));
  }

  std::size_t Size() const { return m_bytes.size(); }
  std::string_view View() const { return m_bytes; }
  std::string Take() { return std::move(m_bytes); }

 private:
  std::string m_bytes;
};

}  // namespace gen
