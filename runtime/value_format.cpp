#include "value_format.h"

#include <cmath>
#include <cstring>

#include "base/decimal_text.h"
#include "runtime_texts.h"

namespace vl {
namespace {

// Plain ints throughout: the dates are at most 3e6 days from 1899, and 64-bit division would bring
// the compiler's helpers along.
struct CivilDate {
  int year;
  unsigned month;
  unsigned day;
};

// Proleptic Gregorian date of a day count from 1970-01-01.
CivilDate CivilFromDays(int z) noexcept {
  z += 719468;
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(yoe) + era * 400 + (m <= 2), m, d};
}

// A text put together from pieces in a fixed buffer; the date-time form needs about 40 bytes.
class Pieces {
 public:
  void Append(const char* text) noexcept {
    const std::size_t n = std::strlen(text);
    if (n > sizeof m_text - 1 - m_length) return;
    std::memcpy(m_text + m_length, text, n + 1);
    m_length += n;
  }
  void AppendNumber(long long value) noexcept {
    char digits[kIntegerTextCapacity];
    FormatSigned(digits, value);
    Append(digits);
  }
  const char* Text() const noexcept { return m_text; }

 private:
  char m_text[128] = "";
  std::size_t m_length = 0;
};

OwnedText FormatDateTime(double days) noexcept {
  if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return CopyText(kEmptyText);
  // The whole part counts days from 1899-12-30 (25569 days before 1970-01-01); the fraction is
  // the time of day, also for dates before 1899-12-30.
  const double whole = std::trunc(days);
  // Rounded half away from zero: `exact - seconds` loses nothing, as the two lie within a factor
  // of two of each other (or seconds is 0).
  const double exact = std::fabs(days - whole) * 86400.0;
  int seconds = static_cast<int>(exact);
  if (exact - seconds >= 0.5) ++seconds;
  int dayCount = static_cast<int>(whole) - 25569;
  if (seconds >= 86400) {
    seconds -= 86400;
    dayCount += days < 0 ? -1 : 1;
  }
  const CivilDate date = CivilFromDays(dayCount);
  Pieces text;
  text.AppendNumber(date.year);
  text.Append(kYearSuffix);
  text.AppendNumber(date.month);
  text.Append(kMonthSuffix);
  text.AppendNumber(date.day);
  text.Append(kDaySuffix);
  if (seconds != 0) {
    text.AppendNumber(seconds / 3600);
    text.Append(kHourSuffix);
    text.AppendNumber(seconds / 60 % 60);
    text.Append(kMinuteSuffix);
    text.AppendNumber(seconds % 60);
    text.Append(kSecondSuffix);
  }
  return CopyText(text.Text());
}

OwnedText RealText(double value, int digits, ReadBack readBack) noexcept {
  if (std::isnan(value)) return CopyText("NaN");
  if (std::isinf(value)) return CopyText(value < 0 ? "-Infinity" : "Infinity");
  char text[kRealTextCapacity];
  FormatShortestReal(text, value, digits, readBack);
  return CopyText(text);
}

OwnedText IntegerText(long long value) noexcept {
  char text[kIntegerTextCapacity];
  FormatSigned(text, value);
  return CopyText(text);
}

}  // namespace

OwnedText DisplayText(const ArgRecord& value) noexcept {
  const auto low = static_cast<std::uint32_t>(value.lo);
  switch (value.tag) {
    case tag::kText: return CopyText(reinterpret_cast<Text>(value.lo));
    case tag::kByte: return IntegerText(low & 0xFF);
    case tag::kShort: return IntegerText(static_cast<std::int16_t>(low & 0xFFFF));
    case tag::kInt: return IntegerText(static_cast<std::int32_t>(low));
    case tag::kInt64: return IntegerText(static_cast<std::int64_t>(Wide(value)));
    case tag::kFloat: return RealText(AsFloatBits(value), 7, ReadBack::kFloat);
    case tag::kDouble: return RealText(AsDoubleBits(value), 15, ReadBack::kDouble);
    case tag::kBool: return CopyText(low != 0 ? kTrueText : kFalseText);
    case tag::kDateTime: return FormatDateTime(AsDoubleBits(value));
    default: return CopyText(kEmptyText);
  }
}

}  // namespace vl
