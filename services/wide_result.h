#pragma once
// Texts that Windows hands back as UTF-16, taken into the system's own form for a command's
// result (runtime/text_boundary.h).
#include <string_view>

#include "runtime/command_call.h"

namespace vl {

// Sets the text result to `text` converted; the empty text when it cannot be converted, which is
// how a text command reports any failure.
void SetWideTextResult(ResultRecord* result, std::wstring_view text) noexcept;

}  // namespace vl
