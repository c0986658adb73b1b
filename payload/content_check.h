#pragma once
// The carried contents checked against the CRC-32C the build recorded for each (catalogue.h,
// StoredContents). Reads only the program's constants: any thread may run it.
#include "base/crc32c.h"

namespace vl::payload {

// The index in Entries() of the first entry whose stored content is damaged; -1 when every one
// is sound. `crc32c` is the routine to use (the benchmark compares the two); without one, the
// faster on this processor.
int FirstDamagedEntry(Crc32cRoutine crc32c) noexcept;
int FirstDamagedEntry() noexcept;

}  // namespace vl::payload
