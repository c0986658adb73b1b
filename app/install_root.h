#pragma once
// The check every install root passes, typed on LocationPage or given with /D=.
#include "runtime/frame.h"

namespace vl::installer {

// The root the installation builds on, from what was typed: absolute, an existing folder, one
// separator at its end, its product tree made sound (product_tree.h). Null when it is refused,
// with `refusal` set to the text that tells the user why, or null when the user was asked whether
// to install where other accounts could change the installation and said no (silent: without
// /ALLOWUNPROTECTED).
char* AcceptInstallRoot(Text typed, Text* refusal) noexcept;

}  // namespace vl::installer
