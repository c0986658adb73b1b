#pragma once
// The program's four libraries: kernel, extension UI, shell and application interface, in the
// order of the program's library table. Their command tables name the runtime's commands and the
// system services'.
#include "runtime/library_record.h"

namespace vl {

// Each library's position in the program's library table.
enum LibraryPosition : int { kKernelLibrary, kExtensionUiLibrary, kShellLibrary, kAppInterfaceLibrary, kLibraryCount };

// Positions in each library's command table: how the program's routines name the command they
// call (CallLibraryCommand, runtime/frame.h).
namespace kernel_commands {
enum Command : int {
  kShowMessageBox,
  kLoadPage,
  kClosePage,
  kMakeDirectory,
  kWriteBytesToFile,
  kChangeFileAttributes,
  kRegistryValueExists,
  kWriteRegistryValue,
  kReadRegistryText,
  kGetFullFolderPath,
  kProtectFolder,
  kIsTrustedFolder,
};
}  // namespace kernel_commands
namespace shell_commands {
enum Command : int { kBrowseForFolder, kGetSpecialFolderPath, kCreateShortCut };
}  // namespace shell_commands
namespace app_interface_commands {
enum Command : int { kGetSystemInfo };
}  // namespace app_interface_commands

// The table a program's header points at.
extern const LibraryRecord* const kLibraryTable[kLibraryCount];

// Whether a library has been told that the program started (code 1) and not yet that it ends.
bool LibraryStarted(int library) noexcept;

}  // namespace vl
