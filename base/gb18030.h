#pragma once
// GB18030's four-byte form: how the system writes, within its GBK texts, a character that the
// one- and two-byte forms cannot hold. The characters of the Basic Multilingual Plane follow the
// standard's table of runs (base/gb18030_ranges.txt); the supplementary planes follow its
// formula, U+10000 being 0x90 0x30 0x81 0x30.
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vl {

using FourBytes = std::array<std::uint8_t, 4>;

// The four-byte form of a Unicode scalar value; nothing for one that GB18030 holds in one or two
// bytes, for a surrogate and past U+10FFFF.
std::optional<FourBytes> EncodeFourByte(char32_t character) noexcept;

// The character of a four-byte form; nothing for bytes outside its ranges or a number that names
// no character.
std::optional<char32_t> DecodeFourByte(std::span<const std::uint8_t, 4> bytes) noexcept;

}  // namespace vl
