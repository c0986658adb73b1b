#pragma once
// A stored picture made drawable: a JPEG file becomes a bitmap, an icon file an icon (the two
// picture formats the pages carry). Owned by the control that shows it.
#include <windows.h>

#include <cstdint>
#include <span>

#include "runtime/unique_handle.h"

namespace vl {

class Picture {
 public:
  Picture() = default;
  // An empty picture when the bytes are empty or cannot be decoded.
  static Picture FromFile(std::span<const std::uint8_t> bytes) noexcept;

  bool Empty() const noexcept { return !m_bitmap && !m_icon; }
  bool IsIcon() const noexcept { return m_icon.Valid(); }
  int Width() const noexcept { return m_width; }
  int Height() const noexcept { return m_height; }
  // Its own size drawn at `dpi`: the pixels of a picture are 96-DPI pixels.
  SIZE SizeAt(int dpi) const noexcept;
  HICON Icon() const noexcept { return m_icon.Get(); }
  HBITMAP Bitmap() const noexcept { return m_bitmap.Get(); }

  // Draws the picture into the rectangle x, y, width, height (stretched smoothly when the size
  // differs from its own). Nothing for an empty picture.
  void Draw(HDC dc, int x, int y, int width, int height) const noexcept;
  // Draws it centred in `area` at its own size at `dpi`, scaled down to fit.
  void DrawFitted(HDC dc, const RECT& area, int dpi) const noexcept;

 private:
  void DrawIcon(HDC dc, int x, int y, int width, int height) const noexcept;

  UniqueBitmap m_bitmap;
  UniqueIcon m_icon;
  int m_width = 0;
  int m_height = 0;
};

// An icon of the given size from an icon file's best entry; invalid when there is none.
UniqueIcon IconFromFile(std::span<const std::uint8_t> bytes, int size) noexcept;

// The largest size at most `width` x `height` with the picture's aspect ratio, never enlarged.
SIZE FitWithin(int pictureWidth, int pictureHeight, int width, int height) noexcept;

}  // namespace vl
