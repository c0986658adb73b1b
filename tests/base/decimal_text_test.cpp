// Decimal texts against the C library: printf's %lld and, for reals, the shortest %.<n>g text
// that strtod reads back, which is what the program's number texts have always been. The host
// run compares with the host's C library, the Windows run with the C99 formatting and strtod of
// the Windows toolchain, on the x87 arithmetic the program runs with.
#include "base/decimal_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace vl {
namespace {

std::string ShortestByTheCLibrary(double value, int digits, ReadBack readBack) {
  char buffer[64];
  for (int precision = 1; precision <= digits; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    const double back = std::strtod(buffer, nullptr);
    if (readBack == ReadBack::kFloat ? static_cast<float>(back) == static_cast<float>(value) : back == value) break;
  }
  return buffer;
}

std::string Shortest(double value, int digits, ReadBack readBack) {
  char text[kRealTextCapacity];
  const std::size_t length = FormatShortestReal(text, value, digits, readBack);
  EXPECT_EQ(length, std::strlen(text));
  return text;
}

// Both signs of a finite value, as the program's doubles (15 digits) and floats (7 digits).
void ExpectAsTheCLibrary(double value) {
  if (!std::isfinite(value)) return;
  for (double v : {value, -value}) {
    ASSERT_EQ(Shortest(v, 15, ReadBack::kDouble), ShortestByTheCLibrary(v, 15, ReadBack::kDouble)) << v;
    const double asFloat = static_cast<float>(v);
    if (std::isinf(asFloat)) continue;  // beyond the floats: the program shows no such float
    ASSERT_EQ(Shortest(asFloat, 7, ReadBack::kFloat), ShortestByTheCLibrary(asFloat, 7, ReadBack::kFloat)) << v;
  }
}

double FromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

TEST(DecimalText, IntegersAsPrintfWritesThem) {
  for (std::int64_t value : {INT64_MIN, INT64_MIN + 1, std::int64_t{-2147483648LL}, std::int64_t{-1}, std::int64_t{0},
                             std::int64_t{9}, std::int64_t{10}, std::int64_t{4294967295LL}, INT64_MAX}) {
    char text[kIntegerTextCapacity];
    char expected[32];
    std::snprintf(expected, sizeof expected, "%" PRId64, value);
    EXPECT_EQ(FormatSigned(text, value), std::strlen(expected));
    EXPECT_STREQ(text, expected);
  }
  char text[kIntegerTextCapacity];
  EXPECT_EQ(FormatUnsigned(text, UINT64_MAX), 20u);
  EXPECT_STREQ(text, "18446744073709551615");
}

TEST(DecimalText, RealsInThePrintfForms) {
  EXPECT_EQ(Shortest(0.1 + 0.2, 15, ReadBack::kDouble), "0.3");
  EXPECT_EQ(Shortest(-0.0, 15, ReadBack::kDouble), "-0");
  EXPECT_EQ(Shortest(1e15, 15, ReadBack::kDouble), "1e+15");
  EXPECT_EQ(Shortest(123456789012345.0, 15, ReadBack::kDouble), "123456789012345");
  EXPECT_EQ(Shortest(1234567890123456.0, 15, ReadBack::kDouble), "1.23456789012346e+15");  // no 15-digit form reads back
  EXPECT_EQ(Shortest(0.0001, 15, ReadBack::kDouble), "0.0001");
  EXPECT_EQ(Shortest(0.00001, 15, ReadBack::kDouble), "1e-05");
  EXPECT_EQ(Shortest(DBL_TRUE_MIN, 15, ReadBack::kDouble), "5e-324");
  EXPECT_EQ(Shortest(DBL_MAX, 15, ReadBack::kDouble), "1.79769313486232e+308");
  EXPECT_EQ(Shortest(0.1f, 7, ReadBack::kFloat), "0.1");
  EXPECT_EQ(Shortest(16777216.0f, 7, ReadBack::kFloat), "1.677722e+07");
  // A tie rounds to the even digit: 0.125 to two digits is 0.12.
  EXPECT_EQ(Shortest(0.125, 2, ReadBack::kDouble), "0.12");
}

TEST(DecimalText, RealsAsTheCLibraryWritesAndReadsThem) {
  for (double value : {0.0, 1.0, 0.1, 0.5, 0.25, 2.5, 1e22, 1e23, 9.999999999999999e22, 5e-324, DBL_TRUE_MIN,
                       DBL_MIN, std::nextafter(DBL_MIN, 0.0), DBL_MAX, double{FLT_MAX}, double{FLT_MIN},
                       double{FLT_TRUE_MIN}, 3.4028235677973366e38, 1e-46, 999999999999999.0, 9999999999999999.0,
                       0.000099999, 99999.5, 8388608.5, 0.3}) {
    ExpectAsTheCLibrary(value);
  }
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 4000 && !HasFatalFailure(); ++i) {
    const std::uint64_t bits = random();
    ExpectAsTheCLibrary(FromBits(bits));
    // Short decimals, where the shortest text is found early, and their neighbours.
    const double decimal = static_cast<double>(bits % 1000000000) * std::pow(10.0, static_cast<int>(bits >> 58) - 40);
    ExpectAsTheCLibrary(decimal);
    ExpectAsTheCLibrary(std::nextafter(decimal, 0.0));
    ExpectAsTheCLibrary(std::nextafter(decimal, DBL_MAX));
    // Exact halves at many scales: ties to round.
    ExpectAsTheCLibrary(std::ldexp(static_cast<double>(bits % 100000) + 0.5, -static_cast<int>((bits >> 32) % 24)));
    // Subnormal doubles.
    ExpectAsTheCLibrary(FromBits(bits & 0x000FFFFFFFFFFFFFull));
  }
}

}  // namespace
}  // namespace vl
