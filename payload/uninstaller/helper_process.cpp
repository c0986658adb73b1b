// Starting the clean-up helper, in a file of its own so that a test build can watch that moment
// (the helper's file must then refuse to be changed or deleted).
#include "self_removal.h"

extern "C" BOOL StartHelperProcess(const wchar_t* program, wchar_t* commandLine, const wchar_t* currentFolder,
                                   PROCESS_INFORMATION* process) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  return CreateProcessW(program, commandLine, nullptr, nullptr, TRUE, 0, nullptr, currentFolder, &startup, process);
}
