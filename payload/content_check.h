#pragma once
// The carried contents checked against the CRC-32C the build recorded for each (catalogue.h,
// StoredContents). Reads only the program's constants: any thread may run it.
#include <cstdint>
#include <span>

namespace vl::payload {

using Crc32cRoutine = std::uint32_t (*)(std::span<const std::uint8_t>) noexcept;

// The index in Entries() of the first entry whose stored content is damaged; -1 when every one
// is sound. `crc32c` is the routine to use (the benchmark compares the two).
int FirstDamagedEntry(Crc32cRoutine crc32c) noexcept;
int FirstDamagedEntry() noexcept;

}  // namespace vl::payload
