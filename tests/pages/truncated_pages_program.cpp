// A program whose header gives its page descriptions one byte short: the start-up must stop it
// with the fatal error for unreadable page data.
#include "runtime/frame.h"

int ProgramEntry() {
  vl::CallService(vl::kServiceStartRuntime);
  return 0;
}
