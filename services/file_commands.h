#pragma once
// The file-system commands. Each writes a boolean result, shows nothing and keeps nothing
// between calls; a refusal of the operating system is simply false, and so is a path that cannot
// be converted to UTF-16 (runtime/text_boundary.h), which touches nothing.
#include "runtime/command_call.h"

namespace vl {

// Only read-only, hidden, system and archive can be set through ChangeFileAttributes.
inline constexpr unsigned kSettableAttributeMask = 39;

// MakeDirectory(path: text) -> bool: true if the directory was created; false when its parent
// is missing or it already exists (then it stays unchanged). Only the last component is made.
void MakeDirectoryCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// WriteBytesToFile(path: text, byte set...) -> bool: writes the file whole, each byte set in
// argument order with one write straight from its block, no sharing while open. A missing file
// is written in place; an existing one is replaced by a new file written beside it (the
// replacement name) and moved over it in one step, so that a link or a second name of the old
// file is replaced rather than written through; a hidden, system or read-only file that refuses
// to be replaced has those attributes cleared first. False for an empty path (nothing touched),
// and when the file could not be written whole: then an existing file keeps its content and a new
// one does not exist.
void WriteBytesToFileCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// ChangeFileAttributes(path: text, codes: int) -> bool: sets the file's attributes to
// codes & 39, replacing the settable ones as a whole (0 clears them); false if refused.
void ChangeFileAttributesCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// ProtectFolder(path: text, access list: text, holds the installation: bool opt) -> int: makes
// `path` a folder with the access list (a DACL in SDDL, see ApplyFolderAccess in
// access_control.h). kFolderCreated when it created the folder with the list from its first
// moment, kFolderProtected when the folder was there and has been given the list, 0 when neither
// (something else is in the way, the system refused, or a link stands there that may not be gone
// through).
inline constexpr int kFolderCreated = 1;
inline constexpr int kFolderProtected = 2;
void ProtectFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// IsTrustedFolder(path: text, link allowed: bool opt) -> bool: whether an administrator may write
// into `path` without another account deciding where the writes go (IsTrustedFolder in
// access_control.h); true when nothing is there.
void IsTrustedFolderCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
