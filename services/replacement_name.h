#pragma once
// The names under which a file of the product lives for a moment beside its own, in the same
// folder: its own name with one of these endings. The uninstaller removes what an interrupted
// run may have left under any of them.
namespace vl {

// WriteBytesToFile writes the new content of an existing file under this name before it moves it
// over the old one.
inline constexpr char kReplacementSuffix[] = ".vlnew";
// The installer keeps the old content of a file it replaces under this name until the new one is
// in place.
inline constexpr char kBackupSuffix[] = ".vlold";

// The uninstaller moves every file it removes to this name first, and deletes the files only once
// all of them have moved: a file that cannot be moved stops the removal before anything is gone,
// and the ones already moved go back.
inline constexpr char kRemovalSuffix[] = ".vlrm";

}  // namespace vl
