// LocationPage: the default install root, the folder browser and the check before the
// installation.
#include <utility>

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
  const OwnedText chosen = TextResult(CallLibraryCommand(kShellLibrary, shell_commands::kBrowseForFolder,
                                                         ArgList{TextArg(kEmptyText)}.PadOmittedArguments(3)));
  // A cancelled browser leaves the box as it was; a drive root keeps its one separator.
  const Text path = chosen.Get();
  if (!IsEmptyText(path)) {
    const bool endsInSeparator = FindLastBackslash(path) == path + TextLength(path) - 1;
    WriteText(kLocationPage, kInstallFolderBox, endsInSeparator ? path : ConcatTexts({path, kBackslash}).Get());
  }
}

namespace {

// Silent, only with /ALLOWUNPROTECTED; otherwise when the user says so.
bool MayInstallUnprotected(RootVerdict verdict) {
  if (Options.silent) return Options.allowUnprotected;
  const Text question = verdict == RootVerdict::kNoAccessLists ? kNoAccessListsQuestion : kUnprotectedRootQuestion;
  return AskUser(question, MB_YESNO, kPromptTitle) == kAnswerYes;
}

}  // namespace

namespace vl::installer {

OwnedText AcceptInstallRoot(Text typed, RootRefusal& refusal) noexcept {
  if (IsBlankText(typed)) {
    refusal.reason = kEnterInstallPath;
    return {};
  }
  // The root the installation builds every path on: absolute, an existing folder, one
  // separator at its end.
  OwnedText root =
      TextResult(CallLibraryCommand(kKernelLibrary, kernel_commands::kGetFullFolderPath, ArgList{TextArg(typed)}));
  if (IsEmptyText(root.Get())) {
    refusal.reason = kInvalidInstallPath;
    return {};
  }
  // Nothing is written on a volume without room for the carried files, nor where another account
  // could move the installation away and put its own in its place, or change it: refused when a
  // folder above is theirs or their link; asked when they may rename one, or the volume keeps no
  // access lists, or it is a network folder.
  const RootVerdict verdict = JudgeInstallRoot(root.Get());
  if (!RootHasRoom(root.Get())) {
    refusal.reason = kDiskFull;
  } else if (verdict == RootVerdict::kForeign) {
    refusal.reason = kForeignInstallPath;
  } else if (verdict != RootVerdict::kSafe && !MayInstallUnprotected(verdict)) {
    refusal.reason = kEmptyText;  // asked, and the user said no
  } else if (!MakeProductTreeSound(root.Get(), refusal.item)) {
    refusal.reason = kUntrustedInstallPath;
  } else {
    return root;
  }
  return {};
}

}  // namespace vl::installer

namespace {

void EnableLocationButtons(bool enabled) {
  WriteBool(kLocationPage, kLocationBackButton, kPropDisabled, !enabled);
  WriteBool(kLocationPage, kLocationNextButton, kPropDisabled, !enabled);
  WriteBool(kLocationPage, kBrowseButton, kPropDisabled, !enabled);
}

}  // namespace

extern "C" void OnLocationNext() {
  // Accepting a root makes the product folder: not for an installer whose contents are damaged.
  if (!AwaitSoundPayload()) return;
  RootRefusal refusal;
  OwnedText root = AcceptInstallRoot(ReadText(kLocationPage, kInstallFolderBox).Get(), refusal);
  if (!root) {
    // A root the user declined to install in was asked about already. An item of another account
    // is named on a line of its own.
    if (refusal.item) {
      AskUser(ConcatTexts({refusal.reason, kLineEnd, refusal.item.Get()}).Get(), MB_OK, kPromptTitle);
    } else if (!IsEmptyText(refusal.reason)) {
      AskUser(refusal.reason, MB_OK, kPromptTitle);
    }
    return;
  }
  // Disabled while the programs that hold the product's files close, too: the page stays alive
  // while it waits for them.
  EnableLocationButtons(false);
  ReplaceInstallRoot(std::move(root));
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
