#pragma once
// The message-box command.
#include "command_call.h"

namespace vl {

// ShowMessageBox(message: any type, style: int, title: text, optional, parent page: optional,
// not used) -> int: the button pressed, as the Windows button id minus one (OK 0, Cancel 1,
// Abort 2, Retry 3, Ignore 4, Yes 5, No 6; any other id 0). An omitted title shows "信息："; the
// box is task-modal unless the style asks for system-modal.
void ShowMessageBoxCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// The error box of a program that is about to end, titled "错误": it never allocates, so
// that it still shows after the heap has failed. A text longer than the box's room is cut at a
// character.
void ShowFatalBox(const char* text) noexcept;

}  // namespace vl
