#include "journal_format.h"

#include <bit>
#include <cstring>

#include "base/byte_reader.h"
#include "base/crc32c.h"

namespace vl::journal {
namespace {

constexpr std::size_t kChunkHeader = 8;

// The processor's CRC-32C instruction where it has one; asked once.
std::uint32_t ChunkCheck(std::span<const std::uint8_t> payload) noexcept {
  static const Crc32cRoutine routine = FastestCrc32c();
  return routine(payload);
}

// The fields of one chunk, read in order. A read past the chunk's end fails the chunk: it and
// every read after it give nothing, and the caller asks once, at the end, whether all was there.
class ChunkFields {
 public:
  explicit ChunkFields(std::span<const std::uint8_t> payload) noexcept : m_reader(payload) {}

  std::span<const std::uint8_t> Bytes(std::size_t count) noexcept {
    if (!m_failed) {
      if (const auto bytes = m_reader.ReadBytes(count)) return *bytes;
      m_failed = true;
    }
    return {};
  }
  // A little-endian number of `size` bytes (1 or 4); 0 once the chunk has failed.
  std::uint32_t Number(std::size_t size) noexcept {
    std::uint32_t number = 0;
    const auto bytes = Bytes(size);
    for (std::size_t i = bytes.size(); i-- > 0;) number = number << 8 | bytes[i];
    return number;
  }
  bool AtEnd() const noexcept { return m_failed || m_reader.AtEnd(); }
  bool Failed() const noexcept { return m_failed; }

 private:
  ByteReader m_reader;
  bool m_failed = false;
};

// Whether an entry of `kind` may follow the last one read: the product folder comes first and only
// first; what was there follows a value's path, and what the pass writes follows that.
bool Follows(const JournalContents& contents, EntryKind kind) noexcept {
  if (contents.count == kMostEntries) return false;
  const EntryKind last = contents.count != 0 ? contents.entries[contents.count - 1].kind : EntryKind{};
  switch (kind) {
    case EntryKind::kProductFolder: return contents.count == 0;
    case EntryKind::kBefore:
    case EntryKind::kAbsent: return last == EntryKind::kValue;
    case EntryKind::kAfter: return last == EntryKind::kBefore || last == EntryKind::kAbsent;
    default: return contents.count != 0 && kind >= EntryKind::kFolder && kind <= EntryKind::kUndoing;
  }
}

}  // namespace

bool ReadJournal(std::span<const std::uint8_t> bytes, JournalContents& contents) noexcept {
  contents.count = 0;
  ChunkFields chunks(bytes);
  for (bool begun = false;; begun = true) {
    const std::uint32_t length = chunks.Number(4);
    const std::uint32_t check = chunks.Number(4);
    const auto payload = chunks.Bytes(length);
    if (chunks.Failed() || ChunkCheck(payload) != check) return begun;
    ChunkFields entries(payload);
    while (!entries.AtEnd()) {
      const auto kind = static_cast<EntryKind>(entries.Number(1));
      const std::uint32_t number = entries.Number(4);
      const auto entry = entries.Bytes(entries.Number(4));
      if (entries.Failed() || !Follows(contents, kind)) return begun;
      contents.entries[contents.count++] = {kind, number, entry};
    }
    // The first chunk opens the journal only when it names the product folder.
    if (contents.count == 0) return false;
  }
}

void JournalWriter::Begin() noexcept {
  m_chunk = m_size;
  m_failed = false;
  const std::uint8_t header[kChunkHeader] = {};
  Put(header, kChunkHeader);
}

void JournalWriter::Entry(EntryKind kind, std::uint32_t number, std::span<const std::uint8_t> bytes) noexcept {
  const auto length = static_cast<std::uint32_t>(bytes.size());
  std::uint8_t header[9] = {static_cast<std::uint8_t>(kind)};
  std::memcpy(header + 1, &number, 4);
  std::memcpy(header + 5, &length, 4);
  Put(header, sizeof header);
  Put(bytes.data(), bytes.size());
}

std::span<const std::uint8_t> JournalWriter::End() noexcept {
  if (m_failed) {
    m_size = m_chunk;
    return {};
  }
  const std::span<std::uint8_t> chunk = m_buffer.subspan(m_chunk, m_size - m_chunk);
  const std::uint32_t words[2] = {static_cast<std::uint32_t>(chunk.size() - kChunkHeader),
                                  ChunkCheck(chunk.subspan(kChunkHeader))};
  std::memcpy(chunk.data(), words, kChunkHeader);
  return chunk;
}

void JournalWriter::Put(const void* bytes, std::size_t count) noexcept {
  if (m_failed || count > m_buffer.size() - m_size) {
    m_failed = true;
    return;
  }
  // Numbers go in as the machine lays them out, which for the journal must be little-endian.
  static_assert(std::endian::native == std::endian::little, "the journal's numbers are little-endian");
  if (count != 0) std::memcpy(m_buffer.data() + m_size, bytes, count);
  m_size += count;
}

}  // namespace vl::journal
