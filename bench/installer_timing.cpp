// Built into the benchmark build of the installer only. The link wraps RunInstallation and the
// system commands it calls (--wrap, see bench/CMakeLists.txt), so the installer's own code runs
// unchanged: the pass is timed from its start to its return, and every command's time is
// claimed by its phase. The line is written after the pass, outside the timed span.
//
// Built with VL_BENCH_PROBE_PERCENT=<n>, it is the probe that shows the comparison can fail: the
// pass's own work (what no command claims) takes n% longer, as a slower installer would.
#include "bench/install_timing.h"
#include "runtime/arg_record.h"

namespace {

vl::bench::PhaseTotals g_totals;

#ifdef VL_BENCH_PROBE_PERCENT
// Keeps the processor busy until `ticks` after `from`, as more of the pass's own code would;
// returns the time it stopped.
LONGLONG BusyFor(LONGLONG from, LONGLONG ticks) noexcept {
  LONGLONG now = vl::bench::Now();
  while (now - from < ticks) now = vl::bench::Now();
  return now;
}
#endif

}  // namespace

extern "C" void __real_RunInstallation();
extern "C" void __wrap_RunInstallation() {
  g_totals = {};
  const double cpuStart = vl::bench::ProcessCpuMicroseconds();
  const LONGLONG start = vl::bench::Now();
  __real_RunInstallation();
  LONGLONG end = vl::bench::Now();
#ifdef VL_BENCH_PROBE_PERCENT
  end = BusyFor(end, (end - start - g_totals.Claimed()) * VL_BENCH_PROBE_PERCENT / 100);
#endif
  g_totals.Write("installer", end - start, vl::bench::ProcessCpuMicroseconds() - cpuStart);
}

// A wrapped command: the real one, timed and claimed by `phase`.
#define VL_TIMED_COMMAND(symbol, phase)                                                                  \
  extern "C" void __real_##symbol(vl::ResultRecord*, int, const vl::ArgRecord*) noexcept;              \
  extern "C" void __wrap_##symbol(vl::ResultRecord* result, int count, const vl::ArgRecord* args) noexcept { \
    const LONGLONG start = vl::bench::Now();                                                             \
    __real_##symbol(result, count, args);                                                                \
    g_totals.Add(vl::bench::Phase::phase, vl::bench::Now() - start);                                     \
  }

VL_TIMED_COMMAND(_ZN2vl20MakeDirectoryCommandEPNS_9ArgRecordEiPKS0_, Folders)
VL_TIMED_COMMAND(_ZN2vl20ProtectFolderCommandEPNS_9ArgRecordEiPKS0_, Folders)
VL_TIMED_COMMAND(_ZN2vl22IsTrustedFolderCommandEPNS_9ArgRecordEiPKS0_, Folders)
VL_TIMED_COMMAND(_ZN2vl23WriteBytesToFileCommandEPNS_9ArgRecordEiPKS0_, Files)
VL_TIMED_COMMAND(_ZN2vl27ChangeFileAttributesCommandEPNS_9ArgRecordEiPKS0_, Attributes)
VL_TIMED_COMMAND(_ZN2vl21CreateShortCutCommandEPNS_9ArgRecordEiPKS0_, Links)
VL_TIMED_COMMAND(_ZN2vl25WriteRegistryValueCommandEPNS_9ArgRecordEiPKS0_, Registry)
VL_TIMED_COMMAND(_ZN2vl26RegistryValueExistsCommandEPNS_9ArgRecordEiPKS0_, Registry)
VL_TIMED_COMMAND(_ZN2vl23ReadRegistryTextCommandEPNS_9ArgRecordEiPKS0_, Registry)
VL_TIMED_COMMAND(_ZN2vl24GetFullFolderPathCommandEPNS_9ArgRecordEiPKS0_, Links)
VL_TIMED_COMMAND(_ZN2vl27GetSpecialFolderPathCommandEPNS_9ArgRecordEiPKS0_, Queries)
VL_TIMED_COMMAND(_ZN2vl20GetSystemInfoCommandEPNS_9ArgRecordEiPKS0_, Queries)
