#pragma once
// The installation pass's journal: what a pass is about to change, written into the product folder
// before the changes it announces, so that the next run of either program can put a pass that
// ended half-way back, or finish it. Portable: the pass and its recovery are tested on the host.
//
// The file is a row of chunks, each written whole by one write before the steps it announces:
//   u32 payload length, u32 CRC-32C of the payload, the payload: entries
// A chunk cut short or damaged ends the journal: nothing it announced was begun. An entry is
//   u8 kind, u32 number, u32 length, that many bytes
// and its kind says what it is (EntryKind). The first entry names the product folder; the first
// chunk, read whole, opens the journal. Paths are relative to the install root, in the system's
// texts (GB18030).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vl::journal {

enum class EntryKind : std::uint8_t {
  kProductFolder = 1,  // number: 1 when this run made it
  kFolder,             // a folder the pass makes, parents first
  kFile,               // number: 1 when it replaces a file that is there
  kValue,              // a registry value's path, followed by:
  kBefore,             //   what was there (number: its type)
  kAbsent,             //   or that nothing was,
  kAfter,              //   and what the pass writes (number: its type)
  kPlaced,             // every file is in place: the pass is finished, not undone
  kUndoing,            // the pass is undone after all, even though it was placed
};

// A registry value as it is stored: absent, or its type and bytes.
struct StoredValue {
  bool present = false;
  std::uint32_t type = 0;
  std::span<const std::uint8_t> bytes;
};

inline bool SameValue(const StoredValue& a, const StoredValue& b) noexcept {
  return a.present == b.present && (!a.present || (a.type == b.type && std::equal(a.bytes.begin(), a.bytes.end(),
                                                                                   b.bytes.begin(), b.bytes.end())));
}

// A journal is small (a folder list, a file list, a few values); one that exceeds these bounds
// cannot be written, and the pass then changes nothing.
inline constexpr std::size_t kMostFolders = 32;
inline constexpr std::size_t kMostFiles = 64;
inline constexpr std::size_t kMostValues = 16;
inline constexpr std::size_t kJournalCapacity = 64 * 1024;

// Every entry a whole journal may hold: the product folder, the folders and files, each value's
// three, and the marks.
inline constexpr std::size_t kMostEntries = 1 + kMostFolders + kMostFiles + 3 * kMostValues + 2;

struct JournalEntry {
  EntryKind kind;
  std::uint32_t number;
  std::span<const std::uint8_t> bytes;

  std::string_view Text() const noexcept { return {reinterpret_cast<const char*>(bytes.data()), bytes.size()}; }
  // The value a kBefore, kAbsent or kAfter entry names.
  StoredValue Value() const noexcept { return {kind != EntryKind::kAbsent, number, bytes}; }
};

// What a journal announced, its entries in the order they were written; they point into the
// journal's bytes. The first names the product folder; a kBefore or kAbsent entry follows its
// kValue, and a kAfter entry that.
struct JournalContents {
  JournalEntry entries[kMostEntries] = {};
  std::size_t count = 0;

  bool Has(EntryKind kind) const noexcept {
    for (std::size_t i = 0; i < count; ++i) {
      if (entries[i].kind == kind) return true;
    }
    return false;
  }
};

// Reads the chunks up to the first one cut short or damaged. False when the first chunk was not
// read whole: then nothing the journal announced was begun.
bool ReadJournal(std::span<const std::uint8_t> bytes, JournalContents& contents) noexcept;

// Builds chunks in a buffer that holds the whole journal, so that a pass can undo itself from
// what it wrote. A chunk that does not fit leaves the writer failed.
class JournalWriter {
 public:
  explicit JournalWriter(std::span<std::uint8_t> buffer) noexcept : m_buffer(buffer) {}

  void Begin() noexcept;
  void Entry(EntryKind kind, std::uint32_t number, std::span<const std::uint8_t> bytes) noexcept;
  void Entry(EntryKind kind, std::uint32_t number, std::string_view text) noexcept {
    Entry(kind, number, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  }
  // Closes the chunk: its length and check filled in. Empty when anything did not fit.
  std::span<const std::uint8_t> End() noexcept;
  // Everything written so far.
  std::span<const std::uint8_t> Written() const noexcept { return m_buffer.first(m_size); }

 private:
  void Put(const void* bytes, std::size_t count) noexcept;

  std::span<std::uint8_t> m_buffer;
  std::size_t m_size = 0;
  std::size_t m_chunk = 0;
  bool m_failed = false;
};

}  // namespace vl::journal
