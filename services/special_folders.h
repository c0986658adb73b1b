#pragma once
// The special folders that GetSpecialFolderPath knows, by code, with the names of the constants
// that stand for the codes in programs.
#include <cstdint>
#include <span>

#include "runtime/command_call.h"

namespace vl {

struct SpecialFolder {
  std::int32_t code;
  Text constantName;
  int csidl;  // the shell's folder id for codes 1 to 8, 12 and 13; -1 for the folders the system names itself
};

// Codes 1 to 13 in order; 12 and 13 are every user's desktop and Programs folders.
std::span<const SpecialFolder> SpecialFolders() noexcept;

// GetSpecialFolderPath(code: int) -> text: the folder's path ending in one backslash (appended
// unless its last character already is one); the empty text for an unknown code, when the system
// does not name the folder, or when its path cannot be converted. Never creates a folder.
void GetSpecialFolderPathCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
