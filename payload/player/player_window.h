#pragma once
// The player's main window: the product name, the version and the playlist.
#include <windows.h>

#include "playlist_file.h"
#include "runtime/unique_handle.h"

namespace vorlane {

inline constexpr wchar_t kPlayerClassName[] = L"VorlanePlayer";

// Control ids, for anyone who reads the window (the tests do).
inline constexpr int kTitleLabelId = 100;
inline constexpr int kVersionLabelId = 101;
inline constexpr int kHeadingLabelId = 102;
inline constexpr int kPlaylistBoxId = 103;

class PlayerWindow {
 public:
  // Registers the window class once; false when the system refuses it.
  static bool Register(HINSTANCE instance) noexcept;

  // Creates and shows the window with the given playlist; null when the system refuses. The
  // window owns itself: it is freed when the window is destroyed, which ends the message loop.
  static HWND Create(HINSTANCE instance, Playlist playlist, int showCommand) noexcept;

 private:
  explicit PlayerWindow(Playlist playlist) : m_playlist(std::move(playlist)) {}

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool CreateControls();
  void Layout(int width, int height);

  HWND m_window = nullptr;
  HWND m_title = nullptr;
  HWND m_version = nullptr;
  HWND m_heading = nullptr;
  HWND m_list = nullptr;
  vl::UniqueFont m_titleFont;
  Playlist m_playlist;
};

}  // namespace vorlane
