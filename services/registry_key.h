#pragma once
// A registry value named by one text: the key path and the value name, split at the last
// backslash character (the second byte of a two-byte character is never taken for one). Without a
// backslash the whole text is the value name; a trailing one names the key's default value.
// Shared by the registry commands and the installation pass's steps.
#include <windows.h>

#include <cstddef>
#include <string_view>

#include "runtime/text_boundary.h"

namespace vl {

class ValuePath {
 public:
  explicit ValuePath(std::string_view path) noexcept;

  bool Valid() const noexcept { return m_key.Valid() && m_name.Valid(); }
  const wchar_t* Key() const noexcept { return m_key.Get(); }
  std::size_t KeyLength() const noexcept { return m_key.Length(); }
  const wchar_t* Name() const noexcept { return m_name.Get(); }

 private:
  ValuePath(std::string_view path, std::size_t separator) noexcept;

  WideText m_key;
  WideText m_name;
};

// The value's key under `root`, with at least `access`; null when it cannot be opened (or, when
// `create` asks, created), with the system's answer as the last error. The last key opened stays
// open for the next call: the installer reads and writes its registration's values one after
// another in one key, and opening and closing a key costs more than a value. The handle lives as
// long as the program, so a value goes where a fresh open would have put it unless another
// program deletes the key meanwhile.
HKEY OpenValueKey(HKEY root, const ValuePath& path, REGSAM access, bool create = false) noexcept;

// A remembered key that another program deleted refuses everything with ERROR_KEY_DELETED: a query
// then finds nothing, which is so, and the key is forgotten, so that the next call opens it afresh.
LONG ForgettingDeletedKey(LONG status) noexcept;

// Closes the remembered key, before the key itself is deleted.
void ForgetOpenedKey() noexcept;

}  // namespace vl
