#pragma once
// The page description list: read once at start-up from the page-description segment, kept for
// the whole run. Unit records stay where they are stored and are walked in place; a unit gets a
// record of its own only when a field of another length (its tag, its mouse pointer) is written.
#include <cstdint>
#include <span>
#include <vector>

#include "runtime/expected.h"
#include "unit_view.h"

namespace vl::pages {

class Unit {
 public:
  Unit(std::uint32_t id, std::span<std::uint8_t> stored) noexcept : m_id(id), m_stored(stored) {}

  std::uint32_t Id() const noexcept { return m_id; }
  bool IsMenuEntry() const noexcept { return IdSubtype(m_id) == kUnitSubtypeMenuEntry; }
  // The record data (without its length dword), in the segment or the unit's own copy.
  std::span<std::uint8_t> Record() noexcept { return m_replacement.empty() ? m_stored : std::span(m_replacement); }
  std::span<const std::uint8_t> Record() const noexcept {
    return m_replacement.empty() ? std::span<const std::uint8_t>(m_stored) : std::span<const std::uint8_t>(m_replacement);
  }
  UnitView View() noexcept { return UnitView(Record(), IsMenuEntry()); }

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
  std::vector<std::uint8_t> m_replacement;
};

// The stored values of a page's units, taken when the page is loaded.
using SavedUnits = std::vector<std::vector<std::uint8_t>>;

class PageDescription {
 public:
  std::uint32_t Id() const noexcept { return m_id; }
  std::uint32_t Reserved() const noexcept { return m_reserved; }
  std::uint32_t ModuleId() const noexcept { return m_moduleId; }
  std::span<const std::uint8_t> FirstText() const noexcept { return m_firstText; }
  std::span<const std::uint8_t> SecondText() const noexcept { return m_secondText; }

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
  friend Expected<std::vector<PageDescription>> ReadPages(std::span<std::uint8_t>) noexcept;

  std::uint32_t m_id = 0;
  std::uint32_t m_reserved = 0;
  std::uint32_t m_moduleId = 0;
  std::span<const std::uint8_t> m_firstText;
  std::span<const std::uint8_t> m_secondText;
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

// Reads the whole segment in one pass and checks every page and unit record. Fails on any read
// past the end, on bytes after the last page record, on an index length that is not a multiple
// of 8, on a unit block whose records do not follow one another exactly, on an invalid or
// repeated page or unit id, on a page whose first unit is not a window unit, and on a unit record
// whose fields cannot be located. The list's records point into `segment`, which must outlive it.
Expected<PageList> ReadPageSegment(std::span<std::uint8_t> segment) noexcept;

// Rewrites every event handler field in place: -1 becomes 0 (no handler), any other value
// codeStart + value. Fails, changing nothing, when a handler is bound and codeStart is 0.
Expected<bool> FixUpHandlers(PageList& pages, std::uint32_t codeStart) noexcept;

}  // namespace vl::pages
