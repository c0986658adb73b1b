#pragma once
// Antivirus scanners and indexers open a file for a moment after it was written or moved. A
// write, move or delete that the system refuses with a sharing violation is therefore tried
// again, for up to kSharingRetryMs, before it counts as failed; any other refusal counts at once:
//
//   const ULONGLONG start = GetTickCount64();
//   while (!DeleteFileW(path)) {
//     if (!TryAgainWhileShared(start)) return false;
//   }
#include <windows.h>

namespace vl {

inline constexpr DWORD kSharingRetryMs = 2000;

// After a refused step first tried at `start` (GetTickCount64): true, after a short pause, when the
// refusal was a sharing violation and kSharingRetryMs have not passed. The system's last error is
// kept for the caller.
bool TryAgainWhileShared(ULONGLONG start) noexcept;

}  // namespace vl
