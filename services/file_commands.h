#pragma once
// The file-system commands. Each writes a boolean result, shows nothing and keeps nothing
// between calls; a refusal of the operating system is simply false.
#include "runtime/command_call.h"

namespace vl {

// Only read-only, hidden, system and archive can be set through ChangeFileAttributes.
inline constexpr unsigned kSettableAttributeMask = 39;

// MakeDirectory(path: text) -> bool: true if the directory was created; false when its parent
// is missing or it already exists (then it stays unchanged). Only the last component is made.
void MakeDirectoryCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// WriteBytesToFile(path: text, byte set...) -> bool: creates or truncates the file (no sharing
// while open) and writes each byte set in argument order, each with one write straight from its
// block. False for an empty path (nothing touched), a failed open (nothing created), or a failed
// write or close (the part already written stays on disk).
void WriteBytesToFileCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// ChangeFileAttributes(path: text, codes: int) -> bool: sets the file's attributes to
// codes & 39, replacing the settable ones as a whole (0 clears them); false if refused.
void ChangeFileAttributesCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
