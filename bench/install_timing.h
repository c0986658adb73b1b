#pragma once
// Timings of one install pass, taken inside the process with the performance counter and
// appended as one line to the file that the environment variable VL_BENCH_TIMINGS names:
//
//   <label> TAB <total µs> TAB <folders> TAB <files> TAB <attributes> TAB <links> TAB <registry>
//       TAB <queries> TAB <other> TAB <CPU µs>
//
// "queries" are the special-folder and system queries; "other" is the rest of the pass (texts,
// the progress display): for the installer, its own work. The CPU time is what the process used
// during the pass, user and kernel, as the system counts it (in ticks of 10 ms under Wine).
// Nothing is written when the variable is not set.
#include <windows.h>

#include <array>

namespace vl::bench {

enum class Phase { Folders, Files, Attributes, Links, Registry, Queries, Other, Count };

inline LONGLONG Now() noexcept {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

// The CPU time the process has used so far, user and kernel, in µs.
double ProcessCpuMicroseconds() noexcept;

// Ticks spent per phase; what no phase claims counts as other.
class PhaseTotals {
 public:
  void Add(Phase phase, LONGLONG ticks) noexcept { m_ticks[static_cast<int>(phase)] += ticks; }
  // The ticks every phase but other has claimed.
  LONGLONG Claimed() const noexcept;
  // Writes the line for a pass of `totalTicks` that used `cpuMicroseconds` of the processor.
  void Write(const char* label, LONGLONG totalTicks, double cpuMicroseconds) const noexcept;

 private:
  std::array<LONGLONG, static_cast<int>(Phase::Count)> m_ticks{};
};

// For a pass made of consecutive phases: each Enter closes the phase before it.
class PhaseClock {
 public:
  PhaseClock() noexcept : m_start(Now()), m_mark(m_start), m_cpuStart(ProcessCpuMicroseconds()) {}
  void Enter(Phase phase) noexcept;
  void Finish(const char* label) noexcept;

 private:
  LONGLONG m_start;
  LONGLONG m_mark;
  double m_cpuStart;
  Phase m_current = Phase::Other;
  PhaseTotals m_totals;
};

}  // namespace vl::bench
