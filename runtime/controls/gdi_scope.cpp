#include "gdi_scope.h"

namespace vl {

Canvas::Canvas(HDC reference, int width, int height) noexcept : m_width(width), m_height(height) {
  if (width <= 0 || height <= 0) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  m_bitmap.Reset(CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  m_dc.Reset(CreateCompatibleDC(reference));
  if (!m_bitmap || !m_dc || bits == nullptr) return;
  m_oldBitmap = SelectObject(m_dc.Get(), m_bitmap.Get());
  m_bits = static_cast<std::uint32_t*>(bits);
}

Canvas::~Canvas() {
  if (m_oldBitmap != nullptr) SelectObject(m_dc.Get(), m_oldBitmap);
}

std::span<std::uint32_t> Canvas::Pixels() noexcept {
  if (m_bits == nullptr) return {};
  GdiFlush();  // GDI may still be drawing into the section
  return {m_bits, static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height)};
}

void Canvas::CopyTo(HDC target, int x, int y) const noexcept {
  if (m_bits != nullptr) BitBlt(target, x, y, m_width, m_height, m_dc.Get(), 0, 0, SRCCOPY);
}

}  // namespace vl
