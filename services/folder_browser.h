#pragma once
// The system's folder picker, shown modal to the whole program.
#include <windows.h>

#include <vector>

#include "runtime/command_call.h"
#include "runtime/disabled_windows.h"

namespace vl {

// What a modal system dialog changes about the program's windows, saved before it is shown and
// put back after: the active and foreground windows, and the enabled state of each top-level
// page window.
class WindowStateList {
 public:
  // Saves the active window (null when it is not a window) and the foreground window, then, in
  // the given order, saves and disables each window that is not null and has no parent.
  void SaveAndDisable(const std::vector<HWND>& programWindows) noexcept;
  // Enables or disables each saved window again as it was, in list order; then brings back the
  // foreground window and the active window, each only if it still exists.
  void Restore() noexcept;

  // The owner for the dialog: the window that was active.
  HWND Owner() const noexcept { return m_active; }

 private:
  HWND m_active = nullptr;
  HWND m_foreground = nullptr;
  DisabledWindows m_windows;
};

// The program's windows the picker must disable while it is open, asked for each time it opens;
// the program's library table hands it over when the shell library starts. Without it, no window
// is disabled.
using ProgramWindowList = std::vector<HWND> (*)();
void SetPickerDisabledWindows(ProgramWindowList windows) noexcept;

// BrowseForFolder(title: text, include files: bool opt) -> text: the path of the chosen folder (a
// drive root keeps its backslash, "C:\"); the empty text on cancel, for an item that is not in
// the file system or whose path cannot be converted, and, without showing the picker, for a
// title that cannot be converted. The program's windows (SetPickerDisabledWindows) are disabled
// while the picker is open and restored afterwards. COM must be initialised on the thread.
void BrowseForFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
