#include "base/crc32c.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(Crc32c, BothWaysGiveTheCheckValueAndAgreeAtEveryLengthAndAlignment) {
  EXPECT_EQ(vl::Crc32cByTable(Bytes("123456789")), 0xE3069283u);
  EXPECT_EQ(vl::FastestCrc32c()(Bytes("")), 0u);
  std::vector<std::uint8_t> data(80);
  std::uint32_t seed = 12345;
  for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
  if (!vl::HasCrc32cInstruction()) GTEST_SKIP() << "this processor has no CRC-32C instruction";
  EXPECT_EQ(vl::Crc32cByInstruction(Bytes("123456789")), 0xE3069283u);
  // The instruction takes four bytes at a time: every tail length and start alignment.
  for (std::size_t start = 0; start < 4; ++start) {
    for (std::size_t length = 0; start + length <= data.size(); ++length) {
      const std::span<const std::uint8_t> part(data.data() + start, length);
      ASSERT_EQ(vl::Crc32cByInstruction(part), vl::Crc32cByTable(part)) << start << " " << length;
    }
  }
}

}  // namespace
