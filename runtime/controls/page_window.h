#pragma once
// The window object of a loaded page (framework class CWinFormUnit, system class WTWindow by
// default): its page and window unit, its controls, the flags of its life (close pending, first
// show, modal) and what it owns. Created by LoadPage; deletes itself when its window is gone
// (WM_NCDESTROY), or, when that happens while one of its window procedures is still running,
// as soon as the last of them returns.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "control.h"
#include "pages/page_segment.h"
#include "runtime/disabled_windows.h"
#include "runtime/unique_handle.h"

namespace vl {

class PageWindow {
 public:
  explicit PageWindow(pages::PageDescription& page) noexcept;
  ~PageWindow();
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;

  // The loaded page's window object (the runtime's list of loaded pages); null when the page is
  // not loaded.
  static PageWindow* Loaded(std::uint32_t pageId) noexcept;
  // The page window object of a window; null for any window that is not a page's.
  static PageWindow* FromWindow(HWND window) noexcept;

  pages::PageDescription& Description() const noexcept { return *m_page; }
  std::uint32_t PageId() const noexcept { return m_page->Id(); }
  std::uint32_t WindowUnitId() const noexcept { return m_page->Units().front().Id(); }
  HWND Window() const noexcept { return m_window; }
  bool Alive() const noexcept { return m_window != nullptr; }
  // The DPI the page is laid out at: its monitor's when it was created, then each new one the
  // system announces (WM_DPICHANGED).
  int Dpi() const noexcept { return m_dpi; }

  // Creates the page window (owned by `owner` when not null) and every control, from the last
  // stored to the first, then orders them front to back in stored order. False when any window
  // cannot be made; the caller then destroys what was built (DestroyWindow, or deletes the object
  // when not even the page window exists).
  bool Build(HWND owner) noexcept;

  // The window unit's values, as a control of the window kind whose window is the page's.
  Control& WindowUnit() noexcept { return *m_windowUnit; }
  std::span<const std::unique_ptr<Control>> Controls() const noexcept { return m_controls; }

  // The control of a unit id; null when the page has no such control.
  Control* FindControl(std::uint32_t unitId) noexcept;
  // Destroys a control's window and builds it again in place (same z-order) with events
  // suspended, with the controls that lay in it. False when a new window cannot be made.
  bool RecreateControl(Control& control) noexcept;

  // Shows the page as its start position says (header version non-zero) and fires event -7 on the
  // control holding the focus.
  void ShowFirstTime() noexcept;
  bool FirstShowPending() const noexcept { return m_firstShowPending; }
  void SetFirstShowPending(bool value) noexcept { m_firstShowPending = value; }

  bool ClosePending() const noexcept { return m_closePending; }
  void SetClosePending() noexcept { m_closePending = true; }
  // The close: clears the pending flag, gives back what a modal page disabled, destroys the window.
  void FinishClose() noexcept;
  // The pending close finished by a new load of the same page: the window going away does not
  // end the program, since the page is built again at once.
  void FinishCloseForRebuild() noexcept;

  bool Modal() const noexcept { return m_modal; }
  // Disables every other page window, remembering which were enabled.
  void BecomeModal() noexcept;
  void ReleaseModal() noexcept;

  // Keeps the object alive while a window procedure or a LoadPage step uses it.
  class Use {
   public:
    explicit Use(PageWindow* page) noexcept;
    ~Use();
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

   private:
    PageWindow* m_page;
  };

  // Deletes the object now, or when the last Use of it ends.
  void DeleteWhenUnused() noexcept;

  // Registers the page windows' class under `name` (the default WTWindow or a page's own class
  // name); false when it cannot be.
  static bool RegisterClassNamed(std::string_view name) noexcept;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The page bound to a window known to be a page window.
  static PageWindow* Bound(HWND window) noexcept;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  bool CreatePageWindow(HWND owner) noexcept;
  // Creates a control window (its container first).
  bool CreateControl(Control& control) noexcept;
  // Puts a control window directly below the control stored before it with the same container
  // (at the top when it is the first).
  void PlaceInZOrder(Control& control) noexcept;
  void OnTitleBarClose() noexcept;
  void OnDestroy() noexcept;
  void OnFinalMessage() noexcept;
  void SetIcons() noexcept;
  // Lays the page out again at `dpi` inside the outer rectangle the system suggests.
  void OnDpiChanged(int dpi, const RECT& suggested) noexcept;

  pages::PageDescription* m_page;
  pages::SavedUnits m_saved;
  std::vector<std::unique_ptr<Control>> m_controls;  // stored order
  std::unique_ptr<Control> m_windowUnit;              // the window unit's property values
  HWND m_window = nullptr;
  bool m_built = false;
  bool m_closePending = false;
  bool m_rebuilding = false;
  bool m_firstShowPending = false;
  bool m_modal = false;
  bool m_topmost = false;
  int m_startPosition = 1;
  int m_dpi = 96;
  DisabledWindows m_disabledByModal;
  UniqueIcon m_bigIcon;
  UniqueIcon m_smallIcon;
  UniqueBrush m_background;
  int m_uses = 0;
  bool m_deletePending = false;
};

}  // namespace vl
