#include "numbers.h"

#include <cmath>

#ifdef _WIN32
#include <float.h>
#else
#include <cfenv>
#endif

namespace vl {

std::int64_t TruncateToInteger(double value) noexcept {
#if defined(__i386__) || defined(__x86_64__)
  std::uint16_t saved;
  asm volatile("fnstcw %0" : "=m"(saved));
  const std::uint16_t chop = saved | 0x0C00;  // rounding control 11: toward zero
  std::int64_t result;
  asm volatile("fldcw %1\n\t"
               "fistpll %0\n\t"
               "fldcw %2"
               : "=m"(result)
               : "m"(chop), "m"(saved), "t"(value)
               : "st");
  return result;
#else
  if (!(std::fabs(value) < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<std::int64_t>(value);
#endif
}

void ResetFloatingPointUnit() noexcept {
#ifdef _WIN32
  _fpreset();
#else
  std::fesetenv(FE_DFL_ENV);
#endif
}

}  // namespace vl
