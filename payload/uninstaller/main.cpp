// The Vorlane uninstaller. This version shows what uninstalling removes (the product folder
// beside it, with its file and folder counts, and the shortcuts) and removes nothing. It carries
// its clean-up helper (see cleanup_helper.c) inside its own data, for the removal to come.
#include <windows.h>

#include <cstdio>
#include <string>

#include "runtime/unique_handle.h"
#include "uninstaller_texts.h"

namespace {

struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { FindClose(h); }
};
using UniqueFind = vl::UniqueHandle<FindTraits>;

struct FolderCounts {
  unsigned files = 0;
  unsigned folders = 0;
};

// The folder part of a path; the second byte of a double-byte character is never taken for a
// backslash.
std::string FolderOf(const std::string& path) {
  std::size_t last = std::string::npos;
  for (const char* at = path.c_str(); *at != '\0'; at = CharNextA(at)) {
    if (*at == '\\') last = static_cast<std::size_t>(at - path.c_str());
  }
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

// Counts everything below `folder`, hidden and system files included (the player's support
// libraries are both). Unreadable folders count as empty.
void Count(const std::string& folder, FolderCounts& counts) {
  WIN32_FIND_DATAA found;
  UniqueFind search(FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ++counts.folders;
      Count(folder + "\\" + name, counts);
    } else {
      ++counts.files;
    }
  } while (FindNextFileA(search.Get(), &found));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char program[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  const std::string folder = length > 0 && length < sizeof program ? FolderOf(program) : "";
  FolderCounts counts;
  if (!folder.empty()) Count(folder, counts);

  char countLine[256];
  std::snprintf(countLine, sizeof countLine, kUninstallCounts, counts.files, counts.folders);
  const std::string message = std::string(kUninstallHeading) + kUninstallFolderLabel + folder +
                              "\r\n" + countLine + kUninstallShortcuts + kUninstallNotYet;
  MessageBoxA(nullptr, message.c_str(), kUninstallTitle, MB_OK | MB_ICONINFORMATION);
  return 0;
}
