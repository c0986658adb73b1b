#include "player_window.h"

#include <utility>

#include "player_texts.h"
#include "runtime/text_boundary.h"

namespace vorlane {
namespace {

constexpr int kMargin = 12;
constexpr int kTitleHeight = 32;
constexpr int kLineHeight = 20;
constexpr int kInitialWidth = 480;
constexpr int kInitialHeight = 360;

// A label showing one of the player's texts; null, as for a refused window, when the text cannot
// be converted.
HWND CreateLabel(HWND parent, const char* text, DWORD style, int id) {
  const vl::WideText wideText(text);
  if (!wideText.Valid()) return nullptr;
  return CreateWindowExW(0, L"STATIC", wideText.Get(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX | style, 0, 0, 0, 0,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
}

void SetFont(HWND control, HFONT font) {
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

}  // namespace

bool PlayerWindow::Register(HINSTANCE instance) noexcept {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kPlayerClassName;
  return RegisterClassExW(&windowClass) != 0;
}

HWND PlayerWindow::Create(HINSTANCE instance, Playlist playlist, int showCommand) noexcept {
  const vl::WideText title(kPlayerTitle);
  if (!title.Valid()) return nullptr;
  auto* self = new PlayerWindow(std::move(playlist));
  // WM_NCCREATE takes ownership of `self`; when creation fails later the window is destroyed
  // and WM_NCDESTROY frees it, so nothing is freed here.
  HWND window = CreateWindowExW(0, kPlayerClassName, title.Get(), WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, kInitialWidth, kInitialHeight,
                                nullptr, nullptr, instance, self);
  if (window == nullptr) return nullptr;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return window;
}

LRESULT CALLBACK PlayerWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<PlayerWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->m_window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<PlayerWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete self;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT PlayerWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return CreateControls() ? 0 : -1;
    case WM_SIZE:
      Layout(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(m_window, message, wParam, lParam);
  }
}

bool PlayerWindow::CreateControls() {
  auto* guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW title{};
  GetObjectW(guiFont, sizeof title, &title);
  title.lfHeight = -20;
  title.lfWeight = FW_BOLD;
  m_titleFont.Reset(CreateFontIndirectW(&title));

  m_title = CreateLabel(m_window, kPlayerTitle, SS_LEFT, kTitleLabelId);
  m_version = CreateLabel(m_window, kPlayerVersion, SS_RIGHT, kVersionLabelId);
  m_heading = CreateLabel(m_window, m_playlist.tracks.empty() ? kNoPlaylist : kPlaylistHeading, SS_LEFT,
                          kHeadingLabelId);
  m_list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                               LBS_NOINTEGRALHEIGHT,
                           0, 0, 0, 0, m_window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPlaylistBoxId)),
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(m_window, GWLP_HINSTANCE)),
                           nullptr);
  if (!m_title || !m_version || !m_heading || !m_list) return false;
  SetFont(m_title, m_titleFont ? m_titleFont.Get() : guiFont);
  SetFont(m_version, guiFont);
  SetFont(m_heading, guiFont);
  SetFont(m_list, guiFont);
  // The track played last is selected again, as the user left it.
  LRESULT selection = LB_ERR;
  for (std::size_t i = 0; i < m_playlist.tracks.size(); ++i) {
    // A track whose text cannot be converted is not listed, like one the list box refused.
    const vl::WideText item(DescribeTrack(m_playlist.tracks[i]));
    if (!item.Valid()) continue;
    const LRESULT index = SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.Get()));
    if (static_cast<int>(i) + 1 == m_playlist.lastPosition) selection = index;
  }
  if (selection >= 0) SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
  return true;
}

void PlayerWindow::Layout(int width, int height) {
  const int inner = width - 2 * kMargin;
  MoveWindow(m_title, kMargin, kMargin, inner * 2 / 3, kTitleHeight, TRUE);
  MoveWindow(m_version, kMargin + inner * 2 / 3, kMargin + 8, inner / 3, kLineHeight, TRUE);
  const int headingTop = kMargin + kTitleHeight + 8;
  MoveWindow(m_heading, kMargin, headingTop, inner, kLineHeight, TRUE);
  const int listTop = headingTop + kLineHeight + 4;
  MoveWindow(m_list, kMargin, listTop, inner, height - listTop - kMargin, TRUE);
}

}  // namespace vorlane
