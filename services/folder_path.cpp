#include "folder_path.h"

#include <windows.h>

#include <string>

#include "runtime/text_value.h"

namespace vl {
namespace {

// GetFullPathNameA with a buffer as long as it asks for; empty when it fails.
std::string FullPathName(Text path) {
  std::string full(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = GetFullPathNameA(path, static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.resize(n + 1);
  }
  return {};
}

bool IsExistingFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void GetFullFolderPathCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const Text path = AsText(ArgAt(count, args, 0)).value_or(nullptr);
  std::string full = IsEmptyText(path) ? std::string() : FullPathName(path);
  if (full.empty() || !IsExistingFolder(full)) {
    SetTextResult(result, CopyText(nullptr));
    return;
  }
  // Exactly one separator at the end, whatever was typed; the scan skips the second byte of a
  // double-byte character, which may equal a backslash.
  while (!full.empty() && FindLastBackslash(full.c_str()) == full.c_str() + full.size() - 1) full.pop_back();
  full += '\\';
  SetTextResult(result, CopyTextBytes(full.data(), full.size()));
}

}  // namespace vl
