#pragma once
// The runtime's private window messages, declared in one place.
#include <windows.h>

namespace vl {

// Posted to a page window: finish the close that ClosePage requested.
inline constexpr UINT kClosePageMessage = 0x8065;
// Sent to the hidden request window from another thread: end the program on the GUI thread;
// wParam is the exit code.
inline constexpr UINT kEndProgramRequest = 0x83E7;
// Posted to the hidden request window from another thread (PostToGuiThread): run the routine in
// lParam on the GUI thread.
inline constexpr UINT kRunRoutineRequest = 0x83E8;

}  // namespace vl
