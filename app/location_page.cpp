// LocationPage: the default install root, the folder browser and the check before the
// installation.
#include "app_texts.h"
#include "files_in_use.h"
#include "globals.h"
#include "handler_support.h"
#include "install_root.h"
#include "installation.h"
#include "libraries/libraries.h"
#include "page_segment_layout.h"
#include "payload_check.h"
#include "product_tree.h"
#include "runtime_texts.h"
#include "services/access_control.h"
#include "services/shell_functions.h"

using namespace vl;
using namespace vl::installer;

extern "C" void OnLocationOpened() {
  WriteText(kLocationPage, kInstallFolderBox, RequestedRoot());
}

extern "C" void OnBrowse() {
  char* chosen = TextResult(CallLibraryCommand(kShellLibrary, shell_commands::kBrowseForFolder,
                                               ArgList{TextArg(kEmptyText)}.PadOmittedArguments(3)));
  // A cancelled browser leaves the box as it was; a drive root keeps its one separator.
  if (!IsEmptyText(chosen)) {
    const bool endsInSeparator = FindLastBackslash(chosen) == chosen + TextLength(chosen) - 1;
    char* root = endsInSeparator ? CopyText(chosen) : ConcatTexts({chosen, kBackslash});
    WriteText(kLocationPage, kInstallFolderBox, root);
    FreeMemory(root);
  }
  FreeMemory(chosen);
}

namespace {

// Silent, only with /ALLOWUNPROTECTED; otherwise when the user says so.
bool MayInstallUnprotected(RootVerdict verdict) {
  if (Options.silent) return Options.allowUnprotected;
  const Text question = verdict == RootVerdict::kNoAccessLists ? kNoAccessListsQuestion : kUnprotectedRootQuestion;
  return AskUser(question, kYesNoButtons, kPromptTitle) == kAnswerYes;
}

}  // namespace

namespace vl::installer {

char* AcceptInstallRoot(Text typed, RootRefusal& refusal) noexcept {
  if (IsBlankText(typed)) {
    refusal.reason = kEnterInstallPath;
    return nullptr;
  }
  // The root the installation builds every path on: absolute, an existing folder, one
  // separator at its end.
  char* root =
      TextResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kGetFullFolderPath, ArgList{TextArg(typed)}));
  if (IsEmptyText(root)) {
    FreeMemory(root);
    refusal.reason = kInvalidInstallPath;
    return nullptr;
  }
  // Nothing is written on a volume without room for the carried files, nor where another account
  // could move the installation away and put its own in its place, or change it: refused when a
  // folder above is theirs or their link; asked when they may rename one, or the volume keeps no
  // access lists, or it is a network folder.
  const RootVerdict verdict = JudgeInstallRoot(root);
  if (!RootHasRoom(root)) {
    refusal.reason = kDiskFull;
  } else if (verdict == RootVerdict::kForeign) {
    refusal.reason = kForeignInstallPath;
  } else if (verdict != RootVerdict::kSafe && !MayInstallUnprotected(verdict)) {
    refusal.reason = kEmptyText;  // asked, and the user said no
  } else if (!MakeProductTreeSound(root, refusal.item)) {
    refusal.reason = kUntrustedInstallPath;
  } else {
    return root;
  }
  FreeMemory(root);
  return nullptr;
}

}  // namespace vl::installer

namespace {

void EnableLocationButtons(bool enabled) {
  WriteBool(kLocationPage, kLocationBackButton, kDisabled, !enabled);
  WriteBool(kLocationPage, kLocationNextButton, kDisabled, !enabled);
  WriteBool(kLocationPage, kBrowseButton, kDisabled, !enabled);
}

}  // namespace

extern "C" void OnLocationNext() {
  // Accepting a root makes the product folder: not for an installer whose contents are damaged.
  if (!AwaitSoundPayload()) return;
  char* typed = ReadText(kLocationPage, kInstallFolderBox);
  RootRefusal refusal;
  char* root = AcceptInstallRoot(typed, refusal);
  FreeMemory(typed);
  if (root == nullptr) {
    // A root the user declined to install in was asked about already. An item of another account
    // is named on a line of its own.
    if (refusal.item != nullptr) {
      char* text = ConcatTexts({refusal.reason, kLineEnd, refusal.item});
      AskUser(text, kOkButton, kPromptTitle);
      FreeMemory(text);
    } else if (!IsEmptyText(refusal.reason)) {
      AskUser(refusal.reason, kOkButton, kPromptTitle);
    }
    return;
  }
  // Disabled while the programs that hold the product's files close, too: the page stays alive
  // while it waits for them.
  EnableLocationButtons(false);
  FreeMemory(InstallRoot);
  InstallRoot = root;
  OpenRequestedLog();
  if (!ProductFilesReleased(false)) {
    EnableLocationButtons(true);
    return;
  }
  RecoverCutOffInstallation();
  // The installation needs SHELL32, which no page before it has loaded unless the folder browser
  // was opened: loaded here, before the progress page, its load is not the installation's.
  shell::Load();
  // A progress page that cannot be built installs nothing: the user may try again.
  if (!MovePage(kProgressPage, kLocationPage)) EnableLocationButtons(true);
}
