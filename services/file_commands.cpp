#include "file_commands.h"

#include <windows.h>

#include "runtime/byte_set.h"
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

  UniqueFile file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;

  for (int i = 1; i < count; ++i) {
    // Anything but a byte set (an omitted slot included) carries no bytes for the file.
    const auto block = AsByteSet(args[i]);
    if (!block) continue;
    const std::span<const std::uint8_t> bytes = ByteSetData(*block);
    if (bytes.empty()) continue;
    if (!WriteAll(file.Get(), bytes)) return;  // the handle closes; the partial file stays
  }
  SetBoolResult(result, CloseHandle(file.Release()) != FALSE);
}

void ChangeFileAttributesCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text path = TextArgAt(count, args, 0);
  const auto codes = AsInt(ArgAt(count, args, 1));
  if (path == nullptr || !codes) return;
  const DWORD attributes = static_cast<DWORD>(*codes) & kSettableAttributeMask;
  SetBoolResult(result, SetFileAttributesA(path, attributes) != FALSE);
}

}  // namespace vl
