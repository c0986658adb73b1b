#include "properties.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "control.h"
#include "display_scale.h"
#include "page_window.h"
#include "base/character_walk.h"
#include "pages/property_block.h"
#include "runtime/byte_set.h"
#include "runtime/fatal_error.h"
#include "runtime/memory.h"
#include "runtime/runtime_object.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "runtime_texts.h"

namespace vl {
namespace {

struct Target {
  pages::PageDescription* page = nullptr;
  pages::Unit* unit = nullptr;
  PageWindow* loaded = nullptr;
  Control* control = nullptr;  // while the page is loaded
  HWND window = nullptr;
  bool isPage = false;
};

Target Find(std::uint32_t pageId, std::uint32_t unitId) noexcept {
  Target target;
  target.page = TheRuntime().Pages().Find(pageId);
  if (target.page == nullptr) FatalRuntimeError(kPropertyPageUnknown);
  target.unit = target.page->FindUnit(unitId);
  if (target.unit == nullptr || target.unit->IsMenuEntry()) FatalRuntimeError(kPageNotLoaded);
  target.isPage = target.unit == &target.page->WindowUnit();
  target.loaded = PageWindow::Loaded(pageId);
  if (target.loaded != nullptr) {
    target.control = target.isPage ? &target.loaded->WindowUnit() : target.loaded->FindControl(unitId);
    if (target.control != nullptr) target.window = target.control->Window();
  }
  return target;
}

// The window's rectangle in its parent's client area (the screen for a page).
RECT PlaceOf(HWND window) noexcept {
  RECT area{};
  GetWindowRect(window, &area);
  HWND parent = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0 ? GetParent(window) : nullptr;
  if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
  return area;
}

void Place(const Target& target, int left, int top, int width, int height, UINT flags) noexcept {
  const RECT before = PlaceOf(target.window);
  SetWindowPos(target.window, nullptr, left, top, width, height, flags | SWP_NOZORDER | SWP_NOACTIVATE);
  if ((GetWindowLongW(target.window, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0) {
    // A transparent control leaves its old place to be painted by what lies beneath.
    RECT after = PlaceOf(target.window), both;
    UnionRect(&both, &before, &after);
    RedrawWindow(GetParent(target.window), &both, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

std::span<const std::uint8_t> TextBytes(std::uint32_t lo) noexcept {
  const char* text = NonNullText(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(lo)));
  return {reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)};
}

void WriteCommon(const Target& target, int number, std::uint32_t lo) noexcept {
  pages::UnitView view = target.unit->View();
  const auto value = static_cast<std::int32_t>(lo);
  switch (number) {
    case kPropLeft:
    case kPropTop:
    case kPropWidth:
    case kPropHeight: {
      const std::int32_t clamped = number <= kPropTop ? std::clamp(value, -kMaxCoordinate, kMaxCoordinate)
                                                      : std::clamp(value, 0, kMaxCoordinate);
      switch (number) {
        case kPropLeft: view.SetLeft(clamped); break;
        case kPropTop: view.SetTop(clamped); break;
        case kPropWidth: view.SetWidth(clamped); break;
        default: view.SetHeight(clamped); break;
      }
      if (target.window == nullptr) break;
      if (!target.isPage) {
        // A control's window follows its stored place, scaled edge by edge (so a move may change
        // its size in pixels by one).
        const RECT place = target.control->WindowPlace();
        Place(target, place.left, place.top, place.right - place.left, place.bottom - place.top, 0);
        break;
      }
      // A page keeps the rest of where it is (it was centred, or the user moved it).
      const int dpi = target.loaded->Dpi();
      const RECT place = PlaceOf(target.window);
      const int scaled = ScaleToDpi(clamped, dpi);
      Place(target, number == kPropLeft ? scaled : place.left, number == kPropTop ? scaled : place.top,
            number == kPropWidth ? scaled : place.right - place.left,
            number == kPropHeight ? scaled : place.bottom - place.top,
            number <= kPropTop ? SWP_NOSIZE : SWP_NOMOVE);
      break;
    }
    case kPropTag:
      target.unit->ReplaceTag(TextBytes(lo));
      break;
    case kPropVisible: {
      const std::uint32_t flags = target.unit->View().StateFlags();
      target.unit->View().SetStateFlags(lo != 0 ? flags | pages::kStateVisible : flags & ~pages::kStateVisible);
      if (target.window == nullptr) break;
      if (target.isPage && lo != 0 && target.loaded->FirstShowPending()) {
        target.loaded->SetFirstShowPending(false);
        target.loaded->ShowFirstTime();
      } else {
        const int show = lo != 0 ? (target.isPage ? SW_SHOW : SW_SHOWNA) : SW_HIDE;
        ShowWindow(target.window, show);
        if (HWND companion = target.control->Companion()) ShowWindow(companion, show);
      }
      break;
    }
    case kPropDisabled: {
      const std::uint32_t flags = target.unit->View().StateFlags();
      target.unit->View().SetStateFlags(lo != 0 ? flags | pages::kStateDisabled : flags & ~pages::kStateDisabled);
      if (target.window == nullptr) break;
      EnableWindow(target.window, lo == 0);
      if (HWND companion = target.control->Companion()) EnableWindow(companion, lo == 0);
      break;
    }
    case kPropCursor:
      target.unit->ReplaceMousePointer(ByteSetData(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(lo))));
      if (target.control != nullptr && target.window != nullptr) target.control->BuildCursor();
      break;
    default:
      break;
  }
}

std::uint64_t ReadCommon(const Target& target, int number) noexcept {
  const pages::UnitView view = target.unit->View();
  const bool live = target.window != nullptr;
  // A control's place is what was stored or written (its window is derived from it). A page's
  // is where its window is, in 96-DPI units: it was centred, or the user moved it.
  const bool fromWindow = live && target.isPage;
  const RECT place = fromWindow ? PlaceOf(target.window) : RECT{};
  const int dpi = fromWindow ? target.loaded->Dpi() : kStoredDpi;
  auto word = [](std::int32_t v) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(v)); };
  auto stored = [dpi](int pixels) { return ScaleInt(pixels, kStoredDpi, dpi); };
  switch (number) {
    case kPropLeft: return word(fromWindow ? stored(place.left) : view.Left());
    case kPropTop: return word(fromWindow ? stored(place.top) : view.Top());
    case kPropWidth: return word(fromWindow ? stored(place.right - place.left) : view.Width());
    case kPropHeight: return word(fromWindow ? stored(place.bottom - place.top) : view.Height());
    case kPropTag: {
      const auto tag = view.Tag();
      return reinterpret_cast<std::uintptr_t>(CopyTextBytes(reinterpret_cast<const char*>(tag.data()), tag.size()).Release());
    }
    case kPropVisible:
      return live ? (GetWindowLongW(target.window, GWL_STYLE) & WS_VISIBLE) != 0 : view.Visible();
    case kPropDisabled: return live ? IsWindowEnabled(target.window) == FALSE : view.Disabled();
    case kPropCursor: return reinterpret_cast<std::uintptr_t>(MakeByteSet(view.MousePointerBlock()));
    default: return 0;
  }
}

// The font a property describes; the default font's description when the property holds none.
pages::FontDescription FontOf(std::span<const std::uint8_t> stored, HFONT current) noexcept {
  if (stored.size() == pages::font_record::kLength) return pages::DecodeFont(stored);
  LOGFONTW logFont{};
  GetObjectW(current, sizeof logFont, &logFont);
  pages::FontDescription font;
  font.isDefault = false;
  font.height = logFont.lfHeight;
  font.width = logFont.lfWidth;
  font.escapement = logFont.lfEscapement;
  font.orientation = logFont.lfOrientation;
  font.weight = logFont.lfWeight;
  font.italic = logFont.lfItalic;
  font.underline = logFont.lfUnderline;
  font.strikeOut = logFont.lfStrikeOut;
  font.charSet = logFont.lfCharSet;
  font.outPrecision = logFont.lfOutPrecision;
  font.clipPrecision = logFont.lfClipPrecision;
  font.quality = logFont.lfQuality;
  font.pitchAndFamily = logFont.lfPitchAndFamily;
  std::size_t length = 0;
  logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
  char* face = TextFromWide(logFont.lfFaceName, &length);
  if (face != nullptr) {
    std::memcpy(font.faceName.data(), face, FitLength({face, length}, font.faceName.size() - 1));
    FreeMemory(face);
  }
  return font;
}

// One field of a font, by element index.
void WriteFontElement(pages::FontDescription& font, int element, std::uint32_t lo) noexcept {
  switch (element) {
    case 0: font.escapement = font.orientation = static_cast<std::int32_t>(lo); break;
    case 1: font.weight = lo != 0 ? FW_BOLD : FW_NORMAL; break;
    case 2: font.italic = lo != 0 ? 1 : 0; break;
    case 3: font.underline = lo != 0 ? 1 : 0; break;
    case 4: font.strikeOut = lo != 0 ? 1 : 0; break;
    case 5: font.height = -static_cast<std::int32_t>(lo); break;
    case 6: {
      const auto face = TextBytes(lo);
      font.faceName.fill('\0');
      std::memcpy(font.faceName.data(), face.data(), std::min<std::size_t>(face.size(), font.faceName.size() - 1));
      break;
    }
    default: break;
  }
}

std::uint64_t ReadFontElement(const pages::FontDescription& font, int element) noexcept {
  switch (element) {
    case 0: return static_cast<std::uint32_t>(font.escapement);
    case 1: return font.weight >= FW_BOLD;
    case 2: return font.italic != 0;
    case 3: return font.underline != 0;
    case 4: return font.strikeOut != 0;
    case 5: return static_cast<std::uint32_t>(font.height < 0 ? -font.height : font.height);
    case 6: return reinterpret_cast<std::uintptr_t>(CopyText(font.faceName.data()).Release());
    default: return 0;
  }
}

}  // namespace

void WriteProperty(std::uint32_t pageId, std::uint32_t unitId, int number, int element, std::uint32_t lo,
                   std::uint32_t hi) noexcept {
  const Target target = Find(pageId, unitId);
  if (number < 0) return;
  if (number < kFirstKindProperty) {
    PageWindow::Use use(target.loaded);
    WriteCommon(target, number, lo);
    return;
  }
  if (target.window == nullptr) FatalRuntimeError(kWindowNotLoaded);
  Control& control = *target.control;
  const std::uint16_t type = PropertyType(control.Kind(), number);
  if (type == 0) return;
  const int field = PropertyField(control.Kind(), number);
  PageWindow::Use use(target.loaded);
  KindRequest request;
  request.number = number;
  request.lo = lo;
  request.hi = hi;
  std::array<std::uint8_t, pages::font_record::kLength> converted{};
  if (type == ptype::kBool) {
    request.lo = lo != 0;
  } else if (type == ptype::kChoice) {
    request.lo = static_cast<std::int32_t>(lo) < 0 ? 0 : lo;
  } else if (type == ptype::kFont && element >= 0) {
    pages::FontDescription font = FontOf(control.Bytes(field), control.Font());
    WriteFontElement(font, element, lo);
    converted = pages::EncodeFont(font);
    request.bytes = converted;
  } else if (IsByteSetType(type)) {
    request.bytes = ByteSetData(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(lo)));
  } else if (IsTextType(type)) {
    request.bytes = TextBytes(lo);
  }
  if (field >= 0) {
    if (IsByteSetType(type) || IsTextType(type)) control.SetBytes(field, request.bytes);
    else control.SetNumber(field, request.lo);
    control.ApplyStoredChange(field, type);
  }
  control.Kind().interface(kRequestChanged, control, request);
  if (request.recreate && control.Window() != nullptr) target.loaded->RecreateControl(control);
}

