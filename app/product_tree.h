#pragma once
// The product's folder tree under an install root, and who may change it: the check and the
// protection that make a root sound before anything is installed, and the access lists of the
// installed folders.
#include "runtime/frame.h"

namespace vl::installer {

// Whether the catalogue's folder text `folder` holds the user's own data (every user may change
// what is in it).
bool IsUserWritable(Text folder) noexcept;

// LocationPage's last word on a root (absolute, ending in a backslash). False, with nothing
// written, when a folder of the tree belongs to another account or is a link an administrator did
// not make (none is accepted where a user-writable folder belongs), or when an item below the
// product folder (not in the users' own folders) belongs to another account: then
// `foreignItem` receives a text naming it (otherwise none). Otherwise every item below keeps
// only the access entries it inherits, the product folder is made, or given, the administrators'
// access list, and from then on no one else can change the tree; a product folder that was there
// is checked once more after that, since something could have been slipped in between. True
// also when the product folder cannot be made at all (something else is in the way): the
// installation then reports what it could not write. A product folder it made is recorded in
// ProductFolderMade.
bool MakeProductTreeSound(Text root, OwnedText& foreignItem) noexcept;

}  // namespace vl::installer
