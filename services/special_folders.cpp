#include "special_folders.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

#include "runtime_texts.h"
#include "shell_functions.h"
#include "wide_result.h"

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
    {12, kSpecialFolderCommonDesktopName, CSIDL_COMMON_DESKTOPDIRECTORY},
    {13, kSpecialFolderCommonProgramsName, CSIDL_COMMON_PROGRAMS},
};

// Each query fills at most MAX_PATH units; the one unit more keeps room for the appended
// backslash after a path of MAX_PATH - 1 units.
constexpr DWORD kSystemBufferSize = MAX_PATH;
using PathBuffer = wchar_t[kSystemBufferSize + 1];

// A length the system reports is valid only when it is not 0 and fitted the buffer: a larger
// value is the size the system would have needed, with nothing written.
bool FilledByLength(UINT length) noexcept { return length != 0 && length < kSystemBufferSize; }

bool QueryFolder(std::int32_t code, PathBuffer& buffer) noexcept {
  if ((code >= 1 && code <= 8) || code == 12 || code == 13) {
    return shell::GetSpecialFolderPath(buffer, kFolders[code - 1].csidl) != FALSE;
  }
  switch (code) {
    case 9: return FilledByLength(GetWindowsDirectoryW(buffer, kSystemBufferSize));
    case 10: return FilledByLength(GetSystemDirectoryW(buffer, kSystemBufferSize));
    case 11: return FilledByLength(GetTempPathW(kSystemBufferSize, buffer));
    default: return false;
  }
}

}  // namespace

std::span<const SpecialFolder> SpecialFolders() noexcept { return kFolders; }

void GetSpecialFolderPathCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const auto code = AsInt(ArgAt(count, args, 0));
  PathBuffer buffer = {};
  std::size_t length = 0;
  if (code && QueryFolder(*code, buffer)) {
    buffer[kSystemBufferSize - 1] = L'\0';  // whatever the system did, the path ends inside the buffer
    length = std::wcslen(buffer);
    // In UTF-16 a backslash unit is always the character itself: a folder name ending in 淺 or 禱,
    // whose second GBK byte is 0x5C, still gets its separator.
    if (length > 0 && buffer[length - 1] != L'\\') buffer[length++] = L'\\';
  }
  SetWideTextResult(result, std::wstring_view(buffer, length));
}

}  // namespace vl
