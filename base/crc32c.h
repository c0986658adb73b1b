#pragma once
// CRC-32C: the Castagnoli polynomial (0x1EDC6F41, reflected 0x82F63B78), all-ones initial value
// and final complement. The build records one per carried content and the installer checks them
// before it writes anything. x86 processors with SSE 4.2 compute it with one instruction per
// four bytes; every other processor uses a table.
#include <cstdint>
#include <span>

namespace vl {

// The CRC-32C of `bytes`, by the processor's instruction where it has one, else by the table.
std::uint32_t Crc32c(std::span<const std::uint8_t> bytes) noexcept;

// The two ways, for the tests and the benchmark to compare.
std::uint32_t Crc32cByTable(std::span<const std::uint8_t> bytes) noexcept;
// Whether this processor has the CRC-32C instruction (SSE 4.2); false off x86.
bool HasCrc32cInstruction() noexcept;
// Only where HasCrc32cInstruction() says so.
std::uint32_t Crc32cByInstruction(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vl
