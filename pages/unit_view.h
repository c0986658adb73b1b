#pragma once
// Typed access to one unit record, walked in place: the fields are found by the locating rule
// (skip the kind, the reserved bytes, the name and the remark; the fixed fields follow; after the
// child ids skip the mouse-pointer block and the tag; after the events skip the reserved bytes to
// reach the property block). Nothing is converted into another structure.
#include <cstdint>
#include <span>

#include "page_format.h"
#include "runtime/expected.h"

namespace vl::pages {

// Where the variable parts of a unit record lie. Offsets are from the start of the record data.
struct UnitLayout {
  bool menuEntry = false;
  std::size_t nameOffset = 0;
  std::size_t nameLength = 0;
  std::size_t remarkOffset = 0;
  std::size_t remarkLength = 0;
  std::size_t fixedOffset = 0;   // window slot, geometry, pointer slot, container, child count
  std::uint32_t childCount = 0;
  std::size_t mouseOffset = 0;   // the mouse-pointer block's bytes (after its count)
  std::size_t mouseLength = 0;
  std::size_t tagOffset = 0;
  std::size_t tagLength = 0;
  std::size_t flagsOffset = 0;   // state flags, then tab order
  std::uint32_t eventCount = 0;
  std::size_t eventsOffset = 0;  // the first event entry
  std::size_t propertyOffset = 0;
};

// Fails when the record ends before a fixed field, inside a counted part or without a text's
// terminator, or when a count cannot fit in the bytes left.
//
// A menu entry record (a unit id of subtype 2) has its own layout: a terminated caption (in the
// name's place), a dword of state flags, a dword shortcut key, a dword event count and the event
// entries; it has no geometry, no children and no property block.
Expected<UnitLayout> LocateUnitFields(std::span<const std::uint8_t> record, bool menuEntry) noexcept;

struct EventEntry {
  std::int32_t number = 0;
  std::uint32_t handler = 0;  // after start-up: the routine's address, 0 for none
};

// A view of one located record; it reads and writes the record's bytes in place.
class UnitView {
 public:
  // An invalid view (every field reads as 0 or empty) when the record cannot be located; the
  // start-up reader has located every record of the page list.
  UnitView(std::span<std::uint8_t> record, bool menuEntry) noexcept;

  bool Valid() const noexcept { return m_valid; }
  bool IsMenuEntry() const noexcept { return m_layout.menuEntry; }
  std::span<std::uint8_t> Record() const noexcept { return m_record; }
  const UnitLayout& Layout() const noexcept { return m_layout; }

  std::uint32_t Kind() const noexcept;
  std::span<const std::uint8_t> Name() const noexcept;    // a menu entry's caption
  std::span<const std::uint8_t> Remark() const noexcept;

  std::uint32_t WindowSlot() const noexcept { return Fixed(0); }
  void SetWindowSlot(std::uint32_t value) noexcept { SetFixed(0, value); }
  std::int32_t Left() const noexcept { return static_cast<std::int32_t>(Fixed(4)); }
  std::int32_t Top() const noexcept { return static_cast<std::int32_t>(Fixed(8)); }
  std::int32_t Width() const noexcept { return static_cast<std::int32_t>(Fixed(12)); }
  std::int32_t Height() const noexcept { return static_cast<std::int32_t>(Fixed(16)); }
  void SetLeft(std::int32_t v) noexcept { SetFixed(4, static_cast<std::uint32_t>(v)); }
  void SetTop(std::int32_t v) noexcept { SetFixed(8, static_cast<std::uint32_t>(v)); }
  void SetWidth(std::int32_t v) noexcept { SetFixed(12, static_cast<std::uint32_t>(v)); }
  void SetHeight(std::int32_t v) noexcept { SetFixed(16, static_cast<std::uint32_t>(v)); }
  std::uint32_t PointerSlot() const noexcept { return Fixed(20); }
  void SetPointerSlot(std::uint32_t value) noexcept { SetFixed(20, value); }
  std::uint32_t ContainerId() const noexcept { return Fixed(24); }
  std::uint32_t ChildCount() const noexcept { return m_layout.childCount; }
  // 0 past the end.
  std::uint32_t ChildId(std::uint32_t index) const noexcept;

  std::span<const std::uint8_t> MousePointerBlock() const noexcept;
  std::span<const std::uint8_t> Tag() const noexcept;

  std::uint32_t StateFlags() const noexcept;
  void SetStateFlags(std::uint32_t flags) noexcept;
  bool Visible() const noexcept { return (StateFlags() & kStateVisible) != 0; }
  bool Disabled() const noexcept { return (StateFlags() & kStateDisabled) != 0; }
  bool FocusStop() const noexcept { return (StateFlags() & kStateFocusStop) != 0; }
  // A menu entry's shortcut key; 0 for other units.
  std::uint32_t Shortcut() const noexcept;
  std::int32_t TabOrder() const noexcept;

  std::uint32_t EventCount() const noexcept { return m_layout.eventCount; }
  // A zero entry past the end.
  EventEntry Event(std::uint32_t index) const noexcept;
  void SetEventHandler(std::uint32_t index, std::uint32_t handler) noexcept;
  // The handler of the first entry for `eventNumber`; 0 when there is none.
  std::uint32_t Handler(std::int32_t eventNumber) const noexcept;

  // The kind's property block (may be empty); always empty for a menu entry.
  std::span<const std::uint8_t> PropertyBlock() const noexcept;

 private:
  std::uint32_t Word(std::size_t offset) const noexcept;
  void SetWord(std::size_t offset, std::uint32_t value) noexcept;
  std::uint32_t Fixed(std::size_t offset) const noexcept;
  void SetFixed(std::size_t offset, std::uint32_t value) noexcept;

  std::span<std::uint8_t> m_record;
  UnitLayout m_layout;
  bool m_valid = false;
};

}  // namespace vl::pages
