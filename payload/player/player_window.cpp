#include "player_window.h"

#include <utility>

#include "player_texts.h"

namespace vorlane {
namespace {

constexpr int kMargin = 12;
constexpr int kTitleHeight = 32;
constexpr int kLineHeight = 20;
constexpr int kInitialWidth = 480;
constexpr int kInitialHeight = 360;

HWND CreateChild(HWND parent, const char* className, const char* text, DWORD style, int id) {
  return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                         nullptr);
}

void SetFont(HWND control, HFONT font) {
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

}  // namespace

bool PlayerWindow::Register(HINSTANCE instance) noexcept {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kPlayerClassName;
  return RegisterClassExA(&windowClass) != 0;
}

HWND PlayerWindow::Create(HINSTANCE instance, Playlist playlist, int showCommand) noexcept {
  auto* self = new PlayerWindow(std::move(playlist));
  // WM_NCCREATE takes ownership of `self`; when creation fails later the window is destroyed
  // and WM_NCDESTROY frees it, so nothing is freed here.
  HWND window = CreateWindowExA(0, kPlayerClassName, kPlayerTitle, WS_OVERLAPPEDWINDOW,
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
    auto* self = static_cast<PlayerWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->m_window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<PlayerWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    delete self;
    return DefWindowProcA(window, message, wParam, lParam);
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
      return DefWindowProcA(m_window, message, wParam, lParam);
  }
}

bool PlayerWindow::CreateControls() {
  auto* guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA title{};
  GetObjectA(guiFont, sizeof title, &title);
  title.lfHeight = -20;
  title.lfWeight = FW_BOLD;
  m_titleFont.Reset(CreateFontIndirectA(&title));

  m_title = CreateChild(m_window, "STATIC", kPlayerTitle, SS_LEFT | SS_NOPREFIX, kTitleLabelId);
  m_version = CreateChild(m_window, "STATIC", kPlayerVersion, SS_RIGHT | SS_NOPREFIX, kVersionLabelId);
  m_heading = CreateChild(m_window, "STATIC",
                          m_playlist.tracks.empty() ? kNoPlaylist : kPlaylistHeading,
                          SS_LEFT | SS_NOPREFIX, kHeadingLabelId);
  m_list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                           WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY |
                               LBS_NOINTEGRALHEIGHT,
                           0, 0, 0, 0, m_window,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPlaylistBoxId)),
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_window, GWLP_HINSTANCE)),
                           nullptr);
  if (!m_title || !m_version || !m_heading || !m_list) return false;
  SetFont(m_title, m_titleFont ? m_titleFont.Get() : guiFont);
  SetFont(m_version, guiFont);
  SetFont(m_heading, guiFont);
  SetFont(m_list, guiFont);
  for (const Track& track : m_playlist.tracks) {
    SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DescribeTrack(track).c_str()));
  }
  // The track played last is selected again, as the user left it.
  const int last = m_playlist.lastPosition;
  if (last >= 1 && last <= static_cast<int>(m_playlist.tracks.size())) {
    SendMessageA(m_list, LB_SETCURSEL, static_cast<WPARAM>(last - 1), 0);
  }
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
