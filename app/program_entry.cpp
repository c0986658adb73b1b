// The installer's entry routine.
#include <windows.h>

#include "app_texts.h"
#include "globals.h"
#include "handler_support.h"
#include "ids.h"
#include "installation.h"
#include "payload_check.h"
#include "runtime/frame.h"
#include "services/run_log.h"
#include "services/single_instance.h"

int ProgramEntry() {
  using namespace vl;
  using namespace vl::installer;
  // Before the start-up makes the program's folder current: relative paths are the caller's.
  Options = ReadCommandLine(GetCommandLineW(), true);
  if (Options.silent) RunUnattended();
  // A second copy changes nothing, not even the log the first may be writing.
  const bool alone = TakeSingleInstance(kInstallerInstance);
  CallService(kServiceStartRuntime);
  ResetFloatingPointUnit();
  InitGlobals();
  CallService(kServiceRegisterCleanup, reinterpret_cast<std::uintptr_t>(&ReleaseGlobals));
  if (Options.unknown != nullptr || Options.help) {
    AskUser(kUsage, MB_OK, kPromptTitle);
    EndProgram(Options.unknown != nullptr ? 2 : 0);
  }
  if (!alone) {
    if (!Options.silent) AskUser(kInstallerRunning, MB_OK, kPromptTitle);
    EndProgram(6);
  }
  if (Options.silent) EndProgram(InstallUnattended());
  StartPayloadCheck();
  LoadStartPage(kWelcomePage.page);
  RunMessageLoop();
  return 0;
}
