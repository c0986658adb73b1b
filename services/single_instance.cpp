#include "single_instance.h"

#include <windows.h>

#include "runtime/unique_handle.h"

namespace vl {
namespace {

// Held until the process ends, when the system lets the name go.
UniqueKernelHandle g_held;

}  // namespace

bool TakeSingleInstance(const wchar_t* name) noexcept {
  if (g_held) return true;
  // The system sets the last error either way: ERROR_ALREADY_EXISTS when another copy made it,
  // 0 when this one did. A copy that may not even open it is not alone either.
  UniqueKernelHandle mutex(CreateMutexW(nullptr, FALSE, name));
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return false;
  g_held = std::move(mutex);
  return true;
}

}  // namespace vl
