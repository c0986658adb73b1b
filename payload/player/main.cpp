// Vorlane, the music player: shows the product, its version and the playlist that its
// configuration file holds. Ends with the code of the message loop's last message (0 when the
// window is closed).
#include <windows.h>

#include <string>

#include "player_texts.h"
#include "player_window.h"
#include "playlist_file.h"

namespace {

std::string ProgramPath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  vorlane::Playlist playlist = vorlane::ReadPlaylist(vorlane::ConfigPathBeside(ProgramPath()));
  if (!vorlane::PlayerWindow::Register(instance) ||
      vorlane::PlayerWindow::Create(instance, std::move(playlist), showCommand) == nullptr) {
    MessageBoxA(nullptr, kStartFailed, kPlayerTitle, MB_OK | MB_ICONERROR);
    return 1;
  }
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}
