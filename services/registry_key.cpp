#include "registry_key.h"

#include <cstring>

#include "base/character_walk.h"
#include "runtime/unique_handle.h"

namespace vl {
namespace {

std::size_t LastBackslash(std::string_view path) noexcept {
  std::size_t found = std::string_view::npos;
  for (std::size_t at = 0; at < path.size(); at += CharacterLength(path, at)) {
    if (path[at] == '\\') found = at;
  }
  return found;
}

struct KeyName {
  HKEY root;  // null when there is no key to reuse
  REGSAM access;
  std::size_t pathBytes;
  wchar_t path[128];  // a longer path is not remembered
};
// In the zero-filled section, which takes no room in the program file (the compiler would
// otherwise give the object a data section of its own, stored in full).
__attribute__((section(".bss"))) KeyName g_lastKeyName;
UniqueKey g_lastKey;

}  // namespace

ValuePath::ValuePath(std::string_view path) noexcept : ValuePath(path, LastBackslash(path)) {}

// Without a separator (npos, one below 0) the key is empty and the whole text is the name.
ValuePath::ValuePath(std::string_view path, std::size_t separator) noexcept
    : m_key(std::string_view(path.data(), separator != std::string_view::npos ? separator : 0)),
      m_name(path.substr(separator + 1)) {}

HKEY OpenValueKey(HKEY root, const ValuePath& path, REGSAM access, bool create) noexcept {
  if (!path.Valid()) return nullptr;
  KeyName& last = g_lastKeyName;
  const std::size_t pathBytes = path.KeyLength() * sizeof(wchar_t);
  if (last.root == root && (last.access & access) == access && last.pathBytes == pathBytes &&
      std::memcmp(last.path, path.Key(), pathBytes) == 0) {
    return g_lastKey.Get();
  }
  HKEY opened = nullptr;
  LONG status = RegOpenKeyExW(root, path.Key(), 0, access, &opened);
  if (status != ERROR_SUCCESS && create) status = RegCreateKeyW(root, path.Key(), &opened);
  if (status != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(status));
    return nullptr;
  }
  g_lastKey = UniqueKey(opened);
  const bool fits = pathBytes <= sizeof last.path;
  last = {fits ? root : nullptr, access, pathBytes, {}};
  if (fits) std::memcpy(last.path, path.Key(), pathBytes);
  return opened;
}

LONG ForgettingDeletedKey(LONG status) noexcept {
  if (status == ERROR_KEY_DELETED) g_lastKeyName.root = nullptr;
  return status;
}

void ForgetOpenedKey() noexcept {
  g_lastKeyName.root = nullptr;
  g_lastKey.Reset();
}

}  // namespace vl
