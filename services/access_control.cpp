#include "access_control.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <iterator>

#include "runtime/unique_handle.h"

namespace vl {
namespace {

// A security identifier laid out as the system keeps one: revision, count of sub-authorities,
// the big-endian identifier authority, then the sub-authorities.
struct StoredSid {
  BYTE revision;
  BYTE count;
  BYTE authority[6];
  DWORD subAuthorities[6];
};

// The owners that only an administrator can give a file: SYSTEM (S-1-5-18), Administrators
// (S-1-5-32-544) and TrustedInstaller, the service that owns the system's own files.
constexpr StoredSid kAdministrativeOwners[] = {
    {1, 1, {0, 0, 0, 0, 0, 5}, {18}},
    {1, 2, {0, 0, 0, 0, 0, 5}, {32, 544}},
    {1, 6, {0, 0, 0, 0, 0, 5}, {80, 956008885, 3418522649, 1831038044, 1853292631, 2271478464}},
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// An access list read into a security descriptor; empty when the text is not one.
UniqueLocalMemory ReadAccessList(const wchar_t* accessList) noexcept {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(accessList, SDDL_REVISION_1, &descriptor, nullptr)) {
    return {};
  }
  return UniqueLocalMemory(descriptor);
}

union TokenUserBuffer {
  TOKEN_USER user;
  unsigned char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};

// The account `process` runs as; false when its token cannot be read.
bool ReadProcessUser(HANDLE process, TokenUserBuffer& buffer) noexcept {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return false;
  const UniqueKernelHandle token(raw);
  DWORD size = sizeof buffer;
  return GetTokenInformation(token.Get(), TokenUser, &buffer, size, &size) != FALSE;
}

// The account the program runs as; false when its token cannot be read.
bool ReadRunningUser(TokenUserBuffer& buffer) noexcept { return ReadProcessUser(GetCurrentProcess(), buffer); }

bool IsRunningUser(PSID owner) noexcept {
  TokenUserBuffer buffer;
  return ReadRunningUser(buffer) && EqualSid(owner, buffer.user.User.Sid);
}

// Whether `account` is SYSTEM, Administrators or TrustedInstaller, or with `userToo` the user
// running this program.
bool IsTrustedAccount(PSID account, bool userToo) noexcept {
  for (const StoredSid& trusted : kAdministrativeOwners) {
    if (EqualSid(account, const_cast<StoredSid*>(&trusted))) return true;
  }
  return userToo && IsRunningUser(account);
}

// What the open item's security descriptor says of `what`, in `owner` or `list`; empty when it
// cannot be read.
UniqueLocalMemory ReadSecurity(HANDLE item, SECURITY_INFORMATION what, PSID* owner, PACL* list) noexcept {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  return UniqueLocalMemory(
      GetSecurityInfo(item, SE_FILE_OBJECT, what, owner, nullptr, list, nullptr, &descriptor) == ERROR_SUCCESS
          ? descriptor
          : nullptr);
}

// The folder or file `path` opened with `access`; with `ofLink` a junction or symbolic link
// itself, otherwise what it leads to.
UniqueFile Open(const wchar_t* path, DWORD access, bool ofLink) noexcept {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (ofLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  return UniqueFile(CreateFileW(path, access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
}

}  // namespace

bool OwnerIsTrusted(HANDLE item, bool userToo) noexcept {
  PSID owner = nullptr;
  const UniqueLocalMemory descriptor = ReadSecurity(item, OWNER_SECURITY_INFORMATION, &owner, nullptr);
  return descriptor && IsTrustedAccount(owner, userToo);
}

DWORD AttributesOf(HANDLE item) noexcept {
  FILE_ATTRIBUTE_TAG_INFO information;
  return GetFileInformationByHandleEx(item, FileAttributeTagInfo, &information, sizeof information)
             ? information.FileAttributes
             : 0;
}

namespace {

// The folder or file at `path`, opened with `access` and READ_CONTROL, never through a junction
// or symbolic link but one that `throughTrustedLink` allows and that an administrator made to
// something an administrator owns (a program folder moved to another drive); any other leads
// where its owner likes. Empty when nothing can be opened there, or when a link stands there that
// may not be gone through; `link` tells whether a link stood there, `attributes` what the path
// showed. The owners are checked on the open items, so that a link changed in between cannot pass.
UniqueFile OpenItem(const wchar_t* path, DWORD access, bool throughTrustedLink, bool& link,
                    DWORD& attributes) noexcept {
  access |= READ_CONTROL;
  attributes = GetFileAttributesW(path);
  link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  UniqueFile item = Open(path, access, true);
  // Without a way through, the item opened is what stands there, a link made in between
  // included: nothing goes through it. With one, the item itself is asked again.
  if (item && !link && throughTrustedLink) link = (AttributesOf(item.Get()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!item || !link) return item;
  if (!throughTrustedLink || !OwnerIsTrusted(item.Get(), false)) return {};
  UniqueFile target = Open(path, access, false);
  if (!target || !OwnerIsTrusted(target.Get(), false)) return {};
  return target;
}

// Whether the volume of the open item keeps access lists (NTFS does; FAT32 and exFAT do not).
// Asking is slow on some systems: only an answer that would otherwise be no makes it worth it.
bool VolumeKeepsAccessLists(HANDLE item) noexcept {
  DWORD flags = 0;
  return GetVolumeInformationByHandleW(item, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_PERSISTENT_ACLS) != 0;
}

}  // namespace

bool RunningAsLocalSystem() noexcept {
  TokenUserBuffer buffer;
  return ReadRunningUser(buffer) && IsWellKnownSid(buffer.user.User.Sid, WinLocalSystemSid);
}

bool DesktopOfAnotherAccount() noexcept {
  DWORD shellProcess = 0;
  const HWND shell = GetShellWindow();
  if (shell == nullptr || GetWindowThreadProcessId(shell, &shellProcess) == 0) return false;
  const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcess));
  TokenUserBuffer desktopUser;
  return process && ReadProcessUser(process.Get(), desktopUser) && !IsRunningUser(desktopUser.user.User.Sid);
}

bool CreateFolderWithAccess(const wchar_t* path, const wchar_t* accessList) noexcept {
  const UniqueLocalMemory descriptor = ReadAccessList(accessList);
  if (!descriptor) return false;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.Get(), FALSE};
  return CreateDirectoryW(path, &attributes) != FALSE;
}

bool ApplyFolderAccess(const wchar_t* path, const wchar_t* accessList, bool holdsInstallation) noexcept {
  // The list is applied to the folder held open, never to whatever the path names a moment later.
  bool link = false;
  DWORD attributes = 0;
  const UniqueFile folder = OpenItem(path, WRITE_DAC, holdsInstallation, link, attributes);
  if (!folder) return false;
  // Gone through a link, the target's own attributes count.
  if (link) attributes = AttributesOf(folder.Get());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
  const UniqueLocalMemory descriptor = ReadAccessList(accessList);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL list = nullptr;
  if (!descriptor || !GetSecurityDescriptorDacl(descriptor.Get(), &present, &list, &defaulted) || !present) {
    return false;
  }
  // The list's flags follow "D:"; P marks it protected.
  const bool isProtected = accessList[0] == L'D' && accessList[1] == L':' && accessList[2] == L'P';
  const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | (isProtected ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                            : UNPROTECTED_DACL_SECURITY_INFORMATION);
  // Carrying the list down visits everything below, which for the user's own data may be a great
  // deal and is theirs to arrange.
  const bool applied =
      holdsInstallation
          ? SetSecurityInfo(folder.Get(), SE_FILE_OBJECT, what, nullptr, nullptr, list, nullptr) == ERROR_SUCCESS
          : SetKernelObjectSecurity(folder.Get(), what, descriptor.Get()) != FALSE;
  return applied || !VolumeKeepsAccessLists(folder.Get());
}

bool InheritAccessOnly(HANDLE item) noexcept {
  PACL list = nullptr;
  const UniqueLocalMemory descriptor = ReadSecurity(item, DACL_SECURITY_INFORMATION, nullptr, &list);
  if (!descriptor) return false;
  // The control word stands at the same place in every form of a descriptor.
  const auto control = static_cast<SECURITY_DESCRIPTOR_RELATIVE*>(descriptor.Get())->Control;
  bool ownEntries = list == nullptr || (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; !ownEntries && i < list->AceCount; ++i) {
    void* entry = nullptr;
    ownEntries = !GetAce(list, i, &entry) || (static_cast<ACE_HEADER*>(entry)->AceFlags & INHERITED_ACE) == 0;
  }
  // An empty list that inherits: what the folder passes down is all it keeps.
  ACL empty = {ACL_REVISION, 0, sizeof(ACL), 0, 0};
  return !ownEntries ||
         SetSecurityInfo(item, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                         nullptr, nullptr, &empty, nullptr) == ERROR_SUCCESS ||
         !VolumeKeepsAccessLists(item);
}

namespace {

// CREATOR OWNER (S-1-3-0): an entry for it applies to whoever creates something below, not to the
// folder itself.
constexpr StoredSid kCreatorOwner = {1, 1, {0, 0, 0, 0, 0, 3}, {0}};

// Whether the open folder's access list lets an account other than the administrative ones,
// CREATOR OWNER and the running user delete or rename it or what it holds, or change who may.
// Entries that only pass down to what is below do not count; a folder without a list lets
// everyone do everything.
bool LetsOthersRemove(HANDLE folder) noexcept {
  PACL list = nullptr;
  const UniqueLocalMemory descriptor = ReadSecurity(folder, DACL_SECURITY_INFORMATION, nullptr, &list);
  if (!descriptor || list == nullptr) return true;
  constexpr DWORD kRemoving = DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(list, i, &entry)) return true;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (allowed->Header.AceFlags & INHERIT_ONLY_ACE) != 0 ||
        (allowed->Mask & kRemoving) == 0) {
      continue;
    }
    const PSID who = const_cast<DWORD*>(&allowed->SidStart);
    if (!EqualSid(who, const_cast<StoredSid*>(&kCreatorOwner)) && !IsTrustedAccount(who, true)) return true;
  }
  return false;
}

}  // namespace

