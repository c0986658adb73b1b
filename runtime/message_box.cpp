#include "message_box.h"

#include <windows.h>

#include "fatal_error.h"
#include "frame.h"
#include "memory.h"
#include "text_boundary.h"
#include "runtime_object.h"
#include "runtime_texts.h"
#include "value_format.h"

namespace vl {

void ShowMessageBoxCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const OwnedText message = DisplayText(ArgAt(count, args, 0));
  auto style = static_cast<UINT>(AsInt(ArgAt(count, args, 1)).value_or(0));
  const ArgRecord& titleArg = ArgAt(count, args, 2);
  const OwnedText title = IsOmitted(titleArg) ? OwnedText() : DisplayText(titleArg);
  if ((style & MB_SYSTEMMODAL) == 0) style |= MB_TASKMODAL;
  int button = 0;
  {
    const WideText wideMessage(message.Get());
    const WideText wideTitle(title ? title.Get() : kDefaultMessageBoxTitle);
    if (TheRuntime().Unattended()) {
      button = IDOK;
    } else if (wideMessage.Valid() && wideTitle.Valid()) {
      button = MessageBoxW(nullptr, wideMessage.Get(), wideTitle.Get(), style);
    }
  }
  SetIntResult(result, button >= IDOK && button <= IDNO ? button - 1 : 0);
}

void ShowFatalBox(const char* text) noexcept {
  if (TheRuntime().Unattended()) return;
  wchar_t wideText[kFatalTextCapacity];
  wchar_t wideTitle[32];
  WideIntoBuffer(text, wideText);
  WideIntoBuffer(kFatalErrorTitle, wideTitle);
  MessageBoxW(nullptr, wideText, wideTitle, MB_OK | MB_ICONERROR);
}

}  // namespace vl
