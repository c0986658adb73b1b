#include "install_timing.h"

#include <cstdio>

namespace vl::bench {
namespace {

double Microseconds(LONGLONG ticks) noexcept {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double Microseconds(FILETIME time) noexcept {
  return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10.0;
}

}  // namespace

double ProcessCpuMicroseconds() noexcept {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  return Microseconds(kernel) + Microseconds(user);
}

LONGLONG PhaseTotals::Claimed() const noexcept {
  LONGLONG claimed = 0;
  for (int phase = 0; phase < static_cast<int>(Phase::Other); ++phase) claimed += m_ticks[phase];
  return claimed;
}

void PhaseTotals::Write(const char* label, LONGLONG totalTicks, double cpuMicroseconds) const noexcept {
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("VL_BENCH_TIMINGS", path, sizeof path);
  if (length == 0 || length >= sizeof path) return;

  const LONGLONG claimed = Claimed();
  char line[256];
  int used = std::snprintf(line, sizeof line, "%s\t%.1f", label, Microseconds(totalTicks));
  for (int phase = 0; phase < static_cast<int>(Phase::Other); ++phase) {
    used += std::snprintf(line + used, sizeof line - used, "\t%.1f", Microseconds(m_ticks[phase]));
  }
  used += std::snprintf(line + used, sizeof line - used, "\t%.1f\t%.0f\r\n",
                        Microseconds(totalTicks - claimed), cpuMicroseconds);

  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(used), &written, nullptr);
  CloseHandle(file);
}

void PhaseClock::Enter(Phase phase) noexcept {
  const LONGLONG now = Now();
  m_totals.Add(m_current, now - m_mark);
  m_mark = now;
  m_current = phase;
}

void PhaseClock::Finish(const char* label) noexcept {
  Enter(Phase::Other);
  m_totals.Write(label, m_mark - m_start, ProcessCpuMicroseconds() - m_cpuStart);
}

}  // namespace vl::bench
