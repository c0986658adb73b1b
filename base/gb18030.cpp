#include "gb18030.h"

#include <algorithm>

namespace vl {
namespace {

// Numbers and characters of the first plane both fit in 16 bits.
struct FourByteRun {
  std::uint16_t first;      // the number of its first code
  std::uint16_t character;  // its first character
};

// A real character that takes the four-byte code of the private-use character code page 936
// reads in its place.
struct FourBytePair {
  std::uint16_t real;
  std::uint16_t privateUse;
};

#include "gb18030_ranges.inc"

constexpr std::uint32_t kSupplementaryFirst = 189000;  // 0x90 0x30 0x81 0x30
constexpr char32_t kLastCharacter = 0x10FFFF;

std::uint32_t NumberOf(std::span<const std::uint8_t, 4> b) noexcept {
  return ((std::uint32_t{b[0]} - 0x81) * 10 + (b[1] - 0x30u)) * 1260 + (b[2] - 0x81u) * 10 + (b[3] - 0x30u);
}

FourBytes BytesOf(std::uint32_t number) noexcept {
  FourBytes bytes{};
  bytes[3] = static_cast<std::uint8_t>(0x30 + number % 10);
  number /= 10;
  bytes[2] = static_cast<std::uint8_t>(0x81 + number % 126);
  number /= 126;
  bytes[1] = static_cast<std::uint8_t>(0x30 + number % 10);
  bytes[0] = static_cast<std::uint8_t>(0x81 + number / 10);
  return bytes;
}

// The run a number falls in, or the run a character would fall in: the last that starts at or
// before it.
const FourByteRun& RunOf(std::uint32_t key, std::uint16_t FourByteRun::*field) noexcept {
  const auto after = std::upper_bound(std::begin(kFourByteRuns), std::end(kFourByteRuns), key,
                                      [field](std::uint32_t k, const FourByteRun& run) { return k < run.*field; });
  return *(after - 1);
}

std::uint32_t RunLength(const FourByteRun& run) noexcept {
  const FourByteRun* next = &run + 1;
  return (next == std::end(kFourByteRuns) ? kFourByteRunsEnd : next->first) - run.first;
}

}  // namespace

std::optional<FourBytes> EncodeFourByte(char32_t character) noexcept {
  if (character > kLastCharacter || (character >= 0xD800 && character <= 0xDFFF)) return std::nullopt;
  if (character >= 0x10000) return BytesOf(kSupplementaryFirst + (character - 0x10000));
  for (const FourBytePair& pair : kFourBytePairs) {
    if (pair.privateUse == character) return std::nullopt;  // its code names the real character
    if (pair.real == character) character = pair.privateUse;
  }
  if (character < kFourByteRuns[0].character) return std::nullopt;
  const FourByteRun& run = RunOf(character, &FourByteRun::character);
  const std::uint32_t offset = character - run.character;
  if (offset >= RunLength(run)) return std::nullopt;  // between runs: a one- or two-byte character
  return BytesOf(run.first + offset);
}

std::optional<char32_t> DecodeFourByte(std::span<const std::uint8_t, 4> bytes) noexcept {
  const bool form = bytes[0] >= 0x81 && bytes[0] <= 0xFE && bytes[1] >= 0x30 && bytes[1] <= 0x39 &&
                    bytes[2] >= 0x81 && bytes[2] <= 0xFE && bytes[3] >= 0x30 && bytes[3] <= 0x39;
  if (!form) return std::nullopt;
  const std::uint32_t number = NumberOf(bytes);
  if (number >= kSupplementaryFirst) {
    const std::uint32_t character = 0x10000 + (number - kSupplementaryFirst);
    if (character > kLastCharacter) return std::nullopt;
    return static_cast<char32_t>(character);
  }
  if (number >= kFourByteRunsEnd) return std::nullopt;
  const FourByteRun& run = RunOf(number, &FourByteRun::first);
  const char32_t character = run.character + (number - run.first);
  for (const FourBytePair& pair : kFourBytePairs) {
    if (pair.privateUse == character) return pair.real;
  }
  return character;
}

}  // namespace vl
