#pragma once
// The program's windows disabled while a modal page or a system dialog is open: each remembered
// with whether it was enabled, and given back as it was when the modal window goes.
#include <windows.h>

#include <vector>

namespace vl {

class DisabledWindows {
 public:
  // Remembers whether the window is enabled, then disables it.
  void Disable(HWND window) noexcept;
  // Enables or disables each remembered window that still exists as it was, in the order they
  // were disabled, and forgets them.
  void Restore() noexcept;

 private:
  struct Saved {
    HWND window;
    bool enabled;
  };
  std::vector<Saved> m_saved;
};

}  // namespace vl
