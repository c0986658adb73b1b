#include "startup.h"

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <string>

#include "fatal_error.h"
#include "frame.h"
#include "hidden_window.h"
#include "memory.h"
#include "pages/page_segment.h"
#include "runtime_object.h"
#include "text_boundary.h"
#include "runtime_texts.h"

namespace vl {
namespace {

std::string ModuleFileName() {
  for (DWORD capacity = MAX_PATH;; capacity *= 2) {
    auto* wide = static_cast<wchar_t*>(AllocateMemory(capacity * sizeof(wchar_t)));
    const DWORD n = GetModuleFileNameW(nullptr, wide, capacity);
    if (n < capacity) {
      std::size_t length = 0;
      char* bytes = n == 0 ? nullptr : TextFromWide({wide, n}, &length);
      FreeMemory(wide);
      std::string path(bytes != nullptr ? bytes : "", length);
      FreeMemory(bytes);
      return path;
    }
    FreeMemory(wide);
  }
}

// Step 4: the program's folder (with its backslash) and file name; the folder becomes current.
void TakeProgramLocation(Runtime& runtime) {
  const std::string path = ModuleFileName();
  const char* slash = FindLastBackslash(path.c_str());
  const std::size_t cut = slash == nullptr ? 0 : static_cast<std::size_t>(slash - path.c_str()) + 1;
  runtime.SetProgramLocation(path.substr(0, cut), path.substr(cut));
  const WideText folder(runtime.ProgramFolder());
  if (!runtime.ProgramFolder().empty() && folder.Valid()) SetCurrentDirectoryW(folder.Get());
}

ProgramHeader ReadHeaderOrDie() {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&kProgramHeader);
  auto header = ReadProgramHeader({bytes, sizeof kProgramHeader});
  if (!header) FatalRuntimeError(kBadProgramHeader);
  return *header;
}

// Step 9: the page descriptions, read and validated once, with every stored handler offset turned
// into its routine's address. The segment lies in the program's writable data: the handler
// fields are rewritten in place. A refused segment ends the program with the one fatal message,
// the reader's description of the fault as its detail.
void LoadPageDescriptions(Runtime& runtime) noexcept {
  const auto stored = runtime.Header().pageSegment;
  // Read once: a second start-up must not turn the rewritten handlers over again.
  if (stored.empty() || !runtime.Pages().Empty()) return;
  const std::span<std::uint8_t> segment(const_cast<std::uint8_t*>(stored.data()), stored.size());
  const auto codeStart = reinterpret_cast<std::uintptr_t>(runtime.Header().codeStart);
  const auto codeEnd = reinterpret_cast<std::uintptr_t>(kRoutineEntriesEnd);
  const auto entriesLength =
      codeStart != 0 && codeEnd > codeStart ? static_cast<std::uint32_t>(codeEnd - codeStart) : 0u;
  auto pages = pages::ReadPageSegment(segment, entriesLength);
  if (!pages) {
    char message[kFatalTextCapacity / 2];
    const std::size_t heading = std::strlen(kLoadPageDataFailed);
    std::memcpy(message, kLoadPageDataFailed, heading);
    message[heading] = '\r';
    message[heading + 1] = '\n';
    pages::DescribePageError(pages.GetError(), std::span(message).subspan(heading + 2));
    FatalRuntimeError(message);
  }
  pages::FixUpHandlers(pages.Value(), static_cast<std::uint32_t>(codeStart));
  runtime.SetPages(std::move(pages.Value()));
}

}  // namespace

void StartRuntime() noexcept {
  Runtime& runtime = TheRuntime();
  InitialiseHeap();
  runtime.SetHeader(ReadHeaderOrDie());
  // An unattended run shows nothing, so it needs COM alone, not OLE's clipboard and drag and drop.
  if (!runtime.OleInitialised() &&
      SUCCEEDED(runtime.Unattended() ? CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) : OleInitialize(nullptr))) {
    runtime.SetOleInitialised(true);
  }
  TakeProgramLocation(runtime);
  if (runtime.HiddenWindow() == nullptr && !runtime.Unattended()) {
    runtime.SetHiddenWindow(CreateHiddenRequestWindow());
  }
  runtime.SetGuiThreadId(GetCurrentThreadId());
  const auto& segment = runtime.Header().constSegment;
  if (!segment.empty() && !IsInConstantRange(segment.data())) RegisterConstantRange(segment.data(), segment.size());
  NotifyLibraries(kLibraryStartCode);
  LoadPageDescriptions(runtime);
}

void NotifyLibraries(int code) noexcept {
  const std::intptr_t runtimeEntry =
      code == kLibraryStartCode ? reinterpret_cast<std::intptr_t>(&RuntimeNotification) : 0;
  for (const LibraryRecord* library : TheRuntime().Header().libraries) {
    if (library->notify != nullptr) library->notify(code, runtimeEntry, 0);
  }
}

std::intptr_t RuntimeNotification(int request, std::intptr_t arg1, std::intptr_t /*arg2*/) noexcept {
  switch (request) {
    case kRuntimeAllocate: return reinterpret_cast<std::intptr_t>(TryAllocateMemory(static_cast<std::size_t>(arg1)));
    case kRuntimeFree: FreeMemory(reinterpret_cast<const void*>(arg1)); return 1;
    case kRuntimeFatal: FatalRuntimeError(reinterpret_cast<const char*>(arg1));
    default: return 0;
  }
}

void RunUnattended() noexcept { TheRuntime().SetUnattended(); }

void CallService(int service, std::uintptr_t argument) noexcept {
  switch (service) {
    case kServiceStartRuntime: StartRuntime(); break;
    case kServiceRegisterCleanup: TheRuntime().SetCleanupRoutine(reinterpret_cast<CleanupRoutine>(argument)); break;
    default: break;
  }
}

}  // namespace vl
