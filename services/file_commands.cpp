#include "file_commands.h"

#include <windows.h>

#include "access_control.h"
#include "pass_steps.h"
#include "replacement_name.h"
#include "sharing_retry.h"
#include "runtime/byte_set.h"
#include "runtime/memory.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "runtime/unique_handle.h"

namespace vl {
namespace {

// The text of argument `index`, or null when the caller passed something else.
Text TextArgAt(int count, const ArgRecord* args, int index) noexcept {
  const auto text = AsText(ArgAt(count, args, index));
  return text ? NonNullText(*text) : nullptr;
}

enum class Written { Whole, Existed, Failed };

// Writes every byte set among the arguments after the first, in order, into `path` as a new file;
// one that cannot be written whole is deleted again. Existed when something is there already.
Written WriteNewFile(const wchar_t* path, int count, const ArgRecord* args) noexcept {
  UniqueFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError() == ERROR_FILE_EXISTS ? Written::Existed : Written::Failed;
  bool whole = true;
  for (int i = 1; i < count && whole; ++i) {
    // Anything but a byte set (an omitted slot included) carries no bytes for the file; an empty
    // one is skipped.
    const auto block = AsByteSet(args[i]);
    const std::span<const std::uint8_t> bytes = block ? ByteSetData(*block) : std::span<const std::uint8_t>();
    if (!bytes.empty()) whole = AppendToFile(file.Get(), bytes);
  }
  if (CloseHandle(file.Release()) && whole) return Written::Whole;
  DeleteFileW(path);
  return Written::Failed;
}

// Moves `from` over the file `to` in one step. A hidden, system or read-only file may refuse to be
// replaced: then its attributes are cleared for a second try, and given back when that fails too.
bool MoveOver(const wchar_t* from, const wchar_t* to) noexcept {
  const auto move = [from, to] {
    for (const ULONGLONG start = GetTickCount64();
         !MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);) {
      if (!TryAgainWhileShared(start)) return false;
    }
    return true;
  };
  if (move()) return true;
  constexpr DWORD kBlocking = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
  const DWORD attributes = GetFileAttributesW(to);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & kBlocking) == 0 ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
      !SetFileAttributesW(to, FILE_ATTRIBUTE_NORMAL)) {
    return false;
  }
  if (move()) return true;
  SetFileAttributesW(to, attributes);
  return false;
}

}  // namespace

void MakeDirectoryCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text path = TextArgAt(count, args, 0);
  if (path == nullptr) return;
  const WideText widePath(path);
  SetBoolResult(result, widePath.Valid() && CreateDirectoryW(widePath.Get(), nullptr) != FALSE);
}

void WriteBytesToFileCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text path = TextArgAt(count, args, 0);
  if (path == nullptr || *path == '\0') return;
  const WideText widePath(path);
  if (!widePath.Valid()) return;

  const Written inPlace = WriteNewFile(widePath.Get(), count, args);
  if (inPlace != Written::Existed) {
    SetBoolResult(result, inPlace == Written::Whole);
    return;
  }
  // Something is there: write the new content beside it, then move it over in one step. A write
  // that fails leaves the old file as it was, and the move replaces the name itself, so that a
  // symbolic link or a second hard link of the old file is never written through.
  const WideText replacement(ConcatTexts({path, kReplacementSuffix}).Get());
  DeleteFileW(replacement.Get());  // what an interrupted write left
  const bool replaced =
      WriteNewFile(replacement.Get(), count, args) == Written::Whole && MoveOver(replacement.Get(), widePath.Get());
  if (!replaced) DeleteFileW(replacement.Get());
  SetBoolResult(result, replaced);
}

void ChangeFileAttributesCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text path = TextArgAt(count, args, 0);
  const auto codes = AsInt(ArgAt(count, args, 1));
  if (path == nullptr || !codes) return;
  const DWORD attributes = static_cast<DWORD>(*codes) & kSettableAttributeMask;
  const WideText widePath(path);
  SetBoolResult(result, widePath.Valid() && SetFileAttributesW(widePath.Get(), attributes) != FALSE);
}

void ProtectFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const Text path = TextArgAt(count, args, 0);
  const Text accessList = TextArgAt(count, args, 1);
  const bool holdsInstallation = AsBool(ArgAt(count, args, 2)).value_or(false);
  int outcome = 0;
  // The folder that is there is asked first: a reinstallation finds them all.
  if (path != nullptr && accessList != nullptr) {
    outcome = ApplyFolderAccess(path, accessList, holdsInstallation) ? kFolderProtected
              : CreateFolderWithAccess(path, accessList) ? kFolderCreated
                                                         : 0;
  }
  SetIntResult(result, outcome);
}

void IsTrustedFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const Text path = TextArgAt(count, args, 0);
  const bool linkAllowed = AsBool(ArgAt(count, args, 1)).value_or(false);
  SetBoolResult(result, path != nullptr && IsTrustedFolder(path, linkAllowed));
}

}  // namespace vl
