#pragma once
// Shell link (.lnk) files through the shell's link object.
#include <optional>
#include <string>

#include "runtime/command_call.h"

namespace vl {

// The name under which a link is saved, as UTF-16 through the ANSI code page: ".lnk" is appended
// when the name has no full stop anywhere (in any path component). Nothing for an empty name, a
// name that cannot be converted, or one that would exceed MAX_PATH - 1 bytes with ".lnk".
std::optional<std::wstring> LinkFileName(Text name);

// CreateShortCut(link file: text, target: text, description: text opt, arguments: text opt,
// working folder: text opt) -> bool: saves a link to the target, unchanged (a web address too),
// shown normally, with the description when present; arguments and working folder are looked at
// only when all five slots are passed. True if the link file was saved; an existing one is
// overwritten. COM must be initialised on the thread.
void CreateShortCutCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
