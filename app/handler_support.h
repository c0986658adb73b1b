#pragma once
// The few things every handler does, spelled once over the frame's entry points: call a command,
// move between pages, read and write control properties.
#include <cstdint>

#include "ids.h"
#include "runtime/frame.h"

namespace vl::installer {

// Shows a message box with the given text, style and title; returns the button (Yes is 5).
int AskUser(Text message, int style, Text title) noexcept;

// Loads `to` as an ordinary top-level page, then asks for the deferred close of `from`; when `to`
// cannot be built, `from` stays and the result is false.
bool MovePage(PageRef to, PageRef from) noexcept;

// Control properties of a page, by number.
void WriteText(PageRef page, std::uint32_t control, Text text) noexcept;
// The text of a control, now the caller's (empty when the control's is).
OwnedText ReadText(PageRef page, std::uint32_t control) noexcept;
void WriteBool(PageRef page, std::uint32_t control, int number, bool value) noexcept;
// Integer properties travel as doubles in the handlers; a write truncates toward zero.
double ReadNumber(PageRef page, std::uint32_t control, int number) noexcept;
void WriteNumber(PageRef page, std::uint32_t control, int number, double value) noexcept;

}  // namespace vl::installer
