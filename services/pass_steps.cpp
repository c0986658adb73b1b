#include "pass_steps.h"

#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"
#include "registry_key.h"
#include "sharing_retry.h"

namespace vl {

bool IsMissing(DWORD error) noexcept { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

DWORD AttributesOf(std::string_view path) noexcept {
  const WideText wide(path);
  return wide.Valid() ? GetFileAttributesW(wide.Get()) : INVALID_FILE_ATTRIBUTES;
}

bool PathExists(std::string_view path) noexcept { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool MakeFolderAt(std::string_view path) noexcept {
  const WideText wide(path);
  if (!wide.Valid()) return false;
  if (CreateDirectoryW(wide.Get(), nullptr)) return true;
  const DWORD attributes = GetFileAttributesW(wide.Get());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveFolderAt(std::string_view path) noexcept {
  const WideText wide(path);
  return wide.Valid() && (RemoveDirectoryW(wide.Get()) != FALSE || IsMissing(GetLastError()));
}

HANDLE OpenForAppending(const wchar_t* path) noexcept {
  return CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::span<const std::uint8_t> ReadFileInto(const wchar_t* path, std::span<std::uint8_t> room) noexcept {
  const UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
  DWORD read = 0;
  if (!file || !ReadFile(file.Get(), room.data(), static_cast<DWORD>(room.size()), &read, nullptr)) return {};
  return room.first(read);
}

bool WriteNewFileAt(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept {
  const WideText wide(path);
  if (!wide.Valid()) return false;
  const DWORD attributes = hidden ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_NORMAL;
  UniqueFile file(CreateFileW(wide.Get(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr));
  if (!file) return false;
  if (AppendToFile(file.Get(), bytes) && CloseHandle(file.Release())) return true;
  file.Reset();
  DeleteFileW(wide.Get());
  return false;
}

bool RenameFileAt(std::string_view from, std::string_view to) noexcept {
  const WideText wideFrom(from);
  const WideText wideTo(to);
  if (!wideFrom.Valid() || !wideTo.Valid()) return false;
  // A folder standing where a file belongs is not the installation's to move.
  const DWORD attributes = GetFileAttributesW(wideFrom.Get());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  for (const ULONGLONG start = GetTickCount64(); !MoveFileExW(wideFrom.Get(), wideTo.Get(), 0);) {
    if (!TryAgainWhileShared(start)) return false;
  }
  return true;
}

bool DeleteFileAt(std::string_view path) noexcept {
  const WideText wide(path);
  if (!wide.Valid()) return false;
  const DWORD attributes = GetFileAttributesW(wide.Get());
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) SetFileAttributesW(wide.Get(), attributes & ~FILE_ATTRIBUTE_READONLY);
  for (const ULONGLONG start = GetTickCount64(); !DeleteFileW(wide.Get());) {
    if (IsMissing(GetLastError())) return true;
    if (!TryAgainWhileShared(start)) return false;
  }
  return true;
}

bool DeleteFileAtRestart(std::string_view path) noexcept {
  const WideText wide(path);
  return wide.Valid() && MoveFileExW(wide.Get(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool AppendToFile(HANDLE file, std::span<const std::uint8_t> bytes) noexcept {
  // One write of the whole span; a short write (a full disk) fails like a refused one.
  DWORD written = 0;
  const auto length = static_cast<DWORD>(bytes.size());
  return bytes.empty() || (WriteFile(file, bytes.data(), length, &written, nullptr) != FALSE && written == length);
}

bool HasFreeSpaceFor(std::string_view folder, std::uint64_t bytes) noexcept {
  const WideText wide(folder);
  ULARGE_INTEGER available{};
  // A volume that does not say (a network folder may not) is not refused for it.
  return !wide.Valid() || !GetDiskFreeSpaceExW(wide.Get(), &available, nullptr, nullptr) || available.QuadPart >= bytes;
}

bool ReadStoredValue(std::string_view path, journal::StoredValue& value, std::span<std::uint8_t> room) noexcept {
  value = {};
  const ValuePath name(path);
  if (!name.Valid()) return false;
  const HKEY key = OpenValueKey(HKEY_LOCAL_MACHINE, name, KEY_QUERY_VALUE);
  if (key == nullptr) return GetLastError() == ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  auto size = static_cast<DWORD>(room.size());
  const LONG status = ForgettingDeletedKey(RegQueryValueExW(key, name.Name(), nullptr, &type, room.data(), &size));
  if (status == ERROR_FILE_NOT_FOUND) return true;
  if (status != ERROR_SUCCESS) return false;
  value = {true, type, room.first(size)};
  return true;
}

bool WriteStoredValue(std::string_view path, const journal::StoredValue& value) noexcept {
  const ValuePath name(path);
  if (!name.Valid()) return false;
  const HKEY key = OpenValueKey(HKEY_LOCAL_MACHINE, name, KEY_SET_VALUE | KEY_QUERY_VALUE, value.present);
  if (value.present) {
    return key != nullptr && ForgettingDeletedKey(RegSetValueExW(key, name.Name(), 0, value.type, value.bytes.data(),
                                                                 static_cast<DWORD>(value.bytes.size()))) == ERROR_SUCCESS;
  }
  if (key == nullptr) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const LONG status = ForgettingDeletedKey(RegDeleteValueW(key, name.Name()));
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
  // A key the installation made goes with its last value.
  DWORD subKeys = 1;
  DWORD values = 1;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  if (subKeys == 0 && values == 0) {
    ForgetOpenedKey();
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, name.Key());
  }
  return true;
}

}  // namespace vl
