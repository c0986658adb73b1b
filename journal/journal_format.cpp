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

std::string_view AsText(std::span<const std::uint8_t> bytes) noexcept {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool ReadText(ByteReader& reader, std::string_view& text) noexcept {
  const auto length = reader.ReadU16();
  if (!length) return false;
  const auto bytes = reader.ReadBytes(*length);
  if (!bytes) return false;
  text = AsText(*bytes);
  return true;
}

bool ReadValue(ByteReader& reader, StoredValue& value, bool present) noexcept {
  const auto type = reader.ReadU32();
  const auto bytes = type ? reader.ReadCounted() : Expected<std::span<const std::uint8_t>>(Error{});
  if (!bytes) return false;
  value = {present, *type, *bytes};
  return true;
}

bool ReadBegin(ByteReader& reader, JournalContents& contents) noexcept {
  const auto made = ReadText(reader, contents.productFolder) ? reader.ReadU8() : Expected<std::uint8_t>(Error{});
  if (!made) return false;
  contents.productFolderMade = *made != 0;
  const auto folders = reader.ReadU16();
  if (!folders || *folders > kMostFolders) return false;
  for (std::size_t i = 0; i < *folders; ++i) {
    if (!ReadText(reader, contents.folders[i])) return false;
  }
  const auto files = reader.ReadU16();
  if (!files || *files > kMostFiles) return false;
  for (std::size_t i = 0; i < *files; ++i) {
    const auto replaces = ReadText(reader, contents.files[i].path) ? reader.ReadU8() : Expected<std::uint8_t>(Error{});
    if (!replaces) return false;
    contents.files[i].replaces = *replaces != 0;
  }
  contents.folderCount = *folders;
  contents.fileCount = *files;
  return true;
}

bool ReadValues(ByteReader& reader, JournalContents& contents) noexcept {
  while (!reader.AtEnd()) {
    if (contents.valueCount == kMostValues) return false;
    JournalValue& value = contents.values[contents.valueCount++];
    const auto present = ReadText(reader, value.path) ? reader.ReadU8() : Expected<std::uint8_t>(Error{});
    if (!present || !ReadValue(reader, value.before, *present != 0) || !ReadValue(reader, value.after, true)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadJournal(std::span<const std::uint8_t> bytes, JournalContents& contents) noexcept {
  contents = {};
  ByteReader chunks(bytes);
  bool begun = false;
  for (;;) {
    const auto length = chunks.ReadU32();
    const auto check = length ? chunks.ReadU32() : Expected<std::uint32_t>(Error{});
    const auto payload = check ? chunks.ReadBytes(*length) : Expected<std::span<const std::uint8_t>>(Error{});
    if (!payload || payload->empty() || ChunkCheck(*payload) != *check) return begun;
    ByteReader reader(payload->subspan(1));
    const auto kind = static_cast<ChunkKind>((*payload)[0]);
    // Only a begin chunk opens a journal; what follows it adds to it.
    bool read = false;
    if (!begun) {
      read = kind == ChunkKind::kBegin && ReadBegin(reader, contents);
      begun = read;
    } else if (kind == ChunkKind::kValues) {
      read = ReadValues(reader, contents);
    } else if (kind == ChunkKind::kPlaced || kind == ChunkKind::kUndoing) {
      (kind == ChunkKind::kPlaced ? contents.placed : contents.undoing) = true;
      read = true;
    }
    if (!read || !reader.AtEnd()) return begun;
  }
}

void JournalWriter::Begin(ChunkKind kind) noexcept {
  m_chunk = m_size;
  m_failed = false;
  const std::uint8_t header[kChunkHeader] = {};
  Put(header, kChunkHeader);
  Byte(static_cast<std::uint32_t>(kind));
}

void JournalWriter::Text(std::string_view text) noexcept {
  if (text.size() > 0xFFFF) m_failed = true;
  Word(static_cast<std::uint32_t>(text.size()));
  Put(text.data(), text.size());
}

void JournalWriter::Value(const StoredValue& value) noexcept {
  Dword(value.type);
  Dword(static_cast<std::uint32_t>(value.bytes.size()));
  Put(value.bytes.data(), value.bytes.size());
}

std::span<const std::uint8_t> JournalWriter::End() noexcept {
  if (m_failed) {
    m_size = m_chunk;
    return {};
  }
  const std::span<std::uint8_t> chunk = m_buffer.subspan(m_chunk, m_size - m_chunk);
  const std::uint32_t words[2] = {static_cast<std::uint32_t>(chunk.size() - kChunkHeader),
                                  ChunkCheck(chunk.subspan(kChunkHeader))};
  for (std::size_t i = 0; i < kChunkHeader; ++i) chunk[i] = static_cast<std::uint8_t>(words[i / 4] >> (8 * (i % 4)));
  return chunk;
}

void JournalWriter::Put(const void* bytes, std::size_t count) noexcept {
  if (m_failed || count > m_buffer.size() - m_size) {
    m_failed = true;
    return;
  }
  // Numbers go in as little-endian bytes whatever the machine; Byte, Word and Dword pass the
  // number's own bytes, which only a little-endian machine lays out so.
  static_assert(std::endian::native == std::endian::little, "the journal's numbers are little-endian");
  if (count != 0) std::memcpy(m_buffer.data() + m_size, bytes, count);
  m_size += count;
}

}  // namespace vl::journal
