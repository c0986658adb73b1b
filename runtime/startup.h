#pragma once
// The runtime start-up, the end routine and the runtime's side of the library notifications.
#include <cstdint>

namespace vl {

// Start-up steps 1 to 9 (CallService 6).
void StartRuntime() noexcept;

// Runs the end routine once in effect: events suspended, pages destroyed, the clean-up routine
// run, the libraries told, the runtime's resources released. From another thread it forwards
// the request to the GUI thread.
void RunEndRoutine(int exitCode) noexcept;

// Called once at the very end of the end routine, after everything has been released; test
// builds use it to check what a program left behind. At most one; null removes it.
using EndObserver = void (*)(int exitCode);
void SetEndObserver(EndObserver observer) noexcept;

// Tells every library that has a notification function `code` (1 start, 6 end).
void NotifyLibraries(int code) noexcept;

// The entry libraries call back into the runtime through.
std::intptr_t RuntimeNotification(int request, std::intptr_t arg1, std::intptr_t arg2) noexcept;

}  // namespace vl
