#include "decimal_text.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "long_division.h"

namespace vl {
namespace {

// An unsigned integer of up to kWords 32-bit words, least significant first: room for the exact
// products that CompareDecimalWithBinary makes (below 900 bits for any finite double).
class BigNumber {
 public:
  explicit BigNumber(std::uint64_t value) noexcept {
    m_words[0] = static_cast<std::uint32_t>(value);
    m_words[1] = static_cast<std::uint32_t>(value >> 32);
    m_used = m_words[1] != 0 ? 2 : (m_words[0] != 0 ? 1 : 0);
  }

  int BitLength() const noexcept {
    if (m_used == 0) return 0;
    return (m_used - 1) * 32 + (32 - __builtin_clz(m_words[m_used - 1]));
  }

  static constexpr int kCapacityBits = 40 * 32;

  void Multiply(std::uint32_t factor) noexcept {
    std::uint64_t carry = 0;
    for (int i = 0; i < m_used; ++i) {
      const std::uint64_t product = static_cast<std::uint64_t>(m_words[i]) * factor + carry;
      m_words[i] = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) m_words[m_used++] = static_cast<std::uint32_t>(carry);
  }

  void MultiplyByPowerOfFive(int exponent) noexcept {
    constexpr std::uint32_t kFiveToThe13 = 1220703125;  // the largest power of five in 32 bits
    for (; exponent >= 13; exponent -= 13) Multiply(kFiveToThe13);
    std::uint32_t rest = 1;
    for (; exponent > 0; --exponent) rest *= 5;
    Multiply(rest);
  }

  void ShiftLeft(int bits) noexcept {
    if (m_used == 0 || bits == 0) return;
    const int words = bits / 32;
    const int rest = bits % 32;
    int used = m_used + words + 1;
    for (int i = used - 1; i >= words; --i) {
      const int from = i - words;
      const std::uint32_t high = from < m_used ? m_words[from] : 0;
      const std::uint32_t low = from - 1 >= 0 && from - 1 < m_used ? m_words[from - 1] : 0;
      m_words[i] = rest == 0 ? high : (high << rest) | (low >> (32 - rest));
    }
    for (int i = 0; i < words; ++i) m_words[i] = 0;
    while (used > 0 && m_words[used - 1] == 0) --used;
    m_used = used;
  }

