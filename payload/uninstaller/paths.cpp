#include "paths.h"

#include <windows.h>

namespace vl::uninstall {
namespace {

// Position of the last backslash that is a character of its own; npos when there is none.
std::size_t LastBackslash(const std::string& path) {
  std::size_t last = std::string::npos;
  for (const char* at = path.c_str(); *at != '\0'; at = CharNextA(at)) {
    if (*at == '\\') last = static_cast<std::size_t>(at - path.c_str());
  }
  return last;
}

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
         CSTR_EQUAL;
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

std::string NormalPath(const std::string& path) {
  char full[MAX_PATH * 2];
  const DWORD fullLength = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  if (fullLength == 0 || fullLength >= sizeof full) return path;
  char longForm[MAX_PATH * 2];
  const DWORD longLength = GetLongPathNameA(full, longForm, sizeof longForm);
  if (longLength == 0 || longLength >= sizeof longForm) return full;
  return longForm;
}

bool SamePath(const std::string& a, const std::string& b) {
  return SameText(a, b) || SameText(NormalPath(a), NormalPath(b));
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  // Walk up from the path, one component at a time, so that only whole components are compared.
  std::string above = FolderOf(NormalPath(path));
  const std::string wanted = NormalPath(folder);
  while (!above.empty()) {
    if (SameText(above, wanted)) return true;
    const std::string next = FolderOf(above);
    if (next.size() >= above.size()) break;
    above = next;
  }
  return false;
}

}  // namespace vl::uninstall
