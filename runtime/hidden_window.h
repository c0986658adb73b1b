#pragma once
// The hidden tool window through which other threads ask the GUI thread to end the program or to
// run a routine (PostToGuiThread, frame.h).
#include <windows.h>

namespace vl {

// Registers the window class on first use and creates the window (WS_EX_TOOLWINDOW, no title,
// never shown). Null when the system refuses.
HWND CreateHiddenRequestWindow() noexcept;

}  // namespace vl
