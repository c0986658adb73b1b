#include "folder_browser.h"

#include <shlobj.h>

#include "runtime/com_ptr.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "shell_functions.h"
#include "wide_result.h"

namespace vl {
namespace {

ProgramWindowList g_pickerDisabledWindows = nullptr;

// Gives the item the picker returned back to the shell's allocator.
void FreeShellItem(LPITEMIDLIST item) noexcept {
  ComPtr<IMalloc> allocator;
  if (SUCCEEDED(shell::GetMalloc(allocator.Put())) && allocator) allocator->Free(item);
}

// A page window owned by another window is still top-level: GetParent names the owner of a
// popup window, so only a child window counts as having a parent.
bool HasParent(HWND window) noexcept {
  return (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0 && GetParent(window) != nullptr;
}

}  // namespace

void WindowStateList::SaveAndDisable(const std::vector<HWND>& programWindows) noexcept {
  const HWND active = GetActiveWindow();
  m_active = IsWindow(active) ? active : nullptr;
  m_foreground = GetForegroundWindow();
  for (HWND window : programWindows) {
    if (window != nullptr && !HasParent(window)) m_windows.Disable(window);
  }
}

void WindowStateList::Restore() noexcept {
  m_windows.Restore();
  if (IsWindow(m_foreground)) SetForegroundWindow(m_foreground);
  if (IsWindow(m_active)) SetActiveWindow(m_active);
}

void SetPickerDisabledWindows(ProgramWindowList windows) noexcept { g_pickerDisabledWindows = windows; }

void BrowseForFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const WideText title(NonNullText(AsText(ArgAt(count, args, 0)).value_or(nullptr)));
  if (!title.Valid()) {
    SetTextResult(result, CopyText(nullptr));
    return;
  }
  wchar_t displayName[MAX_PATH] = L"";
  const bool includeFiles = AsBool(ArgAt(count, args, 1)).value_or(false);

  WindowStateList states;
  states.SaveAndDisable(g_pickerDisabledWindows != nullptr ? g_pickerDisabledWindows() : std::vector<HWND>{});

  BROWSEINFOW info = {};
  info.hwndOwner = states.Owner();
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.Get();
  info.ulFlags = BIF_EDITBOX | (includeFiles ? BIF_BROWSEINCLUDEFILES : 0);
  LPITEMIDLIST chosen = shell::BrowseForFolder(&info);

  states.Restore();

  wchar_t path[MAX_PATH] = L"";
  if (chosen != nullptr) {
    if (!shell::GetPathFromIdList(chosen, path)) path[0] = L'\0';
    FreeShellItem(chosen);
  }
  SetWideTextResult(result, path);
}

}  // namespace vl
