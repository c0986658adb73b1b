// The fatal path of the host build (tests of the portable code): the composed text goes to the
// standard error stream and the process ends with -1, as the Windows program does.
#include <cstdio>
#include <cstdlib>

#include "fatal_error.h"

namespace vl {

void FatalRuntimeError(const char* message, int errorCode) noexcept {
  char text[kFatalTextCapacity];
  ComposeFatalErrorText(text, message, errorCode);
  std::fputs(text, stderr);
  std::fflush(stderr);
  std::_Exit(-1);
}

}  // namespace vl
