// RunInstallation: the whole installation, run while ProgressPage is being created.
#include "app_texts.h"
#include "globals.h"
#include "handler_support.h"
#include "page_segment_layout.h"
#include "payload/catalogue.h"
#include "payload_texts.h"
#include "product_tree.h"
#include "progress.h"
#include "runtime/libraries.h"
#include "services/file_commands.h"
#include "services/registry_commands.h"
#include "services/shell_link.h"
#include "services/special_folders.h"
#include "services/system_info.h"

using namespace vl;
using namespace vl::installer;

namespace {

bool MakeDirectory(Text path) {
  return BoolResult(CallCommand(MakeDirectoryCommand, ArgList{TextArg(path)}));
}

// A special folder's path ending in a separator; the empty text when the system has none.
char* SpecialFolder(int code) {
  return TextResult(CallLibraryCommand(kShellLibrary, GetSpecialFolderPathCommand, ArgList{IntArg(code)}));
}

// A shortcut with the description, arguments and working folder left out.
void CreateShortCut(Text link, Text target) {
  CallLibraryCommand(kShellLibrary, CreateShortCutCommand,
                     ArgList{TextArg(link), TextArg(target)}.PadOmittedArguments(9));
}

// A shortcut in a special folder; skipped when the system has no such folder, so that it never
// lands relative to the current folder.
void CreateShortCutIn(int folderCode, Text linkName, Text target) {
  char* folder = SpecialFolder(folderCode);
  if (!IsEmptyText(folder)) {
    char* link = ConcatTexts({folder, linkName});
    FreeMemory(folder);
    CreateShortCut(link, target);
    FreeMemory(link);
  } else {
    FreeMemory(folder);
  }
}

// Creates the product's folders and the program group. LocationPage has made the product folder
// administrators' only; the folders of the user's own data get an access list that lets every
// user change what they hold, never through a link.
void CreateFolderTree() {
  for (Text folder : payload::Folders()) {
    char* path = ConcatTexts({InstallRoot, folder});
    if (IsUserWritable(folder)) {
      ProtectFolder(path, kUserFolderAccess, false);
    } else {
      MakeDirectory(path);
    }
    FreeMemory(path);
  }
  char* programs = SpecialFolder(kProgramsFolder);
  if (!IsEmptyText(programs)) {
    char* group = ConcatTexts({programs, kProductFolder});
    MakeDirectory(group);
    FreeMemory(group);
  }
  FreeMemory(programs);
}

bool WriteEntry(Text path, const payload::PayloadEntry& entry) {
  return BoolResult(CallCommand(WriteBytesToFileCommand, ArgList{TextArg(path), ByteSetArg(entry.content)}));
}

// Writes every carried file; returns how many could not be written.
int WriteFiles() {
  int failed = 0;
  for (const payload::PayloadEntry& entry : payload::Entries()) {
    char* path = ConcatTexts({InstallRoot, entry.path});
    bool written = WriteEntry(path, entry);
    // A file that an earlier installation made hidden and system refuses to be overwritten: clear
    // its attributes and write it again. Only then, so that a first installation pays nothing.
    if (!written && entry.hiddenSystem) {
      CallCommand(ChangeFileAttributesCommand, ArgList{TextArg(path), IntArg(kNoAttributes)});
      written = WriteEntry(path, entry);
    }
    if (!written) ++failed;
    FreeMemory(path);
  }
  return failed;
}

void HideRuntimeFiles() {
  for (const payload::PayloadEntry* entry : payload::MarkedEntries()) {
    char* path = ConcatTexts({InstallRoot, entry->path});
    CallCommand(ChangeFileAttributesCommand, ArgList{TextArg(path), IntArg(kHiddenAndSystem)});
    FreeMemory(path);
  }
}

void CreateShortCuts() {
  const payload::PayloadEntry* entries = payload::Entries().data();
  char* player = ConcatTexts({InstallRoot, entries[0].path});
  char* uninstaller = ConcatTexts({InstallRoot, entries[1].path});
  CreateShortCutIn(kDesktopFolder, kDesktopLinkName, player);
  CreateShortCutIn(kProgramsFolder, kProgramGroupLinkName, player);
  CreateShortCutIn(kProgramsFolder, kProgramGroupUninstallLinkName, uninstaller);
  char* webLink = ConcatTexts({InstallRoot, kWebLinkPath});
  CreateShortCut(webLink, kProductWebAddress);
  FreeMemory(webLink);
  FreeMemory(uninstaller);
  FreeMemory(player);
}

void WriteTextValue(Text valuePath, Text text) {
  CallCommand(WriteRegistryValueCommand, ArgList{IntArg(kLocalMachine), TextArg(valuePath), TextArg(text)});
}

// The entry in the system's list of installed programs, unless an earlier installation made it.
void RegisterForUninstall() {
  if (BoolResult(CallCommand(RegistryValueExistsCommand, ArgList{IntArg(kLocalMachine), TextArg(kDisplayIconValue)}))) {
    return;
  }
  char* uninstaller = ConcatTexts({InstallRoot, kUninstallerFolderForm});
  WriteTextValue(kDisplayIconValue, uninstaller);
  WriteTextValue(kDisplayNameValue, kDisplayName);
  // A command line: quoted, so that a path with blanks is not read as a shorter program name.
  char* command = ConcatTexts({kQuote, uninstaller, kQuote});
  WriteTextValue(kUninstallStringValue, command);
  FreeMemory(command);
  FreeMemory(uninstaller);
}

void CreateQuickLaunchShortCut() {
  char* player = ConcatTexts({InstallRoot, payload::Entries()[0].path});
  CreateShortCutIn(kApplicationDataFolder, kQuickLaunchLinkName, player);
  FreeMemory(player);
}

}  // namespace

extern "C" void RunInstallation() {
  CallLibraryCommand(kAppInterfaceLibrary, GetSystemInfoCommand,
                     ArgList{RecordArg(tag::kSystemInfoRecord, MachineInfo)});
  PrepareProgressDisplay();
  CreateFolderTree();
  FailedWriteCount = WriteFiles();
  HideRuntimeFiles();
  CreateShortCuts();
  RegisterForUninstall();
  CreateQuickLaunchShortCut();
}
