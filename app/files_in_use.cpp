#include "files_in_use.h"

#include "app_texts.h"
#include "globals.h"
#include "handler_support.h"
#include "payload/catalogue.h"
#include "runtime/memory.h"
#include "runtime/text_value.h"
#include "services/programs_in_use.h"

using namespace vl;
using namespace vl::installer;

namespace {

Text CarriedFile(std::size_t index) { return payload::Entries()[index].path; }

// The question on LocationPage: close the programs (OK), or, when one cannot be closed, look
// again once they have ended (Retry); Cancel goes back to the page.
bool AskOnLocationPage(Text lines, bool closable) {
  const OwnedText message =
      ConcatTexts({kProgramsInUse, lines, closable ? kCloseProgramsChoice : kProgramsOfOthersChoice});
  const int answer = AskUser(message.Get(), closable ? MB_OKCANCEL : MB_RETRYCANCEL, kPromptTitle);
  return answer == (closable ? kAnswerOk : kAnswerRetry);
}

}  // namespace

namespace vl::installer {

bool ProductFilesReleased(bool unattended) noexcept {
  const ProductFileList files{InstallRoot, payload::Entries().size(), &CarriedFile};
  return ReleaseFiles(files, unattended ? nullptr : &AskOnLocationPage, Options.closeApplications) ==
         FilesInUse::Released;
}

}  // namespace vl::installer
