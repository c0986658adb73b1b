#include "paths.h"

#include <windows.h>

#include "base/character_walk.h"
#include "runtime/memory.h"
#include "runtime/text_boundary.h"

namespace vl::uninstall {
namespace {

// Position of the last backslash that is a character of its own; npos when there is none.
std::size_t LastBackslash(const std::string& path) {
  std::size_t last = std::string::npos;
  for (std::size_t at = 0; at < path.size(); at += CharacterLength(path, at)) {
    if (path[at] == '\\') last = at;
  }
  return last;
}

// What a call writes into a buffer whose size it is told: `call(buffer, size)` returns the
// length written, the size it needs (terminator included) when the buffer is too small, or 0
// when it fails. Nothing when it fails or the result cannot be converted.
template <class Call>
std::optional<std::string> BufferedPath(Call call) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  // The needed size may grow between two calls (the current folder changed, say): a few tries.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::nullopt;
    if (length < buffer.size()) return FromWide({buffer.data(), length});
    buffer.resize(length);
  }
  return std::nullopt;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const std::size_t last = LastBackslash(path);
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string NameOf(const std::string& path) {
  const std::size_t last = LastBackslash(path);
  return last == std::string::npos ? path : path.substr(last + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  const WideText wideA(a);
  const WideText wideB(b);
  return wideA.Valid() && wideB.Valid() &&
         CompareStringOrdinal(wideA.Get(), static_cast<int>(wideA.Length()), wideB.Get(),
                              static_cast<int>(wideB.Length()), TRUE) == CSTR_EQUAL;
}

std::string NormalPath(const std::string& path) {
  const WideText wide(path);
  if (!wide.Valid()) return path;
  const std::optional<std::string> full = BufferedPath(
      [&](wchar_t* buffer, DWORD size) { return GetFullPathNameW(wide.Get(), size, buffer, nullptr); });
  if (!full) return path;
  const WideText wideFull(*full);
  if (!wideFull.Valid()) return *full;
  const std::optional<std::string> longForm = BufferedPath(
      [&](wchar_t* buffer, DWORD size) { return GetLongPathNameW(wideFull.Get(), buffer, size); });
  return longForm ? *longForm : *full;
}

bool SamePath(const std::string& a, const std::string& b) {
  return SameName(a, b) || SameName(NormalPath(a), NormalPath(b));
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  // Walk up from the path, one component at a time, so that only whole components are compared.
  // The path's folder is expanded on its own: a file that is gone no longer expands its path.
  std::string above = NormalPath(FolderOf(NormalPath(path)));
  const std::string wanted = NormalPath(folder);
  while (!above.empty()) {
    if (SameName(above, wanted)) return true;
    const std::string next = FolderOf(above);
    if (next.size() >= above.size()) break;
    above = next;
  }
  return false;
}

std::optional<std::string> FromWide(std::wstring_view text) {
  std::size_t length = 0;
  char* bytes = TextFromWide(text, &length);
  if (bytes == nullptr) return std::nullopt;
  std::string result(bytes, length);
  FreeMemory(bytes);
  return result;
}

std::optional<std::string> TempFolder() {
  return BufferedPath([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
}

}  // namespace vl::uninstall
