#pragma once
// GDI that undoes itself: a paint scope, a scoped selection and an off-screen canvas with
// direct access to its pixels.
#include <windows.h>

#include <cstdint>
#include <span>

#include "runtime/unique_handle.h"

namespace vl {

// BeginPaint on construction, EndPaint on destruction.
class PaintScope {
 public:
  explicit PaintScope(HWND window) noexcept : m_window(window) { m_dc = BeginPaint(window, &m_paint); }
  ~PaintScope() { EndPaint(m_window, &m_paint); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const noexcept { return m_dc; }

 private:
  HWND m_window;
  PAINTSTRUCT m_paint{};
  HDC m_dc = nullptr;
};

// Selects an object into a DC and puts the previous one back.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectScope() {
    if (Valid()) SelectObject(m_dc, m_old);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;
  // False when nothing was selected: no object, or the DC refused it.
  bool Valid() const noexcept { return m_old != nullptr && m_old != HGDI_ERROR; }

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// A memory DC over a top-down 32-bit DIB section the size of an area; paint into it, then copy
// it out in one blit (no flicker, and exact pixel values for the gradients).
class Canvas {
 public:
  Canvas(HDC reference, int width, int height) noexcept;
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Valid() const noexcept { return m_bits != nullptr; }
  HDC Dc() const noexcept { return m_dc.Get(); }
  int Width() const noexcept { return m_width; }
  int Height() const noexcept { return m_height; }
  // Pixels 0x00RRGGBB, rows top-down; empty when the canvas could not be made.
  std::span<std::uint32_t> Pixels() noexcept;
  // Copies the whole canvas to `target` at x, y.
  void CopyTo(HDC target, int x, int y) const noexcept;

 private:
  UniqueDc m_dc;
  UniqueBitmap m_bitmap;
  HGDIOBJ m_oldBitmap = nullptr;
  std::uint32_t* m_bits = nullptr;
  int m_width = 0;
  int m_height = 0;
};

}  // namespace vl
