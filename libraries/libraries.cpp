#include "libraries.h"

#include "runtime/message_box.h"
#include "runtime/controls/control_kind.h"
#include "runtime/controls/page_runtime.h"
#include "runtime/runtime_object.h"
#include "runtime_texts.h"
#include "services/file_commands.h"
#include "services/folder_browser.h"
#include "services/folder_path.h"
#include "services/registry_commands.h"
#include "services/shell_link.h"
#include "services/special_folders.h"
#include "services/system_info.h"

namespace vl {
namespace {

// What each library keeps of the runtime between start and end.
struct LibraryLink {
  NotificationFunction runtime = nullptr;
};
LibraryLink g_links[kLibraryCount];

// The windows the folder picker disables while it is open: the runtime's page windows.
std::vector<HWND> PageWindows() { return TheRuntime().PageWindows(); }

template <int Library>
std::intptr_t Notify(int code, std::intptr_t arg1, std::intptr_t /*arg2*/) noexcept {
  switch (code) {
    case kLibraryStartCode:
      g_links[Library].runtime = reinterpret_cast<NotificationFunction>(arg1);
      if constexpr (Library == kShellLibrary) SetPickerDisabledWindows(&PageWindows);
      return 1;
    case kLibraryEndCode:
      g_links[Library].runtime = nullptr;
      return 1;
    default:
      return 0;
  }
}

// Kernel data types 1 to 32; the unnamed slots are kinds of the wider runtime this program does
// not carry.
const DataTypeInfo kKernelTypes[] = {
    {kWindowTypeName, &kWindowKind}, {}, {}, {}, {kEditBoxTypeName, &kEditBoxKind}, {kPicBoxTypeName, &kPicBoxKind},
    {}, {}, {kGroupBoxTypeName, &kGroupBoxKind}, {kLabelTypeName, &kLabelKind}, {kButtonTypeName, &kButtonKind},
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {kTimerTypeName, &kTimerKind},
};
const DataTypeInfo kExtensionUiTypes[] = {{}, {}, {}, {}, {kTransLabelTypeName, &kTransLabelKind}};
const DataTypeInfo kAppInterfaceTypes[] = {{}, {}, {}, {kSystemInfoTypeName, nullptr}};

// Kernel commands the program calls:
//   ShowMessageBox(message: any, style: int, title: text opt, parent: page opt) -> int
//   LoadPage(page: page reference, parent: page reference opt, modal: bool opt) -> bool
//   ClosePage(page: page reference, now: bool opt) -> none
//   MakeDirectory(path: text) -> bool
//   WriteBytesToFile(path: text, byte set...) -> bool
//   ChangeFileAttributes(path: text, codes: int) -> bool
//   RegistryValueExists(root: int, value path: text) -> bool
//   WriteRegistryValue(root: int, value path: text, value: number, text or byte set) -> bool
//   ReadRegistryText(root: int, value path: text) -> text
//   GetFullFolderPath(path: text) -> text
//   ProtectFolder(path: text, access list: text, holds the installation: bool opt) -> int
//   IsTrustedFolder(path: text, link allowed: bool opt) -> bool
constexpr CommandInfo kKernelCommands[] = {
    {kShowMessageBoxName, &ShowMessageBoxCommand},
    {kLoadPageName, &LoadPageCommand},
    {kClosePageName, &ClosePageCommand},
    {kMakeDirectoryName, &MakeDirectoryCommand},
    {kWriteBytesToFileName, &WriteBytesToFileCommand},
    {kChangeFileAttributesName, &ChangeFileAttributesCommand},
    {kRegistryValueExistsName, &RegistryValueExistsCommand},
    {kWriteRegistryValueName, &WriteRegistryValueCommand},
    {kReadRegistryTextName, &ReadRegistryTextCommand},
    {kGetFullFolderPathName, &GetFullFolderPathCommand},
    {kProtectFolderName, &ProtectFolderCommand},
    {kIsTrustedFolderName, &IsTrustedFolderCommand},
};

// Shell commands:
//   BrowseForFolder(title: text, include files: bool opt) -> text
//   GetSpecialFolderPath(code: int) -> text
//   CreateShortCut(link: text, target: text, description: text opt, arguments: text opt,
//                  working folder: text opt) -> bool
constexpr CommandInfo kShellCommands[] = {
    {kBrowseForFolderName, &BrowseForFolderCommand},
    {kGetSpecialFolderPathName, &GetSpecialFolderPathCommand},
    {kCreateShortCutName, &CreateShortCutCommand},
};

// Application-interface commands:
//   GetSystemInfo(record: SystemInfo) -> none
constexpr CommandInfo kAppInterfaceCommands[] = {
    {kGetSystemInfoName, &GetSystemInfoCommand},
};

template <class T, std::size_t N>
constexpr std::uint32_t CountOf(const T (&)[N]) {
  return static_cast<std::uint32_t>(N);
}

// Each command lies where libraries.h says the program finds it.
static_assert(kKernelCommands[kernel_commands::kShowMessageBox].run == &ShowMessageBoxCommand &&
              kKernelCommands[kernel_commands::kLoadPage].run == &LoadPageCommand &&
              kKernelCommands[kernel_commands::kClosePage].run == &ClosePageCommand &&
              kKernelCommands[kernel_commands::kMakeDirectory].run == &MakeDirectoryCommand &&
              kKernelCommands[kernel_commands::kWriteBytesToFile].run == &WriteBytesToFileCommand &&
              kKernelCommands[kernel_commands::kChangeFileAttributes].run == &ChangeFileAttributesCommand &&
              kKernelCommands[kernel_commands::kRegistryValueExists].run == &RegistryValueExistsCommand &&
              kKernelCommands[kernel_commands::kWriteRegistryValue].run == &WriteRegistryValueCommand &&
              kKernelCommands[kernel_commands::kReadRegistryText].run == &ReadRegistryTextCommand &&
              kKernelCommands[kernel_commands::kGetFullFolderPath].run == &GetFullFolderPathCommand &&
              kKernelCommands[kernel_commands::kProtectFolder].run == &ProtectFolderCommand &&
              kKernelCommands[kernel_commands::kIsTrustedFolder].run == &IsTrustedFolderCommand &&
              CountOf(kKernelCommands) == kernel_commands::kIsTrustedFolder + 1);
static_assert(kShellCommands[shell_commands::kBrowseForFolder].run == &BrowseForFolderCommand &&
              kShellCommands[shell_commands::kGetSpecialFolderPath].run == &GetSpecialFolderPathCommand &&
              kShellCommands[shell_commands::kCreateShortCut].run == &CreateShortCutCommand &&
              CountOf(kShellCommands) == shell_commands::kCreateShortCut + 1);
static_assert(kAppInterfaceCommands[app_interface_commands::kGetSystemInfo].run == &GetSystemInfoCommand &&
              CountOf(kAppInterfaceCommands) == 1);

const LibraryRecord kKernelLibraryRecord = {
    kLibraryFormat, kKernelLibraryId, 2, 6, 1, 3, 0, kKernelLibraryName, 1, 0,
    CountOf(kKernelTypes), kKernelTypes, CountOf(kKernelCommands), kKernelCommands, &Notify<kKernelLibrary>};
const LibraryRecord kExtensionUiLibraryRecord = {
    kLibraryFormat, kExtensionUiLibraryId, 2, 6, 1, 3, 0, kExtensionUiLibraryName, 1, 0,
    CountOf(kExtensionUiTypes), kExtensionUiTypes, 0, nullptr, &Notify<kExtensionUiLibrary>};
const LibraryRecord kShellLibraryRecord = {
    kLibraryFormat, kShellLibraryId, 2, 6, 1, 3, 0, kShellLibraryName, 1, 0,
    0, nullptr, CountOf(kShellCommands), kShellCommands, &Notify<kShellLibrary>};
const LibraryRecord kAppInterfaceLibraryRecord = {
    kLibraryFormat, kAppInterfaceLibraryId, 2, 6, 1, 3, 0, kAppInterfaceLibraryName, 1, 0,
    CountOf(kAppInterfaceTypes), kAppInterfaceTypes, CountOf(kAppInterfaceCommands), kAppInterfaceCommands,
    &Notify<kAppInterfaceLibrary>};

}  // namespace

const LibraryRecord* const kLibraryTable[kLibraryCount] = {
    &kKernelLibraryRecord, &kExtensionUiLibraryRecord, &kShellLibraryRecord, &kAppInterfaceLibraryRecord};

bool LibraryStarted(int library) noexcept {
  return library >= 0 && library < kLibraryCount && g_links[library].runtime != nullptr;
}

}  // namespace vl
