#include "file_commands.h"

#include <windows.h>

#include "access_control.h"
#include "replacement_name.h"
#include "runtime/byte_set.h"
#include "runtime/memory.h"
#include "runtime/text_value.h"
#include "runtime/unique_handle.h"

namespace vl {
namespace {

// The text of argument `index`, or null when the caller passed something else.
Text TextArgAt(int count, const ArgRecord* args, int index) noexcept {
  const auto text = AsText(ArgAt(count, args, index));
  return text ? NonNullText(*text) : nullptr;
}

// One write of the whole span; a short write is a failure like a refused one (a full disk can
// take part of the bytes before it refuses the rest).
bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) noexcept {
  DWORD written = 0;
  const auto length = static_cast<DWORD>(bytes.size());
  return WriteFile(file, bytes.data(), length, &written, nullptr) != FALSE && written == length;
}

UniqueFile CreateNew(Text path) noexcept {
  return UniqueFile(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Writes every byte set among the arguments after the first, in order, and closes the file; false
// when a write or the close fails.
bool WriteByteSets(UniqueFile file, int count, const ArgRecord* args) noexcept {
  for (int i = 1; i < count; ++i) {
    // Anything but a byte set (an omitted slot included) carries no bytes for the file.
    const auto block = AsByteSet(args[i]);
    if (!block) continue;
    const std::span<const std::uint8_t> bytes = ByteSetData(*block);
    if (bytes.empty()) continue;
    if (!WriteAll(file.Get(), bytes)) return false;
  }
  return CloseHandle(file.Release()) != FALSE;
}

}  // namespace

void MakeDirectoryCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text path = TextArgAt(count, args, 0);
  if (path == nullptr) return;
  SetBoolResult(result, CreateDirectoryA(path, nullptr) != FALSE);
}

void WriteBytesToFileCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text path = TextArgAt(count, args, 0);
  if (path == nullptr || *path == '\0') return;

  if (UniqueFile file = CreateNew(path)) {
    if (WriteByteSets(std::move(file), count, args)) {
      SetBoolResult(result, true);
    } else {
      DeleteFileA(path);  // no half-written file stays behind
    }
    return;
  }
  if (GetLastError() != ERROR_FILE_EXISTS) return;

  // Something is there: write the new content beside it, then move it over in one step. A write
  // that fails leaves the old file as it was, and the move replaces the name itself, so that a
  // symbolic link or a second hard link of the old file is never written through.
  char* replacement = ConcatTexts({path, kReplacementSuffix});
  DeleteFileA(replacement);  // what an interrupted write left
  UniqueFile file = CreateNew(replacement);
  const bool replaced = file && WriteByteSets(std::move(file), count, args) &&
                        MoveFileExA(replacement, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!replaced) DeleteFileA(replacement);
  FreeMemory(replacement);
  SetBoolResult(result, replaced);
}

void ChangeFileAttributesCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text path = TextArgAt(count, args, 0);
  const auto codes = AsInt(ArgAt(count, args, 1));
  if (path == nullptr || !codes) return;
  const DWORD attributes = static_cast<DWORD>(*codes) & kSettableAttributeMask;
  SetBoolResult(result, SetFileAttributesA(path, attributes) != FALSE);
}

void ProtectFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetIntResult(result, 0);
  const Text path = TextArgAt(count, args, 0);
  const Text accessList = TextArgAt(count, args, 1);
  if (path == nullptr || accessList == nullptr) return;
  if (CreateFolderWithAccess(path, accessList)) {
    SetIntResult(result, kFolderCreated);
    return;
  }
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
      ApplyFolderAccess(path, accessList)) {
    SetIntResult(result, kFolderProtected);
  }
}

void IsTrustedFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const Text path = TextArgAt(count, args, 0);
  SetBoolResult(result, path != nullptr && IsTrustedFolder(path));
}

}  // namespace vl