std::uint64_t ReadProperty(std::uint32_t pageId, std::uint32_t unitId, int number, int element) noexcept {
  const Target target = Find(pageId, unitId);
  if (number < 0) return 0;
  if (number < kFirstKindProperty) return ReadCommon(target, number);
  if (target.window == nullptr) FatalRuntimeError(kWindowNotLoaded);
  Control& control = *target.control;
  const std::uint16_t type = PropertyType(control.Kind(), number);
  if (type == 0) return 0;
  KindRequest request;
  request.number = number;
  if (control.Kind().interface(kRequestRead, control, request)) {
    return (static_cast<std::uint64_t>(request.hi) << 32) | request.lo;
  }
  const int field = PropertyField(control.Kind(), number);
  if (field < 0) return 0;
  const auto bytes = control.Bytes(field);
  if (type == ptype::kFont && element >= 0) return ReadFontElement(FontOf(bytes, control.Font()), element);
  if (IsTextType(type)) {
    const std::string_view text = control.Text(field);
    return reinterpret_cast<std::uintptr_t>(CopyTextBytes(text.data(), text.size()).Release());
  }
  if (IsByteSetType(type)) return reinterpret_cast<std::uintptr_t>(MakeByteSet(bytes));
  return control.Number(field);
}

}  // namespace vl
