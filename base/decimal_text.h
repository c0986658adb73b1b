#pragma once
// Decimal texts of numbers, written into the caller's buffer. Nothing here allocates or reads the
// locale: the fatal path uses them after the heap has failed, and a real number reads the same on
// every system.
#include <cstddef>
#include <cstdint>

namespace vl {

// Room for any integer text below, its NUL included ("-9223372036854775808").
inline constexpr std::size_t kIntegerTextCapacity = 24;
// Room for any real text below, its NUL included ("-2.22507385850720e-308").
inline constexpr std::size_t kRealTextCapacity = 32;

// Base 10 with '-' before a negative value. Return the length without the NUL.
std::size_t FormatUnsigned(char (&out)[kIntegerTextCapacity], std::uint64_t value) noexcept;
std::size_t FormatSigned(char (&out)[kIntegerTextCapacity], std::int64_t value) noexcept;

// How a real text must read back: as the same double, or as the same float (the text read as the
// nearest double, that double rounded to the nearest float).
enum class ReadBack { kDouble, kFloat };

// The shortest text of `value` with 1 to `maxDigits` (at most 17) significant digits that reads
// back as `value` (as `readBack` says); when none does, the text with `maxDigits` digits. Each
// candidate is `value` correctly rounded (ties to the even digit) in the form printf's "%.<n>g"
// gives it: plain digits for decimal exponents -4 to n-1, else d.ddde+XX with at least two
// exponent digits; trailing zeros and a bare point dropped; "-0" for negative zero. `value` must
// be finite. Returns the length without the NUL.
std::size_t FormatShortestReal(char (&out)[kRealTextCapacity], double value, int maxDigits,
                               ReadBack readBack) noexcept;

}  // namespace vl
