// The installer's entry routine.
#include "globals.h"
#include "ids.h"
#include "runtime/frame.h"

int ProgramEntry() {
  using namespace vl;
  CallService(kServiceStartRuntime);
  ResetFloatingPointUnit();
  installer::InitGlobals();
  CallService(kServiceRegisterCleanup, reinterpret_cast<std::uintptr_t>(&installer::ReleaseGlobals));
  LoadStartPage(installer::kWelcomePage.page);
  RunMessageLoop();
  return 0;
}