  friend int Compare(const BigNumber& a, const BigNumber& b) noexcept {
    if (a.m_used != b.m_used) return a.m_used < b.m_used ? -1 : 1;
    for (int i = a.m_used - 1; i >= 0; --i) {
      if (a.m_words[i] != b.m_words[i]) return a.m_words[i] < b.m_words[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  std::uint32_t m_words[kCapacityBits / 32 + 1] = {};
  int m_used = 0;
};

int BitLength(std::uint64_t value) noexcept { return value == 0 ? 0 : 64 - __builtin_clzll(value); }

// decimal * 10^decimalExponent against binary * 2^binaryExponent, exactly: negative, zero or
// positive as the decimal is below, equal to or above the binary.
int CompareDecimalWithBinary(std::uint64_t decimal, int decimalExponent, std::uint64_t binary,
                             int binaryExponent) noexcept {
  if (decimal == 0 || binary == 0) return (decimal != 0) - (binary != 0);
  // Far apart, their binary logarithms tell (each estimate is within 1 of the truth); close, the
  // exact products below stay within BigNumber's room.
  const double log2Decimal = BitLength(decimal) + decimalExponent * 3.3219280948873623;
  const double log2Binary = BitLength(binary) + binaryExponent;
  if (log2Decimal > log2Binary + 4) return 1;
  if (log2Decimal < log2Binary - 4) return -1;
  // decimal * 5^d * 2^d against binary * 2^b, every negative power moved to the other side.
  BigNumber left(decimal);
  BigNumber right(binary);
  if (decimalExponent >= 0) {
    left.MultiplyByPowerOfFive(decimalExponent);
  } else {
    right.MultiplyByPowerOfFive(-decimalExponent);
  }
  if (binaryExponent >= decimalExponent) {
    right.ShiftLeft(binaryExponent - decimalExponent);
  } else {
    left.ShiftLeft(decimalExponent - binaryExponent);
  }
  return Compare(left, right);
}

// A positive finite binary number m * 2^e; for a normal double m has its 53rd bit set.
struct Binary {
  std::uint64_t m;
  int e;
};

constexpr std::uint64_t kHiddenBit = std::uint64_t{1} << 52;
constexpr int kSmallestExponent = -1074;  // of the subnormal doubles and the smallest normal binade

Binary DecomposeDouble(double value) noexcept {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint64_t fraction = bits & (kHiddenBit - 1);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  if (exponent == 0) return {fraction, kSmallestExponent};
  return {fraction | kHiddenBit, exponent - 1075};
}

// A positive finite float as m * 2^e (every float is a normal double).
Binary DecomposeFloatAsDouble(float value) noexcept {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint32_t fraction = bits & 0x7FFFFF;
  const int exponent = static_cast<int>((bits >> 23) & 0xFF);
  Binary b = exponent == 0 ? Binary{fraction, -149} : Binary{fraction | 0x800000u, exponent - 150};
  return b;
}

Binary Normalised(Binary b) noexcept {
  const int shift = 53 - BitLength(b.m);
  return {b.m << shift, b.e - shift};
}

// The points halfway to the neighbouring doubles of a positive double. Below a power of two
// (not in the smallest binade) the neighbour is half as far.
Binary HalfwayBelow(Binary x) noexcept {
  if (x.m == kHiddenBit && x.e > kSmallestExponent) return {4 * x.m - 1, x.e - 2};
  return {2 * x.m - 1, x.e - 1};
}
Binary HalfwayAbove(Binary x) noexcept { return {2 * x.m + 1, x.e - 1}; }

// The same points for a float's neighbours, as doubles (they need 26 bits at most).
Binary FloatHalfwayBelow(Binary f) noexcept {
  if (f.m == 0x800000u && f.e > -149) return Normalised({4 * f.m - 1, f.e - 2});
  return Normalised({2 * f.m - 1, f.e - 1});
}
Binary FloatHalfwayAbove(Binary f) noexcept { return Normalised({2 * f.m + 1, f.e - 1}); }

int Compare(std::uint64_t digits, int exponent, Binary b) noexcept {
  return CompareDecimalWithBinary(digits, exponent, b.m, b.e);
}

// Whether digits * 10^exponent, read as the nearest double (ties to even), is `value`.
bool ReadsBackAsDouble(std::uint64_t digits, int exponent, double value) noexcept {
  const Binary x = DecomposeDouble(value);
  const int low = Compare(digits, exponent, HalfwayBelow(x));
  const int high = Compare(digits, exponent, HalfwayAbove(x));
  // A halfway point goes to the neighbour with the even significand.
  return x.m % 2 == 0 ? low >= 0 && high <= 0 : low > 0 && high < 0;
}

// Whether digits * 10^exponent, read as the nearest double and that double rounded to the nearest
// float, is `value`. The float's halfway points are doubles with an even significand, so the
// double reading of the text lands on one exactly when the text lies within half a double of it.
// Out of the float range `value` is infinity or zero, which the texts beyond the largest float's
// upper halfway point, or up to the smallest one's lower halfway point, read back as.
bool ReadsBackAsFloat(std::uint64_t digits, int exponent, float value) noexcept {
  if (std::isinf(value)) {
    const Binary above = FloatHalfwayAbove(DecomposeFloatAsDouble(FLT_MAX));
    return Compare(digits, exponent, HalfwayBelow(above)) >= 0;
  }
  if (value == 0) {
    const Binary below = FloatHalfwayBelow(DecomposeFloatAsDouble(FLT_TRUE_MIN));
    return Compare(digits, exponent, HalfwayAbove(below)) <= 0;
  }
  const Binary f = DecomposeFloatAsDouble(value);
  const Binary low = FloatHalfwayBelow(f);
  const Binary high = FloatHalfwayAbove(f);
  if (f.m % 2 == 0) {
    return Compare(digits, exponent, HalfwayBelow(low)) >= 0 && Compare(digits, exponent, HalfwayAbove(high)) <= 0;
  }
  return Compare(digits, exponent, HalfwayAbove(low)) > 0 && Compare(digits, exponent, HalfwayBelow(high)) < 0;
}

long double PowerOfTen(int exponent) noexcept {
  long double result = 1;
  long double factor = 10;
  for (unsigned n = static_cast<unsigned>(exponent < 0 ? -exponent : exponent); n != 0; n >>= 1) {
    if ((n & 1) != 0) result *= factor;
    factor *= factor;
  }
  return exponent < 0 ? 1 / result : result;
}

std::uint64_t PowerOfTenInteger(int exponent) noexcept {
  std::uint64_t result = 1;
  while (exponent-- > 0) result *= 10;
  return result;
}

// A positive finite double correctly rounded to `precision` significant digits (ties to the even
// digit): value ~ digits * 10^(exponent - precision + 1), digits of exactly `precision` digits.
struct Rounded {
  std::uint64_t digits;
  int exponent;  // the decimal exponent of the first digit
};

Rounded RoundToDigits(double value, int precision) noexcept {
  const Binary b = DecomposeDouble(value);
  // 10^exponent <= value < 10^(exponent + 1): the estimate from the binary exponent is at most
  // one away.
  int exponent = static_cast<int>((BitLength(b.m) - 1 + b.e) * 0.30102999566398120);
  while (Compare(1, exponent + 1, b) <= 0) ++exponent;
  while (Compare(1, exponent, b) > 0) --exponent;
  int scale = exponent - precision + 1;  // the decimal exponent of the last digit
  // The truncated digits from an estimate in extended precision, then made exact.
  const long double estimate = static_cast<long double>(value) * PowerOfTen(-scale);
  std::uint64_t digits = estimate < 1 ? 0 : static_cast<std::uint64_t>(estimate);
  while (Compare(digits + 1, scale, b) <= 0) ++digits;
  while (digits > 0 && Compare(digits, scale, b) > 0) --digits;
  // Round: the midpoint (digits + 1/2) * 10^scale is (2 * digits + 1) * 5 * 10^(scale - 1).
  const int toMidpoint = Compare((2 * digits + 1) * 5, scale - 1, b);
  if (toMidpoint < 0 || (toMidpoint == 0 && digits % 2 != 0)) ++digits;
  if (digits == PowerOfTenInteger(precision)) {
    digits = DivideLong(digits, 10);
    ++exponent;
  }
  return {digits, exponent};
}

// printf's %.<precision>g text of (negative) digits * 10^(exponent - precision + 1).
std::size_t WriteGeneralForm(char* out, bool negative, Rounded r, int precision) noexcept {
  char digitText[20];
  std::uint64_t rest = r.digits;
  for (int i = precision - 1; i >= 0; --i) {
    std::uint32_t digit;
    rest = DivideLong(rest, 10, &digit);
    digitText[i] = static_cast<char>('0' + digit);
  }
  int significant = precision;  // the digits that stay: trailing zeros go
  while (significant > 1 && digitText[significant - 1] == '0') --significant;

  char* p = out;
  if (negative) *p++ = '-';
  if (r.exponent < -4 || r.exponent >= precision) {
    *p++ = digitText[0];
    if (significant > 1) {
      *p++ = '.';
      for (int i = 1; i < significant; ++i) *p++ = digitText[i];
    }
    *p++ = 'e';
    *p++ = r.exponent < 0 ? '-' : '+';
    const int magnitude = r.exponent < 0 ? -r.exponent : r.exponent;
    if (magnitude >= 100) *p++ = static_cast<char>('0' + magnitude / 100);
    *p++ = static_cast<char>('0' + magnitude / 10 % 10);
    *p++ = static_cast<char>('0' + magnitude % 10);
  } else if (r.exponent >= 0) {
    for (int i = 0; i <= r.exponent; ++i) *p++ = digitText[i];
    if (significant > r.exponent + 1) {
      *p++ = '.';
      for (int i = r.exponent + 1; i < significant; ++i) *p++ = digitText[i];
    }
  } else {
    *p++ = '0';
    *p++ = '.';
    for (int i = -1; i > r.exponent; --i) *p++ = '0';
    for (int i = 0; i < significant; ++i) *p++ = digitText[i];
  }
  *p = '\0';
  return static_cast<std::size_t>(p - out);
}

}  // namespace

std::size_t FormatUnsigned(char (&out)[kIntegerTextCapacity], std::uint64_t value) noexcept {
  char reversed[kIntegerTextCapacity];
  std::size_t n = 0;
  do {
    std::uint32_t digit;
    value = DivideLong(value, 10, &digit);
    reversed[n++] = static_cast<char>('0' + digit);
  } while (value != 0);
  for (std::size_t i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
  out[n] = '\0';
  return n;
}

std::size_t FormatSigned(char (&out)[kIntegerTextCapacity], std::int64_t value) noexcept {
  if (value >= 0) return FormatUnsigned(out, static_cast<std::uint64_t>(value));
  // The magnitude in unsigned arithmetic: the most negative value has no positive counterpart.
  char digits[kIntegerTextCapacity];
  const std::size_t n = FormatUnsigned(digits, 0 - static_cast<std::uint64_t>(value));
  out[0] = '-';
  std::memcpy(out + 1, digits, n + 1);
  return n + 1;
}

std::size_t FormatShortestReal(char (&out)[kRealTextCapacity], double value, int maxDigits,
                               ReadBack readBack) noexcept {
  if (maxDigits < 1) maxDigits = 1;
  if (maxDigits > 17) maxDigits = 17;
  const bool negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  if (magnitude == 0) return WriteGeneralForm(out, negative, Rounded{0, 0}, 1);
  const float asFloat = static_cast<float>(magnitude);
  std::size_t length = 0;
  for (int precision = 1; precision <= maxDigits; ++precision) {
    const Rounded r = RoundToDigits(magnitude, precision);
    length = WriteGeneralForm(out, negative, r, precision);
    const int scale = r.exponent - precision + 1;
    if (readBack == ReadBack::kFloat ? ReadsBackAsFloat(r.digits, scale, asFloat)
                                     : ReadsBackAsDouble(r.digits, scale, magnitude)) {
      break;
    }
  }
  return length;
}

}  // namespace vl
