#include "message_box.h"

#include <windows.h>

#include "memory.h"
#include "runtime_texts.h"
#include "value_format.h"

namespace vl {

void ShowMessageBoxCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  char* message = DisplayText(ArgAt(count, args, 0));
  auto style = static_cast<UINT>(AsInt(ArgAt(count, args, 1)).value_or(0));
  const ArgRecord& titleArg = ArgAt(count, args, 2);
  char* title = IsOmitted(titleArg) ? nullptr : DisplayText(titleArg);
  if ((style & MB_SYSTEMMODAL) == 0) style |= MB_TASKMODAL;
  const int button = MessageBoxA(nullptr, message, title == nullptr ? kDefaultMessageBoxTitle : title, style);
  FreeMemory(message);
  FreeMemory(title);
  SetIntResult(result, button >= IDOK && button <= IDNO ? button - 1 : 0);
}

}  // namespace vl
