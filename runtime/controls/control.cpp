#include "control.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "display_scale.h"
#include "event_dispatch.h"
#include "page_window.h"
#include "base/byte_reader.h"
#include "pages/property_block.h"
#include "runtime/runtime_object.h"
#include "runtime/text_boundary.h"
#include "runtime/window_class.h"
#include "runtime/window_text.h"
#include "runtime_texts.h"
#include "window_binding.h"

namespace vl {
namespace {

// A cursor file (type 2 directory): the first image with its hot spot, as the resource data that
// CreateIconFromResourceEx takes (hot spot words, then the bitmap). Invalid when malformed.
UniqueCursor CursorFromFile(std::span<const std::uint8_t> file) noexcept {
  ByteReader reader(file);
  auto reserved = reader.ReadU16();
  auto type = reader.ReadU16();
  auto count = reader.ReadU16();
  if (!reserved || !type || !count || *reserved != 0 || *type != 2 || *count == 0) return {};
  auto width = reader.ReadU8();
  auto height = reader.ReadU8();
  auto skipped = reader.Skip(2);
  auto hotX = reader.ReadU16();
  auto hotY = reader.ReadU16();
  auto size = reader.ReadU32();
  auto offset = reader.ReadU32();
  if (!width || !height || !skipped || !hotX || !hotY || !size || !offset) return {};
  if (*offset > file.size() || *size > file.size() - *offset || *size == 0) return {};
  std::vector<BYTE> resource(4 + *size);
  resource[0] = static_cast<BYTE>(*hotX & 0xFF);
  resource[1] = static_cast<BYTE>(*hotX >> 8);
  resource[2] = static_cast<BYTE>(*hotY & 0xFF);
  resource[3] = static_cast<BYTE>(*hotY >> 8);
  std::copy_n(file.begin() + *offset, *size, resource.begin() + 4);
  return UniqueCursor(CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), FALSE,
                                               0x00030000, *width == 0 ? 256 : *width, *height == 0 ? 256 : *height,
                                               LR_DEFAULTCOLOR));
}

bool IsReflectedNotification(UINT message) noexcept {
  return message == WM_COMMAND || message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC ||
         message == WM_CTLCOLORBTN || message == WM_CTLCOLORLISTBOX || message == WM_DRAWITEM ||
         message == WM_NOTIFY;
}

HWND SenderOf(UINT message, LPARAM lParam) noexcept {
  switch (message) {
    case WM_DRAWITEM: return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_NOTIFY: return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    default: return reinterpret_cast<HWND>(lParam);
  }
}

}  // namespace

const char* PaintedControlClass() noexcept { return kPaintedControlClass; }
const char* TimerClass() noexcept { return kTimerClass; }

COLORREF ResolveColour(std::uint32_t colour) noexcept {
  return colour == pages::kDefaultColour ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(colour & 0x00FFFFFF);
}

Control::Control(PageWindow& page, pages::Unit& unit, const KindDescriptor& kind) noexcept
    : m_page(&page), m_unit(&unit), m_kind(&kind) {}

Control::~Control() {
  // The window normally went with its page; one that is somehow left must not keep a dangling
  // control behind it.
  if (m_window != nullptr && FromWindow(m_window) == this) {
    BindWindow(m_window, View(), nullptr);
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_baseProc ? m_baseProc : DefWindowProcW));
  }
}

bool Control::ReadStoredValues() noexcept {
  const auto stored = View().PropertyBlock();
  m_block.assign(stored.begin(), stored.end());
  auto values = pages::ReadPropertyBlock(View().Kind(), m_block);
  if (!values) return false;
  m_values = *values;
  return true;
}

void Control::SetNumber(int field, std::uint32_t number) noexcept {
  pages::FieldValue value = m_values->At(field);
  value.number = number;
  m_values->Set(field, value);
}

void Control::SetBytes(int field, std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t>& held = m_written[static_cast<std::size_t>(field)];
  held.assign(bytes.begin(), bytes.end());
  m_values->Set(field, {m_values->At(field).number, held});
}

void Control::ApplyStoredChange(int field, std::uint16_t type) noexcept {
  if (m_window == nullptr) return;
  switch (type) {
    case ptype::kFont:
      RefreshFont(TRUE);
      break;
    case ptype::kPicture:
      LoadPicture(field);
      break;
    case ptype::kBackColour:
      if (m_brush) MakeBrush(ResolveColour(Number(field)));
      [[fallthrough]];
    case ptype::kColour:
      Repaint();
      break;
    case ptype::kText:
      if (field == m_kind->textField) SetWindowBytes(m_window, Text(field));
      break;
    default:
      break;
  }
}

