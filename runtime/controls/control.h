#pragma once
// A control of a loaded page: its unit, its kind, the current values of its kind's properties
// (views of its own copy of the stored block, read when the page is loaded, and of the values
// written since), its window and the GDI objects it owns.
// One window lifecycle: the control is bound to its window at creation (WM_NCCREATE for the
// runtime's classes, right after creation for subclassed system controls) and unbound at
// WM_NCDESTROY (window_binding.h), and found from the window alone; the object itself lives as
// long as its page window object.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "control_kind.h"
#include "pages/page_format.h"
#include "pages/page_segment.h"
#include "pages/property_block.h"
#include "picture.h"
#include "runtime/unique_handle.h"

namespace vl {

class PageWindow;

class Control {
 public:
  Control(PageWindow& page, pages::Unit& unit, const KindDescriptor& kind) noexcept;
  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  PageWindow& Page() const noexcept { return *m_page; }
  pages::Unit& Unit() const noexcept { return *m_unit; }
  pages::UnitView View() const noexcept { return m_unit->View(); }
  std::uint32_t Id() const noexcept { return m_unit->Id(); }
  const KindDescriptor& Kind() const noexcept { return *m_kind; }
  HWND Window() const noexcept { return m_window; }
  // The DPI its page is laid out at.
  int Dpi() const noexcept;

  // Reads a copy of the stored block; false when it cannot be read (a version above the kind's
  // highest, a field cut short): the control is then not created.
  bool ReadStoredValues() noexcept;

  template <class Field>
  std::uint32_t Number(Field field) const noexcept { return m_values->At(field).number; }
  template <class Field>
  std::int32_t Int(Field field) const noexcept { return static_cast<std::int32_t>(Number(field)); }
  template <class Field>
  bool Bool(Field field) const noexcept { return Number(field) != 0; }
  template <class Field>
  std::span<const std::uint8_t> Bytes(Field field) const noexcept { return m_values->At(field).bytes; }
  template <class Field>
  std::string_view Text(Field field) const noexcept {
    const auto bytes = Bytes(field);
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  }
  // A field written: a number, or bytes the control keeps a copy of.
  void SetNumber(int field, std::uint32_t number) noexcept;
  void SetBytes(int field, std::span<const std::uint8_t> bytes);

  // What every kind does after a stored field of type `type` was written: a font is built and
  // set again, a picture loaded again, the window's own text set, and for a colour the background
  // brush (where the kind made one) made again and the control repainted. The kind then does what
  // is its own.
  void ApplyStoredChange(int field, std::uint16_t type) noexcept;

  // --- Creating the window (the kinds' create operations) ----------------------------------

  // The window the control lies in: its container's, or the page's.
  HWND ParentWindow() const noexcept;
  // The window rectangle of the unit's stored place at the page's DPI, in the parent's client area.
  RECT WindowPlace() const noexcept;
  // WS_CHILD and WS_CLIPSIBLINGS, with WS_VISIBLE, WS_DISABLED and WS_TABSTOP from the flags.
  DWORD ChildStyle() const noexcept;
  // The font and the picture its fields describe, made before its window (a button's style
  // depends on its picture).
  void BuildLook() noexcept;
  // Creates the control window, with the kind's window text, at the unit's place and size in the
  // parent and attaches to it; a system class is subclassed. False when the window cannot be made.
  bool CreateControlWindow(const char* className, DWORD style, DWORD exStyle, bool systemClass) noexcept;

  // The control's font (or the default GUI font), built from its font field at the page's DPI.
  HFONT Font() const noexcept;
  // After the page's DPI changed: the window placed and its font made again at the new DPI.
  void ApplyDpi() noexcept;
  // A solid brush the control owns (its background), replaced on each call.
  HBRUSH MakeBrush(COLORREF colour) noexcept;
  HBRUSH Brush() const noexcept { return m_brush.Get(); }
  Picture& CurrentPicture() noexcept { return m_picture; }
  // A sibling window that belongs to the control (the edit box's up-down control).
  HWND Companion() const noexcept { return m_companion; }
  void SetCompanion(HWND window) noexcept;

  // The mouse pointer from the unit's pointer block, rebuilt and shown again.
  void BuildCursor() noexcept;

  // Repaints the control; a transparent one has what lies behind it repainted as well.
  void Repaint() noexcept;
  // After a control painted itself: the transparent controls above it that it painted over draw
  // their text again (the system may paint them first).
  void RepaintTransparentAbove(HRGN updated) const noexcept;

  // The window unit's control shares the page window (the page creates and owns that window).
  void BindPageWindow(HWND window) noexcept { m_window = window; }

  // Per-kind state that is not a stored field (the edit box's live selection, the timer's).
  std::int32_t m_timerPeriod = 0;
  bool m_timerRunning = false;

  // --- Window messages -----------------------------------------------------------------------

  // The control of a window of this program; null for any other window.
  static Control* FromWindow(HWND window) noexcept;
  // A notification a parent received (WM_COMMAND, WM_CTLCOLOR*, WM_DRAWITEM) passed to the
  // control that sent it; false when the sender is not a control.
  static bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
  // Registers the runtime's control window classes once; false when they cannot be.
  static bool RegisterClasses() noexcept;

 private:
  static LRESULT CALLBACK RuntimeClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The control bound to a window known to be one of the runtime's.
  static Control* Bound(HWND window) noexcept;
  void Attach(HWND window) noexcept;
  void Detach() noexcept;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT CallBase(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  void BuildFont() noexcept;
  void LoadPicture(int field) noexcept;
  // The font built again and set on the window.
  void RefreshFont(BOOL redraw) noexcept;

  PageWindow* m_page;
  pages::Unit* m_unit;
  const KindDescriptor* m_kind;
  HWND m_window = nullptr;
  WNDPROC m_baseProc = nullptr;  // the system class's procedure, for a subclassed control
  std::vector<std::uint8_t> m_block;              // the stored block's copy the values view
  std::optional<pages::PropertyValues> m_values;  // read in ReadStoredValues, before any other use
  std::array<std::vector<std::uint8_t>, pages::kMaxFields> m_written;  // the bytes each field was written
  UniqueFont m_font;
  UniqueBrush m_brush;
  Picture m_picture;
  UniqueCursor m_ownedCursor;
  HCURSOR m_cursor = nullptr;  // null: the class's pointer
  HWND m_companion = nullptr;
};

// The runtime's window class of painted controls (labels, picture boxes) and of the timer.
const char* PaintedControlClass() noexcept;
const char* TimerClass() noexcept;

// 0xFF000000 (the element's default colour) becomes the button-face colour.
COLORREF ResolveColour(std::uint32_t colour) noexcept;

}  // namespace vl
