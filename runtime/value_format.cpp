#include "value_format.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "runtime_texts.h"

namespace vl {
namespace {

struct CivilDate {
  long long year;
  unsigned month;
  unsigned day;
};

// Proleptic Gregorian date of a day count from 1970-01-01.
CivilDate CivilFromDays(long long z) noexcept {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<long long>(yoe) + era * 400 + (m <= 2), m, d};
}

char* FormatDateTime(double days) noexcept {
  if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return CopyText(kEmptyText);
  // The whole part counts days from 1899-12-30 (25569 days before 1970-01-01); the fraction is
  // the time of day, also for dates before 1899-12-30.
  const double whole = std::trunc(days);
  long long seconds = std::llround(std::fabs(days - whole) * 86400.0);
  long long dayCount = static_cast<long long>(whole) - 25569;
  if (seconds >= 86400) {
    seconds -= 86400;
    dayCount += days < 0 ? -1 : 1;
  }
  const CivilDate date = CivilFromDays(dayCount);
  char buffer[128];
  int n = std::snprintf(buffer, sizeof buffer, "%lld%s%u%s%u%s", date.year, kYearSuffix, date.month,
                        kMonthSuffix, date.day, kDaySuffix);
  if (seconds != 0 && n > 0) {
    std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), "%lld%s%lld%s%lld%s", seconds / 3600,
                  kHourSuffix, seconds / 60 % 60, kMinuteSuffix, seconds % 60, kSecondSuffix);
  }
  return CopyText(buffer);
}

char* FormatReal(double value, int digits) noexcept {
  char buffer[64];
  if (std::isnan(value)) return CopyText("NaN");
  if (std::isinf(value)) return CopyText(value < 0 ? "-Infinity" : "Infinity");
  // The shortest form up to `digits` significant digits that reads back as the same number.
  for (int precision = 1; precision <= digits; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    const double back = std::strtod(buffer, nullptr);
    if (digits <= 7 ? static_cast<float>(back) == static_cast<float>(value) : back == value) break;
  }
  return CopyText(buffer);
}

char* FormatSigned(long long value) noexcept {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%lld", value);
  return CopyText(buffer);
}

}  // namespace

char* DisplayText(const ArgRecord& value) noexcept {
  const auto low = static_cast<std::uint32_t>(value.lo);
  switch (value.tag) {
    case tag::kText: return CopyText(reinterpret_cast<Text>(value.lo));
    case tag::kByte: return FormatSigned(low & 0xFF);
    case tag::kShort: return FormatSigned(static_cast<std::int16_t>(low & 0xFFFF));
    case tag::kInt: return FormatSigned(static_cast<std::int32_t>(low));
    case tag::kInt64: return FormatSigned(static_cast<std::int64_t>(Wide(value)));
    case tag::kFloat: return FormatReal(AsFloatBits(value), 7);
    case tag::kDouble: return FormatReal(AsDoubleBits(value), 15);
    case tag::kBool: return CopyText(low != 0 ? kTrueText : kFalseText);
    case tag::kDateTime: return FormatDateTime(AsDoubleBits(value));
    default: return CopyText(kEmptyText);
  }
}

}  // namespace vl
