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

// Saves at `link` (a full path with its ".lnk") a shortcut that opens the web `address` in the
// default browser on every Windows: the system's explorer.exe, from the Windows folder the system
// names, with the address as its argument (a link whose path is an address opens nothing on some
// systems), and the icon the system shows web addresses with (the default browser's, or its own).
// True if the link file was saved. COM must be initialised on the thread.
[[nodiscard]] bool SaveWebLink(Text link, Text address) noexcept;

}  // namespace vl
