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

// Adds one entry to what the journal announced; false when it does not belong where it stands.
bool Take(JournalContents& contents, bool& opened, EntryKind kind, std::uint32_t number,
          std::span<const std::uint8_t> bytes) noexcept {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (kind == EntryKind::kProductFolder || !opened) {
    if (kind != EntryKind::kProductFolder || opened) return false;
    opened = true;
    contents.productFolder = text;
    contents.productFolderMade = number != 0;
    return true;
  }
  switch (kind) {
    case EntryKind::kFolder:
      if (contents.folderCount == kMostFolders) return false;
      contents.folders[contents.folderCount++] = text;
      return true;
    case EntryKind::kFile:
      if (contents.fileCount == kMostFiles) return false;
      contents.files[contents.fileCount++] = {text, number != 0};
      return true;
    case EntryKind::kPlaced: contents.placed = true; return true;
    case EntryKind::kUndoing: contents.undoing = true; return true;
    default: break;
  }
  // A value counts once what the pass writes is read, after its path and what was there.
  if (contents.valueCount == kMostValues) return false;
  JournalValue& value = contents.values[contents.valueCount];
  if (kind == EntryKind::kValue) {
    value.path = text;
  } else if (kind == EntryKind::kBefore || kind == EntryKind::kAbsent) {
    value.before = {kind == EntryKind::kBefore, number, bytes};
  } else if (kind == EntryKind::kAfter) {
    value.after = {true, number, bytes};
    ++contents.valueCount;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ReadJournal(std::span<const std::uint8_t> bytes, JournalContents& contents) noexcept {
  contents = {};
  ChunkFields chunks(bytes);
  bool opened = false;
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
      if (entries.Failed() || !Take(contents, opened, kind, number, entry)) return begun;
    }
    // The first chunk opens the journal only when it names the product folder.
    if (!opened) return false;
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
