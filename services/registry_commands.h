#pragma once
// The registry commands. A value is named by a root key code and one text holding the key path
// and the value name, split at the last backslash character (the second byte of a two-byte
// character is never taken for one). Each call opens and closes its own key; failures, a path or
// text that cannot be converted to UTF-16 among them, are only a false or empty result.
#include <windows.h>

#include <cstdint>

#include "runtime/command_call.h"

namespace vl {

// 1 HKEY_CLASSES_ROOT, 2 HKEY_CURRENT_CONFIG, 3 HKEY_CURRENT_USER, 4 HKEY_LOCAL_MACHINE,
// 5 HKEY_USERS; every other code HKEY_CURRENT_USER.
HKEY RootKeyFromCode(std::int32_t code) noexcept;

// RegistryValueExists(root: int, path: text) -> bool: true if the value exists; its data is not
// read. False for a missing key or value and for a refused access.
void RegistryValueExistsCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// ReadRegistryText(root: int, path: text) -> text: the value's text when it is a REG_SZ or
// REG_EXPAND_SZ (not expanded), up to its first NUL; the empty text for a missing key or value,
// another type, or a refused access.
void ReadRegistryTextCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// WriteRegistryValue(root: int, path: text, value: any) -> bool: writes the value, creating every
// missing key on the way; true if the value was written. REG_DWORD for the numeric types (byte
// zero-extended, short sign-extended, 64-bit integers cut to their low 32 bits, floats truncated
// toward zero), REG_SZ with its NUL for texts, REG_BINARY for byte sets. A value of a type that
// has no registry form writes nothing and gives false.
void WriteRegistryValueCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
