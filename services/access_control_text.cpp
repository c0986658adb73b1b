// The access-control functions for the system's own texts, which cross as UTF-16. They live apart
// from the wide ones so that a program holding its paths in UTF-16 does not take in the text
// boundary and the runtime memory it allocates from.
#include "access_control.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"

namespace vl {

bool CreateFolderWithAccess(const char* path, const char* accessList) noexcept {
  const WideText widePath(NonNullText(path));
  const WideText wideList(NonNullText(accessList));
  return widePath.Valid() && wideList.Valid() && CreateFolderWithAccess(widePath.Get(), wideList.Get());
}

bool ApplyFolderAccess(const char* path, const char* accessList, bool holdsInstallation) noexcept {
  const WideText widePath(NonNullText(path));
  const WideText wideList(NonNullText(accessList));
  return widePath.Valid() && wideList.Valid() && ApplyFolderAccess(widePath.Get(), wideList.Get(), holdsInstallation);
}

RootVerdict JudgeInstallRoot(const char* root) noexcept {
  const WideText wideRoot(NonNullText(root));
  return wideRoot.Valid() ? JudgeInstallRoot(wideRoot.Get()) : RootVerdict::kForeign;
}

bool IsTrustedFolder(const char* path, bool linkAllowed) noexcept {
  const WideText widePath(NonNullText(path));
  return widePath.Valid() && IsTrustedFolder(widePath.Get(), linkAllowed);
}

}  // namespace vl
