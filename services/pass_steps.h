#pragma once
// The installation pass's steps on this machine (machine_pass.h), each a system call or two
// on a path in the system's texts; none shows anything, and a refusal is only false.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "journal/journal_format.h"

namespace vl {

// Whether the system's answer says the file or a folder on its path is missing.
bool IsMissing(DWORD error) noexcept;
// The attributes of what is there; INVALID_FILE_ATTRIBUTES when nothing is or the path cannot be
// converted.
DWORD AttributesOf(std::string_view path) noexcept;
// Whether anything is there.
bool PathExists(std::string_view path) noexcept;
// A folder made; true also when one is there already.
bool MakeFolderAt(std::string_view path) noexcept;
// An empty folder removed; true when none is there afterwards.
bool RemoveFolderAt(std::string_view path) noexcept;
// A new file written whole or not at all, never over anything; `hidden`: hidden and system from its
// first moment.
bool WriteNewFileAt(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept;
// A file renamed, never over anything and never a folder.
bool RenameFileAt(std::string_view from, std::string_view to) noexcept;
// A file deleted, read-only or not; true when none is there afterwards. A folder is not deleted.
bool DeleteFileAt(std::string_view path) noexcept;
// A file that a program holds, or a folder that holds only such files, deleted at the next restart.
bool DeleteFileAtRestart(std::string_view path) noexcept;
// A file made afresh (emptied when it is there) and opened for appending, readable by others.
HANDLE OpenForAppending(const wchar_t* path) noexcept;
// Every byte written to an open file, or false.
bool AppendToFile(HANDLE file, std::span<const std::uint8_t> bytes) noexcept;
// As much of a file as fits in `room`; empty when there is none.
std::span<const std::uint8_t> ReadFileInto(const wchar_t* path, std::span<std::uint8_t> room) noexcept;
// Whether the volume of `folder` has `bytes` free for the caller; true when it does not say.
bool HasFreeSpaceFor(std::string_view folder, std::uint64_t bytes) noexcept;

// A value of HKEY_LOCAL_MACHINE named by its key path and name (registry_key.h), as stored. Read into `room`, absent when the key or the value is missing; false when it cannot be
// read or does not fit.
bool ReadStoredValue(std::string_view path, journal::StoredValue& value, std::span<std::uint8_t> room) noexcept;
// Stored as given; an absent value is deleted, and its key with it when that leaves the key empty.
bool WriteStoredValue(std::string_view path, const journal::StoredValue& value) noexcept;

}  // namespace vl
