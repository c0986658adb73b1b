#pragma once
// The install root in a sound form: absolute, an existing folder, one separator at its end.
#include "runtime/command_call.h"

namespace vl {

// GetFullFolderPath(path: text) -> text: the absolute path of the folder `path` names (a
// relative path is taken against the current folder), ending in exactly one backslash; the
// empty text when the path cannot be resolved or converted, or does not name an existing folder.
void GetFullFolderPathCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
