#pragma once
// Who may change a folder: the access lists the installation gives the folders it writes, and the
// owner checks made before anything is written into a folder that was there already. An
// elevated program that writes, deletes, changes access lists or starts programs in a folder
// another account controls does that account's bidding, so the answers here are conservative:
// what cannot be read counts as not trusted, and nothing goes through a junction or symbolic link
// unless the caller allows it and an administrator made both ends.
//
// Access lists are texts in the system's security descriptor language (SDDL) holding a DACL
// only, for example "D:PAI(A;OICI;FA;;;SY)". Each function takes its texts either as UTF-16 or
// as the system's own texts, which are converted first: one that cannot be converted is a false
// result like any other refusal.
namespace vl {

// Creates the folder `path` with the access list from its first moment, so that no other
// program can open it in between; inheritable entries of the parent join the list unless it is
// protected ("D:P..."). False when the folder exists already (it is never taken over), the list
// cannot be read, or the system refuses.
[[nodiscard]] bool CreateFolderWithAccess(const wchar_t* path, const wchar_t* accessList) noexcept;
[[nodiscard]] bool CreateFolderWithAccess(const char* path, const char* accessList) noexcept;

// Gives the existing folder `path` the access list: a protected list replaces whatever the
// folder inherited, any other joins the entries inherited from the parent. A folder that
// `holdsInstallation` has the list carried down to everything below it, and may be a junction or
// symbolic link that an administrator made to a folder an administrator owns (then the target
// gets the list); any other folder gets the list itself alone (what it holds is the user's) and is
// never gone through when it is a link. True when the system refuses on a volume that keeps no
// access lists; false when the list cannot be read, `path` is not a folder or a link that may be
// gone through, or the system refuses otherwise.
[[nodiscard]] bool ApplyFolderAccess(const wchar_t* path, const wchar_t* accessList, bool holdsInstallation) noexcept;
[[nodiscard]] bool ApplyFolderAccess(const char* path, const char* accessList, bool holdsInstallation) noexcept;

// Whether an administrator may write into `path` without another account deciding where the
// writes go: true when nothing is there, on a volume without access lists, and for an item owned
// by SYSTEM, Administrators, TrustedInstaller or the user running this program (a standard user
// who owns a folder may rewrite its access list at any time). A junction or symbolic link is
// trusted only with `linkAllowed`, and then only when both it and its target are owned by
// SYSTEM, Administrators or TrustedInstaller. False when the owner cannot be read.
[[nodiscard]] bool IsTrustedFolder(const wchar_t* path, bool linkAllowed) noexcept;

// What installing under `root` (an absolute path) would risk, judged on the root and each folder
// above it up to its drive's root, each opened without following a link:
enum class RootVerdict {
  kSafe,
  // a folder is a link that no administrator made, or belongs to another account: refused
  kForeign,
  // another account may delete or rename a folder or what it holds, or change its access list
  kUnprotected,
  // the volume keeps no access lists (FAT32, exFAT): anyone may change what is installed
  kNoAccessLists,
  // a network folder: its server decides who may change it
  kNetwork,
};
[[nodiscard]] RootVerdict JudgeInstallRoot(const wchar_t* root) noexcept;
[[nodiscard]] RootVerdict JudgeInstallRoot(const char* root) noexcept;

// Whether SYSTEM, Administrators or TrustedInstaller owns the open item (`item`, a HANDLE opened
// with READ_CONTROL) or, with `userToo`, the user running this program; false when its owner
// cannot be read.
[[nodiscard]] bool OwnerIsTrusted(void* item, bool userToo) noexcept;

// The attributes of the open item (a HANDLE), as they stand on it rather than on its path (a link
// there now is seen); 0 when they cannot be read.
[[nodiscard]] unsigned long AttributesOf(void* item) noexcept;

// Leaves the open item (a HANDLE opened with READ_CONTROL and WRITE_DAC) only the access entries
// it inherits from its folder: entries of its own go, and a list kept from inheriting inherits
// again. True when it had none of its own or they are gone, and on a volume that keeps no access
// lists.
[[nodiscard]] bool InheritAccessOnly(void* item) noexcept;

// True when the program runs as LocalSystem, as deployment tools run installers: it has no user
// of its own, so what it makes for users goes where every user sees it.
[[nodiscard]] bool RunningAsLocalSystem() noexcept;

// True when the desktop the program runs on belongs to another account than the program's (the
// owner of the shell's process): a standard user's elevation answered with an administrator's
// password. What the program makes for its user then goes where every user sees it, the desktop's
// user among them. False when there is no shell or its owner cannot be read.
[[nodiscard]] bool DesktopOfAnotherAccount() noexcept;
[[nodiscard]] bool IsTrustedFolder(const char* path, bool linkAllowed) noexcept;

}  // namespace vl
