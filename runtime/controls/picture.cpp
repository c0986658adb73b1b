#include "picture.h"

#include <cstring>

#include "base/long_division.h"
#include "display_scale.h"
#include "gdi_scope.h"
#include "icon_file.h"
#include "jpeg_decode.h"
#include "pages/jpeg_header.h"

namespace vl {
namespace {

UniqueBitmap BitmapFromPixels(const DecodedImage& image) noexcept {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return {};
  std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(std::uint32_t));
  return bitmap;
}

// Stretches with the system's averaging mode rather than dropping rows and columns.
void SmoothStretch(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight) noexcept {
  const int oldMode = SetStretchBltMode(target, HALFTONE);
  POINT oldOrigin{};
  SetBrushOrgEx(target, 0, 0, &oldOrigin);
  StretchBlt(target, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, SRCCOPY);
  SetBrushOrgEx(target, oldOrigin.x, oldOrigin.y, nullptr);
  SetStretchBltMode(target, oldMode);
}

}  // namespace

Picture Picture::FromFile(std::span<const std::uint8_t> bytes) noexcept {
  Picture picture;
  if (pages::LooksLikeJpeg(bytes)) {
    auto image = DecodeJpeg(bytes);
    if (!image) return picture;
    picture.m_bitmap = BitmapFromPixels(image.Value());
    if (picture.m_bitmap) {
      picture.m_width = image->width;
      picture.m_height = image->height;
    }
  } else if (LooksLikeIconFile(bytes)) {
    auto image = ChooseIconImage(bytes, 32);
    if (!image) return picture;
    picture.m_icon = IconFromFile(bytes, image->width);
    if (picture.m_icon) {
      picture.m_width = image->width;
      picture.m_height = image->height;
    }
  }
  return picture;
}

SIZE Picture::SizeAt(int dpi) const noexcept { return {ScaleToDpi(m_width, dpi), ScaleToDpi(m_height, dpi)}; }

void Picture::Draw(HDC dc, int x, int y, int width, int height) const noexcept {
  if (width <= 0 || height <= 0) return;
  if (m_icon) {
    DrawIcon(dc, x, y, width, height);
    return;
  }
  if (!m_bitmap) return;
  UniqueDc source(CreateCompatibleDC(dc));
  if (!source) return;
  SelectScope select(source.Get(), m_bitmap.Get());
  if (width == m_width && height == m_height) {
    BitBlt(dc, x, y, width, height, source.Get(), 0, 0, SRCCOPY);
    return;
  }
  SmoothStretch(dc, x, y, width, height, source.Get(), 0, 0, m_width, m_height);
}

void Picture::DrawFitted(HDC dc, const RECT& area, int dpi) const noexcept {
  const SIZE own = SizeAt(dpi);
  const int width = area.right - area.left, height = area.bottom - area.top;
  const SIZE size = FitWithin(own.cx, own.cy, width, height);
  Draw(dc, area.left + (width - size.cx) / 2, area.top + (height - size.cy) / 2, size.cx, size.cy);
}

void Picture::DrawIcon(HDC dc, int x, int y, int width, int height) const noexcept {
  if (width == m_width && height == m_height) {
    DrawIconEx(dc, x, y, m_icon.Get(), width, height, 0, nullptr, DI_NORMAL);
    return;
  }
  // Stretched smoothly: drawn at its own size over what lies beneath it (brought to that size),
  // and the whole stretched back.
  Canvas own(dc, m_width, m_height);
  if (!own.Valid()) return;
  SmoothStretch(own.Dc(), 0, 0, m_width, m_height, dc, x, y, width, height);
  DrawIconEx(own.Dc(), 0, 0, m_icon.Get(), m_width, m_height, 0, nullptr, DI_NORMAL);
  SmoothStretch(dc, x, y, width, height, own.Dc(), 0, 0, m_width, m_height);
}

UniqueIcon IconFromFile(std::span<const std::uint8_t> bytes, int size) noexcept {
  auto image = ChooseIconImage(bytes, size);
  if (!image) return {};
  // The call only reads the bytes; its parameter is not const.
  auto* data = const_cast<BYTE*>(image->data.data());
  return UniqueIcon(CreateIconFromResourceEx(data, static_cast<DWORD>(image->data.size()), TRUE, 0x00030000,
                                             size, size, LR_DEFAULTCOLOR));
}

SIZE FitWithin(int pictureWidth, int pictureHeight, int width, int height) noexcept {
  if (pictureWidth <= 0 || pictureHeight <= 0 || width <= 0 || height <= 0) return {0, 0};
  if (pictureWidth <= width && pictureHeight <= height) return {pictureWidth, pictureHeight};
  // Compare the two scale factors without rounding: width / pictureWidth vs height / pictureHeight.
  if (static_cast<long long>(width) * pictureHeight <= static_cast<long long>(height) * pictureWidth) {
    return {width, static_cast<LONG>(DivideLong(std::uint64_t{static_cast<std::uint32_t>(pictureHeight)} * width,
                                                 static_cast<std::uint32_t>(pictureWidth)))};
  }
  return {static_cast<LONG>(DivideLong(std::uint64_t{static_cast<std::uint32_t>(pictureWidth)} * height,
                                       static_cast<std::uint32_t>(pictureHeight))),
          height};
}

}  // namespace vl
