#include "byte_set.h"

#include <cstring>

#include "base/byte_reader.h"
#include "memory.h"

namespace vl {

std::span<const std::uint8_t> ByteSetData(const void* block) noexcept {
  if (block == nullptr) return {};
  const auto length = static_cast<std::int32_t>(LoadU32(static_cast<const std::uint8_t*>(block) + 4));
  if (length <= 0) return {};
  return {static_cast<const std::uint8_t*>(block) + kByteSetHeaderSize, static_cast<std::size_t>(length)};
}

void* MakeByteSet(std::span<const std::uint8_t> bytes) noexcept {
  auto* block = static_cast<std::uint8_t*>(AllocateMemory(kByteSetHeaderSize + bytes.size()));
  const std::uint32_t words[2] = {1, static_cast<std::uint32_t>(bytes.size())};
  for (int w = 0; w < 2; ++w) {
    for (int b = 0; b < 4; ++b) block[w * 4 + b] = static_cast<std::uint8_t>(words[w] >> (8 * b));
  }
  if (!bytes.empty()) std::memcpy(block + kByteSetHeaderSize, bytes.data(), bytes.size());
  return block;
}

}  // namespace vl
