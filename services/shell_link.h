#pragma once
// Shell link (.lnk) files through the shell's link object.
#include "runtime/command_call.h"

namespace vl {

// CreateShortCut(link file: text, target: text, description: text opt, arguments: text opt,
// working folder: text opt) -> bool: saves a link to the target, unchanged (a web address too),
// shown normally, with the description when present; arguments and working folder are looked at
// only when all five slots are passed. ".lnk" is appended to the link file's name when it has no
// full stop anywhere (in any path component). True if the link file was saved; an existing one is
// overwritten. False, with nothing saved, for an empty name, a name of MAX_PATH UTF-16 units or
// more, and a text that cannot be converted. COM must be initialised on the thread.
void CreateShortCutCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
