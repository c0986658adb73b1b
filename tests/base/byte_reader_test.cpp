// The bounds-checked reader at its edges: every kind of read exactly at the end, one byte over it
// (refused where it starts, consuming nothing) and with a count that would overflow an offset.
#include "base/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace vl {
namespace {

struct Read {
  const char* name;
  std::size_t size;  // the bytes it takes
  std::function<bool(ByteReader&)> run;
};

TEST(ByteReader, EveryReadSucceedsExactlyAtTheEndAndFailsOneByteOverWithoutConsuming) {
  const std::vector<Read> reads = {
      {"u8", 1, [](ByteReader& r) { return r.ReadU8().HasValue(); }},
      {"u16", 2, [](ByteReader& r) { return r.ReadU16().HasValue(); }},
      {"u32", 4, [](ByteReader& r) { return r.ReadU32().HasValue(); }},
      {"i32", 4, [](ByteReader& r) { return r.ReadI32().HasValue(); }},
      {"bytes 3", 3, [](ByteReader& r) { return r.ReadBytes(3).HasValue(); }},
      {"skip 3", 3, [](ByteReader& r) { return r.Skip(3).HasValue(); }},
  };
  const std::uint8_t data[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  for (const Read& read : reads) {
    SCOPED_TRACE(read.name);
    for (std::size_t start = 0; start <= 3; ++start) {
      // Exactly at the end: the data ends where the read does.
      ByteReader exact(std::span<const std::uint8_t>(data).first(start + read.size));
      ASSERT_TRUE(exact.Skip(start));
      EXPECT_TRUE(read.run(exact));
      EXPECT_TRUE(exact.AtEnd());
      // One byte over.
      ByteReader over(std::span<const std::uint8_t>(data).first(start + read.size - 1));
      ASSERT_TRUE(over.Skip(start));
      EXPECT_FALSE(read.run(over));
      EXPECT_EQ(over.Offset(), start);
    }
  }
}

TEST(ByteReader, ErrorsNameWhereTheFailedReadStarted) {
  const std::uint8_t data[] = {1, 2, 3, 4, 5};
  ByteReader reader(data);
  ASSERT_TRUE(reader.Skip(2));
  auto word = reader.ReadU32();
  ASSERT_FALSE(word);
  EXPECT_EQ(word.GetError().offset, 2u);
  auto bytes = reader.ReadBytes(4);
  ASSERT_FALSE(bytes);
  EXPECT_EQ(bytes.GetError().offset, 2u);
}

TEST(ByteReader, CountsThatWouldOverflowAnOffsetAreRefused) {
  const std::uint8_t data[] = {0, 0, 0, 0, 'a', 'b'};
  constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();
  ByteReader reader(data);
  ASSERT_TRUE(reader.Skip(1));
  EXPECT_FALSE(reader.ReadBytes(kHuge));
  EXPECT_FALSE(reader.Skip(kHuge));
  EXPECT_EQ(reader.Offset(), 1u);

  // A counted block whose count, added to the offset, would wrap: refused at the count.
  for (const std::uint32_t count : {0x7FFFFFFFu, 0x7FFFFFFCu, 3u}) {
    std::uint8_t counted[] = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                              static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24), 'x', 'y'};
    ByteReader block(counted);
    auto read = block.ReadCounted();
    ASSERT_FALSE(read) << count;
    EXPECT_EQ(read.GetError().offset, 0u);
    EXPECT_EQ(block.Offset(), 0u);
  }
  // Exactly at the end, and a negative count that reads as empty.
  const std::uint8_t exact[] = {2, 0, 0, 0, 'x', 'y'};
  ByteReader exactBlock(exact);
  ASSERT_TRUE(exactBlock.ReadCounted());
  EXPECT_TRUE(exactBlock.AtEnd());
  const std::uint8_t negative[] = {0xFF, 0xFF, 0xFF, 0xFF};
  ByteReader negativeBlock(negative);
  auto empty = negativeBlock.ReadCounted();
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

TEST(ByteReader, ATerminatedTextNeedsItsZeroWithinTheData) {
  const std::uint8_t data[] = {'h', 'i', 0, 'n', 'o'};
  ByteReader reader(data);
  auto text = reader.ReadTerminated();
  ASSERT_TRUE(text);
  EXPECT_EQ(std::string(text->begin(), text->end()), "hi");
  EXPECT_EQ(reader.Offset(), 3u);
  auto unterminated = reader.ReadTerminated();
  ASSERT_FALSE(unterminated);
  EXPECT_EQ(unterminated.GetError().offset, 3u);
  EXPECT_EQ(reader.Offset(), 3u);
  ByteReader empty(std::span<const std::uint8_t>{});
  EXPECT_FALSE(empty.ReadTerminated());
  EXPECT_FALSE(empty.ReadU8());
  EXPECT_TRUE(empty.Skip(0));
}

}  // namespace
}  // namespace vl
