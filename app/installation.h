#pragma once
// The installation's view of the product folder's tree, for the check on LocationPage and the
// installation itself.
#include "runtime/frame.h"

namespace vl::installer {

// Whether every folder of the product's tree under `root` (a root ending in a backslash) is
// missing or may be written into by an administrator without another account deciding where
// the writes go (IsTrustedFolder).
bool IsProductTreeTrusted(Text root) noexcept;

}  // namespace vl::installer
