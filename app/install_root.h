#pragma once
// The check every install root passes, typed on LocationPage or given with /D=.
#include "runtime/frame.h"

namespace vl::installer {

// Why a root was refused: the text that tells the user why (empty when the user was asked whether
// to install where other accounts could change the installation and said no; silent: without
// /ALLOWUNPROTECTED), and the item of an existing tree that belongs to another account, when one
// does.
struct RootRefusal {
  Text reason = nullptr;
  OwnedText item;
};

// The root the installation builds on, from what was typed: absolute, an existing folder, one
// separator at its end, its product tree made sound (product_tree.h). None when it is refused,
// with `refusal` saying why.
OwnedText AcceptInstallRoot(Text typed, RootRefusal& refusal) noexcept;

}  // namespace vl::installer
