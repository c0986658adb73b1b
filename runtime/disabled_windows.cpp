#include "disabled_windows.h"

namespace vl {

void DisabledWindows::Disable(HWND window) noexcept {
  m_saved.push_back({window, IsWindowEnabled(window) != FALSE});
  EnableWindow(window, FALSE);
}

void DisabledWindows::Restore() noexcept {
  for (const Saved& saved : m_saved) {
    if (IsWindow(saved.window)) EnableWindow(saved.window, saved.enabled ? TRUE : FALSE);
  }
  m_saved.clear();
}

}  // namespace vl
