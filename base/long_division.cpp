#include "long_division.h"

namespace vl {

std::uint64_t DivideLong(std::uint64_t dividend, std::uint32_t divisor, std::uint32_t* remainder) noexcept {
  std::uint64_t quotient = 0;
  std::uint64_t rest = 0;  // below 2 * divisor, so 33 bits at most
  for (int bit = 63; bit >= 0; --bit) {
    rest = (rest << 1) | ((dividend >> bit) & 1);
    quotient <<= 1;
    if (rest >= divisor) {
      rest -= divisor;
      quotient |= 1;
    }
  }
  if (remainder != nullptr) *remainder = static_cast<std::uint32_t>(rest);
  return quotient;
}

}  // namespace vl
