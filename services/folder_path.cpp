#include "folder_path.h"

#include <windows.h>

#include <cwchar>

#include "runtime/memory.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "wide_result.h"

namespace vl {
namespace {

// GetFullPathNameW into a runtime allocation as long as it asks for, with one unit more for a
// separator; null when it fails.
wchar_t* FullPathName(const wchar_t* path) noexcept {
  DWORD size = MAX_PATH;
  for (int attempt = 0; attempt < 2; ++attempt) {
    auto* full = static_cast<wchar_t*>(AllocateMemory((size + 1) * sizeof(wchar_t)));
    const DWORD needed = GetFullPathNameW(path, size, full, nullptr);
    if (needed != 0 && needed < size) return full;
    FreeMemory(full);
    if (needed == 0) break;
    size = needed;  // the size with its terminator
  }
  return nullptr;
}

}  // namespace

void GetFullFolderPathCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const Text path = NonNullText(AsText(ArgAt(count, args, 0)).value_or(nullptr));
  const WideText widePath(path);
  wchar_t* full = *path != '\0' && widePath.Valid() ? FullPathName(widePath.Get()) : nullptr;
  const DWORD attributes = full != nullptr ? GetFileAttributesW(full) : INVALID_FILE_ATTRIBUTES;
  std::size_t length = 0;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    // Exactly one separator at the end, whatever was typed.
    length = std::wcslen(full);
    while (length > 0 && full[length - 1] == L'\\') --length;
    full[length++] = L'\\';
  }
  SetWideTextResult(result, std::wstring_view(full, length));
  FreeMemory(full);
}

}  // namespace vl
