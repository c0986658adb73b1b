#pragma once
// Text forms of values, as a message box shows them.
#include "arg_record.h"

namespace vl {

// A new text for any argument: a text unchanged (null as the empty text); byte unsigned, short
// and int signed, 64-bit int in base 10; float and double in the shortest form that reads back
// (at most 7 and 15 significant digits); bool as "真" or "假"; a date-time as
// "2026年12月7日" with "8时5分0秒" added when it has a time of day; anything else empty.
OwnedText DisplayText(const ArgRecord& value) noexcept;

}  // namespace vl
