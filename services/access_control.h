#pragma once
// Who may change a folder: the access lists the installation gives the folders it writes, and the
// owner checks made before anything is written into a folder that was there already. An
// elevated program that writes, deletes or starts programs in a folder another account controls
// does that account's bidding, so the answers here are conservative: what cannot be read counts
// as not trusted.
//
// Access lists are texts in the system's security descriptor language (SDDL) holding a DACL
// only, for example "D:PAI(A;OICI;FA;;;SY)".
namespace vl {

// Whether the volume holding `path` keeps access lists (NTFS does; FAT32 and exFAT do not).
// False when the volume cannot be asked.
[[nodiscard]] bool VolumeKeepsAccessLists(const char* path) noexcept;

// Creates the folder `path` with the access list from its first moment, so that no other
// program can open it in between; inheritable entries of the parent join the list unless it is
// protected ("D:P..."). False when the folder exists already (it is never taken over), the list
// cannot be read, or the system refuses.
[[nodiscard]] bool CreateFolderWithAccess(const char* path, const char* accessList) noexcept;

// Gives the existing folder `path` the access list: a protected list replaces whatever the
// folder inherited, any other joins the entries inherited from the parent; the system carries
// the inheritable entries down to everything below. True without change on a volume that keeps
// no access lists; false when the list cannot be read or the system refuses.
[[nodiscard]] bool ApplyFolderAccess(const char* path, const char* accessList) noexcept;

// Whether an administrator may write into `path` without another account deciding where the
// writes go: true when nothing is there, on a volume without access lists, and for an item owned
// by SYSTEM, Administrators, TrustedInstaller or the user running this program (a standard user
// who owns a folder may rewrite its access list at any time). A junction or symbolic link is
// trusted only when both it and its target are owned by SYSTEM, Administrators or
// TrustedInstaller. False when the owner cannot be read.
[[nodiscard]] bool IsTrustedFolder(const char* path) noexcept;

}  // namespace vl
