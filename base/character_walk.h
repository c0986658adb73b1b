#pragma once
// Walking the system's texts character by character. A text is GB18030 bytes, of which GBK is
// the two-byte part: a character is one byte (0x00-0x80 and 0xFF; 0x80 is the euro sign, not a
// lead byte), two bytes (a lead 0x81-0xFE and a trail 0x40-0xFE other than 0x7F) or four bytes
// (0x81-0xFE, 0x30-0x39, 0x81-0xFE, 0x30-0x39). A lead byte that starts no valid sequence counts
// as one byte, so a walk always moves on and never splits a valid character; which code page
// the system runs in does not matter.
#include <cstddef>
#include <string_view>

namespace vl {

// The bytes of the character at `at`; 0 at or after the end.
std::size_t CharacterLength(std::string_view text, std::size_t at) noexcept;

// The character after the one at `text` in a NUL-terminated text; `text` itself at the
// terminator. Never reads past the terminator.
const char* NextCharacter(const char* text) noexcept;

// The length of the longest start of `text` that is at most `limit` bytes long and ends on a
// character boundary.
std::size_t FitLength(std::string_view text, std::size_t limit) noexcept;

}  // namespace vl