RootVerdict JudgeInstallRoot(const wchar_t* root) noexcept {
  // A network root: the server decides who may change it.
  const wchar_t drive[] = {root[0], L':', L'\\', L'\0'};
  if ((root[0] == L'\\' && root[1] == L'\\') || GetDriveTypeW(drive) == DRIVE_REMOTE) return RootVerdict::kNetwork;
  wchar_t path[1024];
  std::size_t length = 0;
  while (root[length] != L'\0' && length + 1 < std::size(path)) path[length] = root[length], ++length;
  if (root[length] != L'\0' || length < 3) return RootVerdict::kForeign;
  RootVerdict verdict = RootVerdict::kSafe;
  for (;;) {
    // A folder, not a drive's root, is named without the separator that ends it.
    if (length > 3 && path[length - 1] == L'\\') --length;
    path[length] = L'\0';
    const UniqueFile folder = Open(path, READ_CONTROL, true);
    if (!folder) return RootVerdict::kForeign;
    if (!VolumeKeepsAccessLists(folder.Get())) return RootVerdict::kNoAccessLists;
    // A link leads where its owner likes: only one an administrator made is gone through. Asked of
    // the path too, as some systems tell only that (an unreadable path reads as all attributes).
    const bool link = ((AttributesOf(folder.Get()) | GetFileAttributesW(path)) & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!OwnerIsTrusted(folder.Get(), !link)) return RootVerdict::kForeign;
    if (LetsOthersRemove(folder.Get())) verdict = RootVerdict::kUnprotected;
    if (length <= 3) return verdict;
    while (length > 3 && path[length - 1] != L'\\') --length;
  }
}

bool IsTrustedFolder(const wchar_t* path, bool linkAllowed) noexcept {
  bool link = false;
  DWORD attributes = 0;
  const UniqueFile item = OpenItem(path, 0, linkAllowed, link, attributes);
  if (!item) {
    const DWORD error = GetLastError();
    return !link && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
  }
  // A volume without access lists has no owners to trust (and no links).
  return link || OwnerIsTrusted(item.Get(), true) || !VolumeKeepsAccessLists(item.Get());
}

}  // namespace vl
