#include "sharing_retry.h"

namespace vl {

bool TryAgainWhileShared(ULONGLONG start) noexcept {
  const DWORD error = GetLastError();
  if (error != ERROR_SHARING_VIOLATION || GetTickCount64() - start >= kSharingRetryMs) return false;
  Sleep(50);
  return true;
}

}  // namespace vl
