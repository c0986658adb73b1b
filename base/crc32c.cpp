#include "crc32c.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define VL_X86 1
#endif

namespace vl {
namespace {

constexpr std::uint32_t kReflectedPolynomial = 0x82F63B78u;

}  // namespace

std::uint32_t Crc32cByTable(std::span<const std::uint8_t> bytes) noexcept {
  // Made on each call, on the stack: 2048 steps are nothing beside the megabytes it checks, and
  // the program file need not hold the kilobyte.
  std::uint32_t table[256];
  for (std::uint32_t index = 0; index < 256; ++index) {
    std::uint32_t remainder = index;
    for (int bit = 0; bit < 8; ++bit) remainder = (remainder >> 1) ^ (kReflectedPolynomial & (0u - (remainder & 1u)));
    table[index] = remainder;
  }
  std::uint32_t crc = ~0u;
  for (const std::uint8_t byte : bytes) crc = (crc >> 8) ^ table[(crc ^ byte) & 0xFFu];
  return ~crc;
}

#if VL_X86

bool HasCrc32cInstruction() noexcept {
  // Leaf 1 exists on every processor that runs the supported systems.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  __cpuid(1, eax, ebx, ecx, edx);
  return (ecx & bit_SSE4_2) != 0;
}

__attribute__((target("sse4.2"))) std::uint32_t Crc32cByInstruction(std::span<const std::uint8_t> bytes) noexcept {
  std::uint32_t crc = ~0u;
  std::size_t at = 0;
  for (; bytes.size() - at >= 4; at += 4) {
    std::uint32_t word;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    crc = __builtin_ia32_crc32si(crc, word);
  }
  for (; at < bytes.size(); ++at) crc = __builtin_ia32_crc32qi(crc, bytes[at]);
  return ~crc;
}

#else

bool HasCrc32cInstruction() noexcept { return false; }
std::uint32_t Crc32cByInstruction(std::span<const std::uint8_t> bytes) noexcept { return Crc32cByTable(bytes); }

#endif

Crc32cRoutine FastestCrc32c() noexcept { return HasCrc32cInstruction() ? &Crc32cByInstruction : &Crc32cByTable; }

}  // namespace vl
