#pragma once
// An installation's tree that was there before this run, read before the administrators' access
// list is given to it. Files a user owns (planted while the tree lay under a looser root) would
// keep their owner's right to rewrite their access lists, and entries of their own would survive
// the list carried down from the product folder: both are found here, and nothing is ever gone
// through a junction or symbolic link.
#include <span>

#include "runtime/text_value.h"

namespace vl {

// Walks every file and folder below `root` (ending in a separator) + `productFolder`, but not
// into `keptFolders` (texts relative to `root`: folders whose lists and contents are the users'
// own), each opened without following a link. Every item must belong to SYSTEM, Administrators,
// TrustedInstaller or the user running this program; with `inheritOnly` each is then left only
// the access entries it inherits (InheritAccessOnly). Null when every item passed, also when
// there is no product folder; otherwise a text naming the first item that did not: another
// account's, or one that could not be read or changed.
[[nodiscard]] OwnedText ForeignItemInTree(const char* root, const char* productFolder,
                                      std::span<const char* const> keptFolders, bool inheritOnly) noexcept;

}  // namespace vl
