#pragma once
// Antivirus scanners and indexers open a file for a moment after it was written or moved. A
// write, move or delete that the system refuses with a sharing violation is therefore tried
// again, for up to kSharingRetryMs, before it counts as failed; any other refusal counts at once.
#include <windows.h>

namespace vl {

inline constexpr DWORD kSharingRetryMs = 2000;

// Runs `step` (true: done; false: refused, with the system's last error set) until it is done,
// refused for another reason, or refused with a sharing violation for kSharingRetryMs. The last
// error of the last refusal is kept for the caller.
template <class Step>
bool RetriedWhileShared(Step step) noexcept {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    if (step()) return true;
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION || GetTickCount64() - start >= kSharingRetryMs) return false;
    Sleep(50);
    SetLastError(error);
  }
}

}  // namespace vl
