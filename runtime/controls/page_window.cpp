#include "page_window.h"

#include <algorithm>

#include "display_scale.h"
#include "event_dispatch.h"
#include "runtime/private_messages.h"
#include "runtime/runtime_object.h"
#include "runtime/text_boundary.h"
#include "runtime/window_class.h"
#include "runtime/window_text.h"
#include "runtime_texts.h"
#include "window_binding.h"

namespace vl {
namespace {

using pages::WindowField;

// Border styles of a page window.
bool Resizable(int border) noexcept { return border == 1 || border == 3 || border == 5; }

// Where a page of `extent` pixels starts to be centred along the primary screen's side
// (SM_CXSCREEN or SM_CYSCREEN), as the screen is now.
int CentredStart(int extent, int screenSide) noexcept { return (GetSystemMetrics(screenSide) - extent) / 2; }

}  // namespace

PageWindow::PageWindow(pages::PageDescription& page) noexcept : m_page(&page), m_saved(page.SaveUnits()) {}

PageWindow::~PageWindow() {
  // Each load starts from the stored values: the saved copy goes back once the page is gone.
  m_controls.clear();
  m_page->RestoreUnits(m_saved);
}

PageWindow* PageWindow::Loaded(std::uint32_t pageId) noexcept { return TheRuntime().LoadedPage(pageId); }

PageWindow* PageWindow::FromWindow(HWND window) noexcept {
  return RunsProcedure(window, &PageWindow::WindowProc) ? Bound(window) : nullptr;
}

PageWindow* PageWindow::Bound(HWND window) noexcept {
  auto* page = BoundObject<PageWindow>(window);
  return page != nullptr && page->m_window == window ? page : nullptr;
}

Control* PageWindow::FindControl(std::uint32_t unitId) noexcept {
  for (auto& control : m_controls) {
    if (control->Id() == unitId) return control.get();
  }
  return nullptr;
}

bool PageWindow::RegisterClassNamed(std::string_view name) noexcept {
  return RegisterRuntimeWindowClass(name, &PageWindow::WindowProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
}

bool PageWindow::Build(HWND owner) noexcept {
  pages::Unit& windowUnit = m_page->WindowUnit();
  m_windowUnit = std::make_unique<Control>(*this, windowUnit, kWindowKind);
  if (!m_windowUnit->ReadStoredValues()) return false;
  for (pages::Unit& unit : m_page->Units().subspan(1)) {
    if (unit.IsMenuEntry()) continue;  // menu entries build no window
    const KindDescriptor* kind = FindKindDescriptor(unit.View().Kind());
    if (kind == nullptr) return false;
    auto control = std::make_unique<Control>(*this, unit, *kind);
    if (!control->ReadStoredValues()) return false;
    m_controls.push_back(std::move(control));
  }
  if (!Control::RegisterClasses() || !CreatePageWindow(owner)) return false;
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
    if ((*it)->Window() == nullptr && !CreateControl(**it)) return false;
  }
  for (auto& control : m_controls) PlaceInZOrder(*control);
  m_built = true;
  return true;
}

bool PageWindow::CreateControl(Control& control) noexcept {
  if (control.Window() != nullptr) return true;
  // A control lies in its container's window, which must exist first.
  const std::uint32_t container = control.View().ContainerId();
  if (container != 0) {
    Control* holder = FindControl(container);
    if (holder == nullptr || holder == &control) return false;
    if (holder->Window() == nullptr && !CreateControl(*holder)) return false;
  }
  control.BuildLook();
  KindRequest request;
  return control.Kind().interface(kRequestCreate, control, request) && control.Window() != nullptr;
}

bool PageWindow::RecreateControl(Control& control) noexcept {
  Runtime& runtime = TheRuntime();
  runtime.SuspendEvents();
  control.SetCompanion(nullptr);
  if (control.Window() != nullptr) DestroyWindow(control.Window());
  bool ok = CreateControl(control);
  if (ok) {
    PlaceInZOrder(control);
    // The controls that lay in it went with the old window.
    for (auto& other : m_controls) {
      if (other->View().ContainerId() == control.Id() && other->Window() == nullptr) {
        ok = CreateControl(*other) && ok;
        PlaceInZOrder(*other);
      }
    }
  }
  runtime.ResumeEvents();
  return ok;
}

void PageWindow::PlaceInZOrder(Control& control) noexcept {
  if (control.Window() == nullptr) return;
  const std::uint32_t container = control.View().ContainerId();
  HWND after = HWND_TOP;
  for (auto& other : m_controls) {
    if (other.get() == &control) break;
    if (other->View().ContainerId() == container && other->Window() != nullptr) after = other->Window();
  }
  SetWindowPos(control.Window(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  if (HWND companion = control.Companion()) {
    SetWindowPos(companion, control.Window(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

bool PageWindow::CreatePageWindow(HWND owner) noexcept {
  Control& values = *m_windowUnit;
  const pages::UnitView view = m_page->WindowUnit().View();
  const int border = values.Int(WindowField::Border);
  const bool controlBox = values.Bool(WindowField::ControlBox);
  const std::string_view caption = values.Text(WindowField::Caption);
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = 0;
  if (border != 0) {
    if (!caption.empty() || controlBox) style |= WS_CAPTION;
    if (controlBox) style |= WS_SYSMENU;
    style |= WS_DLGFRAME;
  }
  switch (border) {
    case 1: style |= WS_THICKFRAME; break;
    case 3: style |= WS_THICKFRAME; exStyle |= WS_EX_TOOLWINDOW; break;
    case 4: exStyle |= WS_EX_TOOLWINDOW; break;
    case 5: style |= WS_THICKFRAME; exStyle |= WS_EX_CLIENTEDGE; break;
    case 6: exStyle |= WS_EX_CLIENTEDGE; break;
    default: break;
  }
  if (values.Bool(WindowField::MaximiseButton)) style |= WS_MAXIMIZEBOX;
  if (values.Bool(WindowField::MinimiseButton)) style |= WS_MINIMIZEBOX;

  const int width = view.Width();
  const int height = view.Height();
  int left = view.Left();
  int top = view.Top();
  m_startPosition = values.Int(WindowField::StartPosition);
  const bool centred = owner == nullptr && m_startPosition == 1;
  if (owner == nullptr) {
    switch (m_startPosition) {
      case 1:
        left = CentredStart(width, SM_CXSCREEN);
        top = CentredStart(height, SM_CYSCREEN);
        break;
      case 2: style |= WS_MINIMIZE; break;
      case 3: if (Resizable(border)) style |= WS_MAXIMIZE; break;
      default: break;
    }
  }
  if (owner != nullptr) {
    style |= WS_POPUP;
  } else if (values.Bool(WindowField::ShowInTaskbar)) {
    exStyle |= WS_EX_APPWINDOW;
  } else {
    // An owned window has no taskbar button: the runtime's hidden window owns it.
    owner = TheRuntime().HiddenWindow();
  }
  m_topmost = values.Bool(WindowField::AlwaysOnTop);

  const std::string_view className = values.Text(WindowField::ClassName);
  std::string_view windowClass = kPageWindowClass;
  if (!className.empty()) {
    // A class of the program's own name behaves as the default one.
    const WideText wideName(className);
    WNDCLASSW named{};
    if (!wideName.Valid() || (!GetClassInfoW(GetModuleHandleW(nullptr), wideName.Get(), &named) &&
                              !RegisterClassNamed(className))) {
      return false;
    }
    windowClass = className;
  } else if (!RegisterClassNamed(kPageWindowClass)) {
    return false;
  }
  HWND window = CreateTextWindow(exStyle, windowClass, caption, style, left, top, width, height, owner,
                                 nullptr, this);
  if (window == nullptr) return false;

  // The page is laid out at the DPI of the monitor it was made on (the primary one, where it is
  // centred): its outer size scaled, and centred again at that size.
  m_dpi = WindowDpi(window);
  const int scaledWidth = ScaleToDpi(width, m_dpi), scaledHeight = ScaleToDpi(height, m_dpi);
  const int scaledLeft = centred ? CentredStart(scaledWidth, SM_CXSCREEN) : ScaleToDpi(left, m_dpi);
  const int scaledTop = centred ? CentredStart(scaledHeight, SM_CYSCREEN) : ScaleToDpi(top, m_dpi);
  const bool moved = scaledLeft != left || scaledTop != top;
  RECT outer;
  GetWindowRect(window, &outer);
  if (moved || outer.right - outer.left != scaledWidth || outer.bottom - outer.top != scaledHeight) {
    SetWindowPos(window, nullptr, scaledLeft, scaledTop, scaledWidth, scaledHeight,
                 (moved ? 0 : SWP_NOMOVE) | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SetIcons();
  if (m_topmost) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!values.Bool(WindowField::Movable)) {
    if (HMENU menu = GetSystemMenu(window, FALSE)) DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
  }
  return true;
}

void PageWindow::SetIcons() noexcept {
  // The icon file's nearest image at the sizes the system asks for at the page's DPI.
  const auto file = m_windowUnit->Bytes(WindowField::Icon);
  const int systemDpi = SystemDpi();
  UniqueIcon big = IconFromFile(file, ScaleInt(GetSystemMetrics(SM_CXICON), m_dpi, systemDpi));
  UniqueIcon small = IconFromFile(file, ScaleInt(GetSystemMetrics(SM_CXSMICON), m_dpi, systemDpi));
  // The application icon, only where the page's own file gave no image: loading it costs the start.
  HICON fallback = big && small ? nullptr : LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
  SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big ? big.Get() : fallback));
  SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small.Get() : fallback));
  m_bigIcon = std::move(big);
  m_smallIcon = std::move(small);
}

void PageWindow::OnDpiChanged(int dpi, const RECT& suggested) noexcept {
  m_dpi = dpi;
  SetWindowPos(m_window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  SetIcons();
  // Windows, texts, selections and values all stay: only places, fonts and painting change.
  for (auto& control : m_controls) control->ApplyDpi();
  RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void PageWindow::ShowFirstTime() noexcept {
  if (m_window == nullptr) return;
  int show = SW_SHOWNORMAL;
  if (TheRuntime().HeaderVersion() != 0) {
    if (m_startPosition == 3) show = SW_SHOWMAXIMIZED;
    else if (m_startPosition == 2) show = SW_SHOWMINIMIZED;
  }
  ShowWindow(m_window, show);
  UpdateWindow(m_window);
  // As in a dialog, the first focus stop takes the keyboard focus.
  HWND focus = GetFocus();
  if (focus == m_window || focus == nullptr) {
    if (HWND first = GetNextDlgTabItem(m_window, nullptr, FALSE); first != nullptr && first != m_window) {
      SetFocus(first);
      focus = GetFocus();
    }
  }
  if (Control* control = Control::FromWindow(focus); control != nullptr && &control->Page() == this) {
    FireEvent(PageId(), control->Id(), kEventFirstFocus);
  }
}

void PageWindow::FinishClose() noexcept {
  m_closePending = false;
  ReleaseModal();
  if (m_window != nullptr) DestroyWindow(m_window);
}

void PageWindow::FinishCloseForRebuild() noexcept {
  Use use(this);  // the object outlives its window until this returns
  m_rebuilding = true;
  FinishClose();
  m_rebuilding = false;
}

void PageWindow::BecomeModal() noexcept {
  m_modal = true;
  for (HWND other : TheRuntime().PageWindows()) {
    if (other != m_window && IsWindow(other)) m_disabledByModal.Disable(other);
  }
}

void PageWindow::ReleaseModal() noexcept {
  if (!m_modal) return;
  m_modal = false;
  m_disabledByModal.Restore();
}

PageWindow::Use::Use(PageWindow* page) noexcept : m_page(page) {
  if (m_page != nullptr) ++m_page->m_uses;
}

PageWindow::Use::~Use() {
  if (m_page == nullptr) return;
  if (--m_page->m_uses == 0 && m_page->m_deletePending) delete m_page;
}

void PageWindow::DeleteWhenUnused() noexcept {
  if (m_uses > 0) {
    m_deletePending = true;
    return;
  }
  delete this;
}

void PageWindow::OnTitleBarClose() noexcept {
  HWND window = m_window;
  const EventRecord answer = FireEvent(PageId(), 0, kEventCloseRequest);
  if (!IsWindow(window) || m_window == nullptr) return;  // the handler closed the page itself
  if (answer.hasResult && answer.result == 0) return;
  ReleaseModal();
  DestroyWindow(window);
}

void PageWindow::OnDestroy() noexcept {
  FireEvent(PageId(), 0, kEventDestroying);
  if (HMENU menu = GetMenu(m_window)) {
    SetMenu(m_window, nullptr);
    DestroyMenu(menu);
  }
  ReleaseModal();
}

void PageWindow::OnFinalMessage() noexcept {
  Runtime& runtime = TheRuntime();
  runtime.RemovePageWindow(m_window);
  BindWindow(m_window, m_page->WindowUnit().View(), nullptr);
  m_window = nullptr;
  m_windowUnit->BindPageWindow(nullptr);
  // The last page gone ends the message loop (the program then ends normally); a page that was
  // never completely built, or one being replaced by a new load, does not count.
  if (m_built && runtime.LoopStarted() && !runtime.AnyPageWindowAlive() && !m_rebuilding) {
    PostQuitMessage(0);
  }
  DeleteWhenUnused();
}

LRESULT PageWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  Use use(this);
  HWND window = m_window;
  LRESULT result = 0;
  if (Control::Reflect(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(window, &area);
      const COLORREF colour = ResolveColour(m_windowUnit->Number(pages::WindowField::BackgroundColour));
      m_background.Reset(CreateSolidBrush(colour));
      FillRect(reinterpret_cast<HDC>(wParam), &area, m_background.Get());
      return 1;
    }
    case WM_MOVE:
      FireEvent(PageId(), 0, kEventMoved);
      break;
    case WM_SIZE:
      FireEvent(PageId(), 0, kEventResized);
      break;
    case WM_CLOSE:
      OnTitleBarClose();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case kClosePageMessage:
      if (m_closePending) FinishClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      break;
    case WM_NCDESTROY: {
      result = DefWindowProcW(window, message, wParam, lParam);
      OnFinalMessage();
      return result;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK PageWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* page = static_cast<PageWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (page != nullptr) {
      page->m_window = window;
      page->m_windowUnit->BindPageWindow(window);
      BindWindow(window, page->m_page->WindowUnit().View(), page);
      TheRuntime().AddPageWindow(window, page->PageId(), page);
    }
  }
  PageWindow* page = Bound(window);
  if (page == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return page->Handle(message, wParam, lParam);
}

}  // namespace vl
