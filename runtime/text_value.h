#pragma once
// Text values: pointers to NUL-terminated GB18030 bytes, whatever the system's code page (they
// cross to Windows as UTF-16 only at the text boundary, text_boundary.h). Null and "" are both
// the empty text. A text made at run time belongs to whoever receives it, as an OwnedText that
// releases it once; the program's constant texts are never released.
#include <cstddef>
#include <initializer_list>

#include "memory.h"
#include "unique_handle.h"

namespace vl {

using Text = const char*;

// A text the runtime allocated, released with FreeMemory when its one owner goes. Get() lends it;
// Release() hands it on to a new owner (a command's result record, a program-wide variable).
using OwnedText = UniqueHandle<NullHandleTraits<char*, FreeMemory>>;

// Bytes before the NUL; 0 for null.
int TextLength(Text text) noexcept;
bool IsEmptyText(Text text) noexcept;

// A new text of all `texts` joined in order; never null, even when every input is empty (then a
// one-byte allocation holding NUL). The inputs are not released.
OwnedText ConcatTexts(std::initializer_list<Text> texts) noexcept;

// Byte-wise, unsigned: -1, 0 or 1. Null equals the empty text.
int CompareTexts(Text a, Text b) noexcept;

// A new allocation holding a copy of `text` (the empty text when null); never null.
OwnedText CopyText(Text text) noexcept;
// A new allocation holding `length` bytes of `bytes` and a NUL; never null.
OwnedText CopyTextBytes(const char* bytes, std::size_t length) noexcept;

// `text`, or the constant empty text when it is null: a text passed to a command is never null.
Text NonNullText(Text text) noexcept;

}  // namespace vl

namespace vl {

// The last backslash of `text` that is a character of its own (base/character_walk.h): the
// second byte of a two-byte character is never taken for a separator. Null when there is none.
const char* FindLastBackslash(Text text) noexcept;

}  // namespace vl

namespace vl {

// True for the empty text and for a text of blanks only: spaces, tabs and the ideographic
// space (0xA1 0xA1), read character by character.
bool IsBlankText(Text text) noexcept;

}  // namespace vl
