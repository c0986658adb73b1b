#include "wide_result.h"

#include "runtime/text_boundary.h"
#include "runtime/text_value.h"

namespace vl {

void SetWideTextResult(ResultRecord* result, std::wstring_view text) noexcept {
  char* converted = TextFromWide(text);
  SetTextResult(result, converted != nullptr ? converted : CopyText(nullptr));
}

}  // namespace vl
