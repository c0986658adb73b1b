#include "product_tree.h"

#include "globals.h"

#include "app_texts.h"
#include "handler_support.h"
#include "libraries/libraries.h"
#include "payload/catalogue.h"
#include "services/file_commands.h"
#include "services/installed_tree.h"
#include "services/machine_pass.h"

namespace vl::installer {
namespace {

// Every folder of the tree is missing or may be written into by an administrator without
// another account deciding where the writes go. Any user may turn an empty folder they can write
// into a junction, which keeps the folder's owner: where a user-writable folder belongs, no link
// is accepted, whoever owns it.
bool IsProductTreeTrusted(Text root) noexcept {
  for (Text folder : payload::Folders()) {
    const OwnedText path = ConcatTexts({root, folder});
    const bool trusted = BoolResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kIsTrustedFolder,
                                                       ArgList{TextArg(path.Get()), BoolArg(!IsUserWritable(folder))}));
    if (!trusted) return false;
  }
  return true;
}

// Makes `path` a folder with the access list, or gives the list to the folder there (to
// everything below it when it `holdsInstallation`); kFolderCreated, kFolderProtected or 0.
int ProtectFolder(Text path, Text accessList, bool holdsInstallation) noexcept {
  return IntResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kProtectFolder,
                                      ArgList{TextArg(path), TextArg(accessList), BoolArg(holdsInstallation)}));
}

// The first item below the product folder that another account owns, or none; with
// `inheritOnly` every item before it keeps only the access entries it inherits. The users' own
// folders keep their lists and are not gone into.
OwnedText ForeignItemBelowProduct(Text root, bool inheritOnly) noexcept {
  return ForeignItemInTree(root, payload::Folders().front(), payload::UserWritableFolders(), inheritOnly);
}

}  // namespace

bool IsUserWritable(Text folder) noexcept {
  for (Text open : payload::UserWritableFolders()) {
    if (open == folder) return true;
  }
  return false;
}

bool MakeProductTreeSound(Text root, OwnedText& foreignItem) noexcept {
  if (!IsProductTreeTrusted(root)) return false;
  // A tree that was there is read whole before anything in it changes, then stripped of the
  // entries its items have of their own, so that the list given below reaches every item.
  foreignItem = ForeignItemBelowProduct(root, false);
  if (!foreignItem) foreignItem = ForeignItemBelowProduct(root, true);
  if (foreignItem) return false;
  // The catalogue's first folder is the product folder, which holds all others.
  const OwnedText product = ConcatTexts({root, payload::Folders().front()});
  const int protection = ProtectFolder(product.Get(), kProductFolderAccess, true);
  // Held from now on: the checks below and the pass cannot be undermined by a rename.
  HoldProductFolder(product.Get());
  if (protection == kFolderCreated) return ProductFolderMade = true;
  // Read once more with the list in place: nothing slipped in before it.
  foreignItem = ForeignItemBelowProduct(root, false);
  return !foreignItem && IsProductTreeTrusted(root);
}

}  // namespace vl::installer
