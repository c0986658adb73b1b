#include "special_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "runtime/text_value.h"
#include "runtime_texts.h"

namespace vl {
namespace {

constexpr SpecialFolder kFolders[] = {
    {1, kSpecialFolderMyDocumentsName, CSIDL_PERSONAL},
    {2, kSpecialFolderFavoritesName, CSIDL_FAVORITES},
    {3, kSpecialFolderDesktopName, CSIDL_DESKTOPDIRECTORY},
    {4, kSpecialFolderFontsName, CSIDL_FONTS},
    {5, kSpecialFolderStartMenuName, CSIDL_STARTMENU},
    {6, kSpecialFolderProgramsName, CSIDL_PROGRAMS},
    {7, kSpecialFolderStartupName, CSIDL_STARTUP},
    {8, kSpecialFolderAppDataName, CSIDL_APPDATA},
    {9, kSpecialFolderWindowsName, -1},
    {10, kSpecialFolderSystemName, -1},
    {11, kSpecialFolderTempName, -1},
};

// The system fills at most MAX_PATH bytes; the one byte more keeps room for the appended
// backslash after a path of MAX_PATH - 1 bytes.
constexpr DWORD kSystemBufferSize = MAX_PATH;
using PathBuffer = char[kSystemBufferSize + 1];

// A length the system reports is valid only when it is not 0 and fitted the buffer: a larger
// value is the size the system would have needed, with nothing written.
bool FilledByLength(UINT length) noexcept { return length != 0 && length < kSystemBufferSize; }

bool QueryFolder(std::int32_t code, PathBuffer& buffer) noexcept {
  if (code >= 1 && code <= 8) {
    return SHGetSpecialFolderPathA(nullptr, buffer, kFolders[code - 1].csidl, FALSE) != FALSE;
  }
  switch (code) {
    case 9: return FilledByLength(GetWindowsDirectoryA(buffer, kSystemBufferSize));
    case 10: return FilledByLength(GetSystemDirectoryA(buffer, kSystemBufferSize));
    case 11: return FilledByLength(GetTempPathA(kSystemBufferSize, buffer));
    default: return false;
  }
}

}  // namespace

std::span<const SpecialFolder> SpecialFolders() noexcept { return kFolders; }

void GetSpecialFolderPathCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const auto code = AsInt(ArgAt(count, args, 0));
  PathBuffer buffer = {};
  if (!code || !QueryFolder(*code, buffer)) {
    SetTextResult(result, CopyText(nullptr));
    return;
  }
  buffer[kSystemBufferSize - 1] = '\0';  // whatever the system did, the path ends inside the buffer
  std::size_t length = std::strlen(buffer);
  // The last character decides: a folder name ending in a character whose second byte is 0x5C
  // (淺, 禱) still gets its separator.
  if (length > 0 && FindLastBackslash(buffer) != buffer + length - 1) buffer[length++] = '\\';
  SetTextResult(result, CopyTextBytes(buffer, length));
}

}  // namespace vl
