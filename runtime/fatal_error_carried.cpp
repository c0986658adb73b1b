// The carried programs' end when the system refuses what they cannot go on without (the heap
// refusing a text's memory): the runtime's fatal text in a box, composed and converted without
// allocating, then exit code -1. For the uninstaller that is never 0, so its clean-up helper
// leaves its file for a second run. A silent run ends the same way without the box.
#include <windows.h>

#include "fatal_error.h"
#include "runtime_texts.h"
#include "text_boundary.h"

namespace vl {
namespace {

bool g_fatalBoxSilenced = false;

}  // namespace

void SilenceFatalErrorBox() noexcept { g_fatalBoxSilenced = true; }

void FatalRuntimeError(const char* message, int errorCode) noexcept {
  if (g_fatalBoxSilenced) ExitProcess(static_cast<UINT>(-1));
  char text[kFatalTextCapacity];
  const std::size_t length = ComposeFatalErrorText(text, message, errorCode);
  wchar_t wideText[kFatalTextCapacity];
  wchar_t wideTitle[32];
  WideIntoBuffer({text, length}, wideText);
  WideIntoBuffer(kFatalErrorTitle, wideTitle);
  MessageBoxW(nullptr, wideText, wideTitle, MB_OK | MB_ICONERROR);
  ExitProcess(static_cast<UINT>(-1));
}

}  // namespace vl
