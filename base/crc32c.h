#pragma once
// CRC-32C: the Castagnoli polynomial (0x1EDC6F41, reflected 0x82F63B78), all-ones initial value
// and final complement. The build records one per carried content and the installer checks them
// before it writes anything. x86 processors with SSE 4.2 compute it with one instruction per
// four bytes; every other processor uses a table.
#include <cstdint>
#include <span>

namespace vl {

using Crc32cRoutine = std::uint32_t (*)(std::span<const std::uint8_t>) noexcept;

// The faster way on this processor: the instruction where it has one, else the table. Asking the
// processor costs more than a small content's CRC: ask once, then use the routine for them all.
Crc32cRoutine FastestCrc32c() noexcept;

// The two ways, for the tests and the benchmark to compare.
std::uint32_t Crc32cByTable(std::span<const std::uint8_t> bytes) noexcept;
// Whether this processor has the CRC-32C instruction (SSE 4.2); false off x86.
bool HasCrc32cInstruction() noexcept;
// Only where HasCrc32cInstruction() says so.
std::uint32_t Crc32cByInstruction(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vl
