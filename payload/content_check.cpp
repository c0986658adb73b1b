#include "content_check.h"

#include "payload/catalogue.h"

namespace vl::payload {

int FirstDamagedEntry(Crc32cRoutine crc32c) noexcept {
  const std::span<const PayloadEntry> entries = Entries();
  for (const StoredContent& stored : StoredContents()) {
    // The size is the build's, not the byte set's own length word, which may be the damaged part.
    const std::span<const std::uint8_t> byteSet(static_cast<const std::uint8_t*>(entries[stored.entryIndex].content),
                                                stored.size);
    if (crc32c(byteSet) != stored.crc32c) return static_cast<int>(stored.entryIndex);
  }
  return -1;
}

int FirstDamagedEntry() noexcept { return FirstDamagedEntry(FastestCrc32c()); }

}  // namespace vl::payload
