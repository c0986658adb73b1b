#include "access_control.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstring>

#include "runtime/unique_handle.h"

namespace vl {
namespace {

// The owners that only an administrator can give a file: SYSTEM, Administrators and
// TrustedInstaller (the service that owns the system's own files).
constexpr const char* kAdministrativeOwners[] = {
    "S-1-5-18",
    "S-1-5-32-544",
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
};

// An access list read into a security descriptor; empty when the text is not one.
UniqueLocalMemory ReadAccessList(const char* accessList) noexcept {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(accessList, SDDL_REVISION_1, &descriptor, nullptr)) {
    return {};
  }
  return UniqueLocalMemory(descriptor);
}

bool IsAdministrativeOwner(PSID owner) noexcept {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(owner, &text)) return false;
  const UniqueLocalMemory held(text);
  for (const char* trusted : kAdministrativeOwners) {
    if (std::strcmp(text, trusted) == 0) return true;
  }
  return false;
}

bool IsRunningUser(PSID owner) noexcept {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
  const UniqueKernelHandle token(raw);
  union {
    TOKEN_USER user;
    unsigned char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } buffer;
  DWORD size = sizeof buffer;
  return GetTokenInformation(token.Get(), TokenUser, &buffer, size, &size) && EqualSid(owner, buffer.user.User.Sid);
}

// Whether the owner of `path` is administrative (or, with `userToo`, the running user). With
// `ofLink` a junction or symbolic link itself is asked, otherwise what it leads to.
bool OwnerIsTrusted(const char* path, bool ofLink, bool userToo) noexcept {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (ofLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const UniqueFile item(CreateFileA(path, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, flags, nullptr));
  if (!item) return false;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(item.Get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const UniqueLocalMemory held(descriptor);
  return IsAdministrativeOwner(owner) || (userToo && IsRunningUser(owner));
}

}  // namespace

bool VolumeKeepsAccessLists(const char* path) noexcept {
  char volume[MAX_PATH + 1] = {};
  DWORD flags = 0;
  return GetVolumePathNameA(path, volume, MAX_PATH) &&
         GetVolumeInformationA(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_PERSISTENT_ACLS) != 0;
}

bool CreateFolderWithAccess(const char* path, const char* accessList) noexcept {
  const UniqueLocalMemory descriptor = ReadAccessList(accessList);
  if (!descriptor) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
  return CreateDirectoryA(path, &attributes) != FALSE;
}

bool ApplyFolderAccess(const char* path, const char* accessList) noexcept {
  if (!VolumeKeepsAccessLists(path)) return true;
  const UniqueLocalMemory descriptor = ReadAccessList(accessList);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  if (!descriptor || !GetSecurityDescriptorDacl(descriptor.Get(), &present, &list, &defaulted) || !present) {
    return false;
  }
  // The list's flags follow "D:"; P marks it protected.
  const bool isProtected = std::strncmp(accessList, "D:P", 3) == 0;
  const SECURITY_INFORMATION what =
      DACL_SECURITY_INFORMATION | (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
  return SetNamedSecurityInfoA(const_cast<char*>(path), SE_FILE_OBJECT, what, nullptr, nullptr, list, nullptr) ==
         ERROR_SUCCESS;
}

bool IsTrustedFolder(const char* path) noexcept {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  if (!VolumeKeepsAccessLists(path)) return true;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link an administrator made (a program folder moved to another drive) leads where an
    // administrator chose; any other leads where its owner likes.
    return OwnerIsTrusted(path, true, false) && OwnerIsTrusted(path, false, false);
  }
  return OwnerIsTrusted(path, false, true);
}

}  // namespace vl
