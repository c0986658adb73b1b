#pragma once
// The page description list: read and validated once at start-up from the page-description
// segment, kept for the whole run. Unit records stay where they are stored and are read in place
// at the places found when they were read; a unit gets a record of its own only when a field of
// another length (its tag, its mouse pointer) is written.
#include <cstdint>
#include <span>
#include <vector>

#include "base/expected.h"
#include "unit_view.h"

namespace vl::pages {

class Unit {
 public:
  // `layout` is the stored record's, as LocateUnitFields gave it.
  Unit(std::uint32_t id, std::span<std::uint8_t> stored, const UnitLayout& layout) noexcept
      : m_id(id), m_stored(stored), m_layout(layout) {}

  std::uint32_t Id() const noexcept { return m_id; }
  bool IsMenuEntry() const noexcept { return IdSubtype(m_id) == kUnitSubtypeMenuEntry; }
  // The record data (without its length dword), in the segment or the unit's own copy.
  std::span<std::uint8_t> Record() noexcept { return m_replacement.empty() ? m_stored : std::span(m_replacement); }
  std::span<const std::uint8_t> Record() const noexcept {
    return m_replacement.empty() ? std::span<const std::uint8_t>(m_stored) : std::span<const std::uint8_t>(m_replacement);
  }
  UnitView View() noexcept { return UnitView(Record(), m_layout); }

  // Rewrite the record with another tag (a text without zero bytes; a zero ends it) or another
  // mouse-pointer block. No effect on a menu entry.
  void ReplaceTag(std::span<const std::uint8_t> tag);
  void ReplaceMousePointer(std::span<const std::uint8_t> block);

  // The record's current bytes, and putting saved bytes back.
  std::vector<std::uint8_t> SaveRecord() const;
  void RestoreRecord(const std::vector<std::uint8_t>& saved);

 private:
  void Splice(std::size_t offset, std::size_t length, std::span<const std::uint8_t> bytes);

  std::uint32_t m_id;
  std::span<std::uint8_t> m_stored;
  UnitLayout m_layout;
  std::vector<std::uint8_t> m_replacement;
};

// The stored values of a page's units, taken when the page is loaded.
using SavedUnits = std::vector<std::vector<std::uint8_t>>;

class PageDescription {
 public:
  std::uint32_t Id() const noexcept { return m_id; }
  std::uint32_t Reserved() const noexcept { return m_reserved; }
  std::uint32_t ModuleId() const noexcept { return m_moduleId; }
  // The page record's two counted texts: kept with the page, empty in every page, not used.
  std::span<const std::uint8_t> FirstReservedText() const noexcept { return m_firstReservedText; }
  std::span<const std::uint8_t> SecondReservedText() const noexcept { return m_secondReservedText; }

  // Stored order; the first is the window unit.
  std::span<Unit> Units() noexcept { return m_units; }
  std::span<const Unit> Units() const noexcept { return m_units; }
  Unit& WindowUnit() noexcept { return m_units.front(); }
  // Linear scan; null for an unknown id.
  Unit* FindUnit(std::uint32_t id) noexcept;

  // Loading a page saves its units; closing it puts them back, so every load starts from the
  // stored values. Restoring a save of another page (another unit count) does nothing.
  SavedUnits SaveUnits() const;
  void RestoreUnits(const SavedUnits& saved);

 private:
  friend class SegmentReader;

  std::uint32_t m_id = 0;
  std::uint32_t m_reserved = 0;
  std::uint32_t m_moduleId = 0;
  std::span<const std::uint8_t> m_firstReservedText;
  std::span<const std::uint8_t> m_secondReservedText;
  std::vector<Unit> m_units;
};

class PageList {
 public:
  PageList() = default;
  explicit PageList(std::vector<PageDescription> pages) noexcept : m_pages(std::move(pages)) {}

  std::span<PageDescription> Pages() noexcept { return m_pages; }
  std::span<const PageDescription> Pages() const noexcept { return m_pages; }
  std::size_t Count() const noexcept { return m_pages.size(); }
  bool Empty() const noexcept { return m_pages.empty(); }
  // Linear scan; null for an unknown id.
  PageDescription* Find(std::uint32_t pageId) noexcept;
  void Clear() noexcept { m_pages.clear(); }

 private:
  std::vector<PageDescription> m_pages;
};

// What is wrong with a segment the reader refused.
enum class PageFault : std::uint8_t {
  Truncated,       // a read past the end of the segment or of a record
  PageIndex,       // the index length, or bytes after the last page record
  PageId,          // an invalid or repeated page id
  UnitBlock,       // the unit count, the unit table or the records' places and lengths
  UnitId,          // an invalid or repeated unit id
  FirstUnit,       // the first unit is not a window unit
  WindowSlot,      // a stored window slot that is not 0
  PointerSlot,     // a stored pointer slot that is not 0
  Handler,         // a handler offset that names no routine entry
  Container,       // a container that is not a unit of the same page
  ContainerCycle,  // units that contain each other
  PropertyBlock,   // a property block that cannot be read
  Picture,         // a picture whose header announces more than kMaxPicturePixels
};

// What, where and why. Indexes count from 0 in stored order; -1 outside any page or unit record.
struct PageError {
  PageFault fault = PageFault::Truncated;
  const char* why = "";
  std::size_t offset = 0;  // in the segment
  int page = -1;
  int unit = -1;
};

const char* PageFaultName(PageFault fault) noexcept;
// "<fault name>: <why> (offset <n>, page <p>, unit <u>)", cut to fit `out` and NUL-terminated;
// it allocates nothing, so that the fatal path can use it. Returns the length without the NUL.
std::size_t DescribePageError(const PageError& error, std::span<char> out) noexcept;

// Reads the whole segment in one pass and checks everything the runtime later trusts: every read
// within the segment and its records, the index and the unit blocks exactly filled, valid and
// unrepeated page and unit ids, a window unit first on every page, window and pointer slots 0,
// handler offsets kNoHandler or a multiple of kRoutineEntryLength below `routineEntriesLength`,
// containers 0 or a unit of the same page and never a cycle, every property block of a known kind
// readable, and no JPEG picture announcing more than kMaxPicturePixels. The list's records point
// into `segment`, which must outlive it.
Expected<PageList, PageError> ReadPageSegment(std::span<std::uint8_t> segment,
                                              std::uint32_t routineEntriesLength) noexcept;

// Rewrites every event handler field in place: -1 becomes 0 (no handler), any other value
// codeStart + value. The list must have been read with the length of the routine entries that
// start at codeStart.
void FixUpHandlers(PageList& pages, std::uint32_t codeStart) noexcept;

}  // namespace vl::pages
