// A program on the runtime carrying the page runtime's test pages; its first argument picks what
// it does, and the page runtime's tests watch it from outside (its windows, its fatal box, its
// exit code).
#include <windows.h>

#include <string>

#include "runtime/frame.h"
#include "runtime/controls/page_runtime.h"
#include "runtime/controls/properties.h"

int ProgramEntry() {
  using namespace vl;
  const std::string arguments = GetCommandLineA();
  auto has = [&](const char* word) { return arguments.find(word) != std::string::npos; };
  CallService(kServiceStartRuntime);
  if (has(" lastpage")) {
    LoadStartPage(0x52010001);
    RunMessageLoop();
    return 0;
  }
  if (has(" closeunloaded")) static_cast<void>(CallCommand(ClosePageCommand, ArgList{PageRefArg(0x52010002, 0x06010010)}));
  if (has(" contentunloaded")) ReadProperty(0x52010001, 0x16010003, 8, kWholeProperty);
  if (has(" unknownpage")) WriteProperty(0x52019999, 0x16010003, 0, kWholeProperty, 1, 0);
  if (has(" badstartpage")) LoadStartPage(0x52010003);
  return 3;
}
