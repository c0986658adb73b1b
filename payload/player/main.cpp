// Vorlane, the music player: shows the product, its version and the playlist that its
// configuration file holds. Ends with the code of the message loop's last message (0 when the
// window is closed).
#include <windows.h>

#include <optional>
#include <string>

#include "player_texts.h"
#include "player_window.h"
#include "playlist_file.h"
#include "runtime/memory.h"
#include "runtime/text_boundary.h"

namespace {

// The player's own path; nothing when the system cannot name it.
std::optional<std::string> ProgramPath() {
  // Grown until it holds the longest path the system knows (32767 units).
  for (std::wstring path(MAX_PATH, L'\0'); path.size() < 65536; path.resize(path.size() * 2)) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      char* bytes = vl::TextFromWide({path.data(), length});
      if (bytes == nullptr) return std::nullopt;
      std::string result = bytes;
      vl::FreeMemory(bytes);
      return result;
    }
  }
  return std::nullopt;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  const std::optional<std::string> program = ProgramPath();
  vorlane::Playlist playlist =
      program ? vorlane::ReadPlaylist(vorlane::ConfigPathBeside(*program)) : vorlane::Playlist{};
  if (!vorlane::PlayerWindow::Register(instance) ||
      vorlane::PlayerWindow::Create(instance, std::move(playlist), showCommand) == nullptr) {
    const vl::WideText text(kStartFailed);
    const vl::WideText title(kPlayerTitle);
    if (text.Valid() && title.Valid()) MessageBoxW(nullptr, text.Get(), title.Get(), MB_OK | MB_ICONERROR);
    return 1;
  }
  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}
