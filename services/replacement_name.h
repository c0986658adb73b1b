#pragma once
// The name under which WriteBytesToFile writes the new content of an existing file before it
// moves it over the old one: the file's own name with this ending, in the same folder. The
// uninstaller removes what an interrupted installation may have left under it.
namespace vl {

inline constexpr char kReplacementSuffix[] = ".vlnew";
// The name an installation moves a file it replaces to, until the replacement is in place.
inline constexpr char kBackupSuffix[] = ".vlold";

}  // namespace vl
