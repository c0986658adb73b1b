// Moving between the pages, the exit confirmation and the end.
#include "app_texts.h"
#include "handler_support.h"
#include "page_segment_layout.h"

using namespace vl;
using namespace vl::installer;

extern "C" void ConfirmExit() {
  if (AskUser(kConfirmExitQuestion, MB_YESNO, kPromptTitle) == kAnswerYes) EndProgram(0);
}

extern "C" void OnWelcomeNext() { MovePage(kAgreementPage, kWelcomePage); }

extern "C" void OnAgreementBack() { MovePage(kWelcomePage, kAgreementPage); }

extern "C" void OnAgreementNext() { MovePage(kLocationPage, kAgreementPage); }

extern "C" void OnAgreementCancel() { ConfirmExit(); }

extern "C" void OnLocationBack() { MovePage(kAgreementPage, kLocationPage); }

// Like the Cancel buttons of the two earlier pages, this one asks before it ends the program.
extern "C" void OnLocationCancel() { ConfirmExit(); }

extern "C" void OnFinish() { EndProgram(0); }
