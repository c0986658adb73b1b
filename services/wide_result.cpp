#include "wide_result.h"

#include <utility>

#include "runtime/text_boundary.h"
#include "runtime/text_value.h"

namespace vl {

void SetWideTextResult(ResultRecord* result, std::wstring_view text) noexcept {
  OwnedText converted(TextFromWide(text));
  SetTextResult(result, converted ? std::move(converted) : CopyText(nullptr));
}

}  // namespace vl
