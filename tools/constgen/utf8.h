#pragma once

// Just enough UTF-8 for reading texts.txt files: strict validation and decoding of one
// character (no overlong forms, no surrogates, nothing above U+10FFFF).

#include <cstddef>
#include <optional>
#include <string_view>

namespace constgen {

// The offset of the first byte that does not start a valid UTF-8 sequence, or nothing when
// all of `text` is valid UTF-8.
std::optional<std::size_t> FindInvalidUtf8(std::string_view text);

// The length of the valid sequence at the start of `text` (1 to 4), or 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text);

// The code point of the valid sequence at the start of `text`, which must not be empty.
char32_t DecodeUtf8(std::string_view text);

}  // namespace constgen
