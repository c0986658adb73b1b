// The installer's entry routine.
#include "app_texts.h"
#include "runtime/frame.h"
#include "runtime/message_box.h"

namespace {

void ReleaseGlobals() {}

}  // namespace

int ProgramEntry() {
  using namespace vl;
  CallService(kServiceStartRuntime);
  ResetFloatingPointUnit();
  CallService(kServiceRegisterCleanup, reinterpret_cast<std::uintptr_t>(&ReleaseGlobals));
  const ResultRecord answer = CallCommand(ShowMessageBoxCommand, ArgList{TextArg(kConfirmExitQuestion), IntArg(4),
                                                                         TextArg(kPromptTitle)});
  if (IntResult(answer) == 5) EndProgram(0);
  RunMessageLoop();
  return 0;
}