HWND Control::ParentWindow() const noexcept {
  const std::uint32_t container = View().ContainerId();
  if (container != 0) {
    if (Control* holder = m_page->FindControl(container); holder != nullptr && holder != this) return holder->Window();
  }
  return m_page->Window();
}

int Control::Dpi() const noexcept { return m_page->Dpi(); }

RECT Control::WindowPlace() const noexcept {
  const pages::UnitView view = View();
  return ScaledPlace(view.Left(), view.Top(), view.Width(), view.Height(), Dpi());
}

DWORD Control::ChildStyle() const noexcept {
  const pages::UnitView view = View();
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (view.Visible()) style |= WS_VISIBLE;
  if (view.Disabled()) style |= WS_DISABLED;
  if (view.FocusStop()) style |= WS_TABSTOP;
  return style;
}

void Control::BuildLook() noexcept {
  BuildFont();
  if (const int field = FieldOfType(*m_kind, ptype::kPicture); field >= 0) LoadPicture(field);
}

void Control::LoadPicture(int field) noexcept { m_picture = Picture::FromFile(Bytes(field)); }

bool Control::CreateControlWindow(const char* className, DWORD style, DWORD exStyle, bool systemClass) noexcept {
  HWND parent = ParentWindow();
  if (parent == nullptr) return false;
  const auto id = reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(pages::IdSerial(Id()) & 0xFFFF));
  const RECT place = WindowPlace();
  const std::string_view text = m_kind->textField >= 0 ? Text(m_kind->textField) : std::string_view{};
  HWND window = CreateTextWindow(exStyle, className, text, style, place.left, place.top, place.right - place.left,
                                 place.bottom - place.top, parent, id, systemClass ? nullptr : this);
  if (window == nullptr) return false;
  if (systemClass) {
    Attach(window);
    m_baseProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Control::SubclassProc)));
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  BuildCursor();
  return true;
}

HFONT Control::Font() const noexcept {
  return m_font ? m_font.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void Control::BuildFont() noexcept {
  const int fontField = FieldOfType(*m_kind, ptype::kFont);
  const int dpi = Dpi();
  const pages::FontDescription stored =
      pages::DecodeFont(fontField >= 0 ? Bytes(fontField) : std::span<const std::uint8_t>{});
  LOGFONTW record{};
  if (stored.isDefault) {
    // The stock font is made for the system DPI: kept there, described anew at any other.
    const int systemDpi = SystemDpi();
    m_font.Reset();
    if (dpi == systemDpi) return;
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof record, &record);
    record.lfHeight = ScaleInt(record.lfHeight, dpi, systemDpi);
    record.lfWidth = ScaleInt(record.lfWidth, dpi, systemDpi);
  } else {
    const pages::FontDescription font = stored.ForCreation();
    record.lfHeight = ScaleToDpi(font.height, dpi);
    record.lfWidth = ScaleToDpi(font.width, dpi);
    record.lfEscapement = font.escapement;
    record.lfOrientation = font.orientation;
    record.lfWeight = font.weight;
    record.lfItalic = font.italic;
    record.lfUnderline = font.underline;
    record.lfStrikeOut = font.strikeOut;
    record.lfCharSet = font.charSet;
    record.lfOutPrecision = font.outPrecision;
    record.lfClipPrecision = font.clipPrecision;
    record.lfQuality = font.quality;
    record.lfPitchAndFamily = font.pitchAndFamily;
    std::string_view face(font.faceName.data(), font.faceName.size());
    face = face.substr(0, face.find('\0'));
    WideIntoBuffer(face, record.lfFaceName);
  }
  m_font.Reset(CreateFontIndirectW(&record));
}

void Control::RefreshFont(BOOL redraw) noexcept {
  BuildFont();
  SendMessageW(m_window, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), redraw);
}

void Control::ApplyDpi() noexcept {
  if (m_window == nullptr) return;
  const RECT place = WindowPlace();
  SetWindowPos(m_window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RefreshFont(FALSE);
  // An up-down control follows its buddy's new place.
  if (m_companion != nullptr) SendMessageW(m_companion, UDM_SETBUDDY, reinterpret_cast<WPARAM>(m_window), 0);
}

HBRUSH Control::MakeBrush(COLORREF colour) noexcept {
  m_brush.Reset(CreateSolidBrush(colour));
  return m_brush.Get();
}

void Control::SetCompanion(HWND window) noexcept {
  if (m_companion != nullptr && m_companion != window && IsWindow(m_companion)) DestroyWindow(m_companion);
  m_companion = window;
}

void Control::BuildCursor() noexcept {
  const pages::MousePointer pointer = pages::DecodeMousePointer(View().MousePointerBlock());
  m_ownedCursor.Reset();
  m_cursor = nullptr;
  if (!pointer.wholeBlock.empty()) m_ownedCursor = CursorFromFile(pointer.wholeBlock);
  if (!m_ownedCursor) {
    switch (pointer.source) {
      case pages::PointerSource::System:
        m_cursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(pointer.systemId));
        break;
      case pages::PointerSource::ProgramHand:
        // The program carries no cursor resources of its own; the system's hand is the same shape.
        m_cursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
        break;
      case pages::PointerSource::CursorFile:
        m_ownedCursor = CursorFromFile(pointer.file);
        break;
      case pages::PointerSource::Default:
        break;
    }
  }
  if (m_ownedCursor) m_cursor = m_ownedCursor.Get();
  View().SetPointerSlot(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_cursor)));
}

