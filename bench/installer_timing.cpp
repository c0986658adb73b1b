// Built into the benchmark build of the installer only. The link wraps RunInstallation and the
// system commands it calls (--wrap, see bench/CMakeLists.txt), so the installer's own code runs
// unchanged: the pass is timed from its start to its return, and every command's time is
// claimed by its phase. The line is written after the pass, outside the timed span.
//
// Built with VL_BENCH_PROBE_PERCENT=<n>, it is the probe that shows the comparison can fail: the
// pass's own work (what no command claims) takes n% longer, as a slower installer would.
#include <string_view>

#include "bench/install_timing.h"
#include "journal/journal_format.h"
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

// A wrapped step of the install pass on the machine (services/pass_steps.h, access_control.h):
// the real one, timed and claimed by `phase`.
#define VL_TIMED_STEP(symbol, phase, result, parameters, arguments)   \
  extern "C" result __real_##symbol parameters noexcept;             \
  extern "C" result __wrap_##symbol parameters noexcept {            \
    const LONGLONG start = vl::bench::Now();                         \
    const result done = __real_##symbol arguments;                   \
    g_totals.Add(vl::bench::Phase::phase, vl::bench::Now() - start); \
    return done;                                                     \
  }

using Path = std::string_view;
using Bytes = std::span<const std::uint8_t>;
using Room = std::span<std::uint8_t>;
using Value = vl::journal::StoredValue;

// The web link and the question whose desktop the installer runs on are system calls the
// program makes outside a command.
VL_TIMED_STEP(_ZN2vl11SaveWebLinkEPKcS1_, Links, bool, (const char* l, const char* a), (l, a))
VL_TIMED_STEP(_ZN2vl23DesktopOfAnotherAccountEv, Queries, bool, (), ())
VL_TIMED_STEP(_ZN2vl10PathExistsESt17basic_string_viewIcSt11char_traitsIcEE, Files, bool, (Path p), (p))
VL_TIMED_STEP(_ZN2vl12MakeFolderAtESt17basic_string_viewIcSt11char_traitsIcEE, Folders, bool, (Path p), (p))
VL_TIMED_STEP(_ZN2vl14RemoveFolderAtESt17basic_string_viewIcSt11char_traitsIcEE, Folders, bool, (Path p), (p))
VL_TIMED_STEP(_ZN2vl22CreateFolderWithAccessEPKcS1_, Folders, bool, (const char* p, const char* l), (p, l))
VL_TIMED_STEP(_ZN2vl17ApplyFolderAccessEPKcS1_b, Folders, bool, (const char* p, const char* l, bool b), (p, l, b))
VL_TIMED_STEP(_ZN2vl14WriteNewFileAtESt17basic_string_viewIcSt11char_traitsIcEESt4spanIKhLj4294967295EEb, Files,
              bool, (Path p, Bytes b, bool h), (p, b, h))
VL_TIMED_STEP(_ZN2vl12RenameFileAtESt17basic_string_viewIcSt11char_traitsIcEES3_, Files, bool, (Path f, Path t), (f, t))
VL_TIMED_STEP(_ZN2vl12DeleteFileAtESt17basic_string_viewIcSt11char_traitsIcEE, Files, bool, (Path p), (p))
VL_TIMED_STEP(_ZN2vl19DeleteFileAtRestartESt17basic_string_viewIcSt11char_traitsIcEE, Files, bool, (Path p), (p))
VL_TIMED_STEP(_ZN2vl16OpenForAppendingEPKw, Files, HANDLE, (const wchar_t* p), (p))
VL_TIMED_STEP(_ZN2vl12AppendToFileEPvSt4spanIKhLj4294967295EE, Files, bool, (HANDLE f, Bytes b), (f, b))
VL_TIMED_STEP(_ZN2vl15ReadStoredValueESt17basic_string_viewIcSt11char_traitsIcEERNS_7journal11StoredValueESt4spanIhLj4294967295EE,
              Registry, bool, (Path p, Value& v, Room r), (p, v, r))
VL_TIMED_STEP(_ZN2vl16WriteStoredValueESt17basic_string_viewIcSt11char_traitsIcEERKNS_7journal11StoredValueE,
              Registry, bool, (Path p, const Value& v), (p, v))