void Control::Repaint() noexcept {
  if (m_window == nullptr) return;
  if ((GetWindowLongW(m_window, GWL_EXSTYLE) & WS_EX_TRANSPARENT) != 0) {
    // Nothing of its own behind the text: what lies beneath must be painted again first.
    HWND parent = GetParent(m_window);
    RECT area;
    GetWindowRect(m_window, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return;
  }
  RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void Control::RepaintTransparentAbove(HRGN updated) const noexcept {
  for (HWND above = GetWindow(m_window, GW_HWNDPREV); above != nullptr; above = GetWindow(above, GW_HWNDPREV)) {
    if ((GetWindowLongW(above, GWL_EXSTYLE) & WS_EX_TRANSPARENT) == 0 || !IsWindowVisible(above)) continue;
    RECT area;
    GetWindowRect(above, &area);
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&area), 2);
    if (updated != nullptr && !RectInRegion(updated, &area)) continue;
    InvalidateRect(above, nullptr, FALSE);
  }
}

Control* Control::FromWindow(HWND window) noexcept {
  if (!RunsProcedure(window, &Control::RuntimeClassProc) && !RunsProcedure(window, &Control::SubclassProc)) {
    return nullptr;
  }
  return Bound(window);
}

Control* Control::Bound(HWND window) noexcept {
  auto* control = BoundObject<Control>(window);
  return control != nullptr && control->m_window == window ? control : nullptr;
}

bool Control::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept {
  if (!IsReflectedNotification(message) || lParam == 0) return false;
  Control* sender = FromWindow(SenderOf(message, lParam));
  if (sender == nullptr || sender->m_kind->message == nullptr) return false;
  PageWindow::Use use(sender->m_page);
  return sender->m_kind->message(*sender, kReflected + message, wParam, lParam, result);
}

bool Control::RegisterClasses() noexcept {
  return RegisterRuntimeWindowClass(kPaintedControlClass, &Control::RuntimeClassProc,
                                    CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS) &&
         RegisterRuntimeWindowClass(kTimerClass, &Control::RuntimeClassProc, CS_DBLCLKS);
}

void Control::Attach(HWND window) noexcept {
  m_window = window;
  BindWindow(window, View(), this);
}

void Control::Detach() noexcept {
  BindWindow(m_window, View(), nullptr);
  if (m_baseProc != nullptr) SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_baseProc));
  m_window = nullptr;
  m_companion = nullptr;  // a sibling of the control: it goes with the page, or with its re-creation
  m_timerRunning = false;
}

LRESULT Control::CallBase(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (m_baseProc != nullptr) return CallWindowProcW(m_baseProc, m_window, message, wParam, lParam);
  return DefWindowProcW(m_window, message, wParam, lParam);
}

LRESULT Control::Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  PageWindow::Use use(m_page);
  HWND window = m_window;
  LRESULT result = 0;
  if (message == WM_NCDESTROY) {
    const WNDPROC base = m_baseProc;
    Detach();
    m_baseProc = nullptr;
    return base != nullptr ? CallWindowProcW(base, window, message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_SETCURSOR && m_cursor != nullptr && LOWORD(lParam) == HTCLIENT &&
      reinterpret_cast<HWND>(wParam) == window) {
    SetCursor(m_cursor);
    return TRUE;
  }
  if (Reflect(message, wParam, lParam, result)) return result;
  if (m_kind->message != nullptr && m_kind->message(*this, message, wParam, lParam, result)) return result;
  // The handler may have destroyed the window (its page closed at once).
  if (!IsWindow(window)) return 0;
  return CallBase(message, wParam, lParam);
}

LRESULT CALLBACK Control::RuntimeClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* control = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (control != nullptr) control->Attach(window);
  }
  Control* control = Bound(window);
  if (control == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return control->Handle(message, wParam, lParam);
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Control* control = Bound(window);
  if (control == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return control->Handle(message, wParam, lParam);
}

}  // namespace vl
