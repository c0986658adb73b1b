#pragma once
// Typed access to one unit record in place. The record is walked once, when it is read or
// rewritten, to find where its variable parts lie (UnitLayout); a view reads and writes the
// fields at those places, as page_format.h names them.
#include <cstdint>
#include <span>

#include "page_format.h"
#include "base/expected.h"

namespace vl::pages {

// Where one variable part of a record lies: its bytes, without its terminator or count.
struct RecordPart {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// Where the variable parts of a unit record lie. Offsets are from the start of the record data.
struct UnitLayout {
  bool menuEntry = false;
  RecordPart name;  // a menu entry's caption
  RecordPart remark;
  std::size_t fixedOffset = 0;   // unit_fixed
  std::uint32_t childCount = 0;
  RecordPart mouse;  // the mouse-pointer block, after its count
  RecordPart tag;
  std::size_t dispatchOffset = 0;  // unit_dispatch, or a menu entry's menu_entry fields
  std::uint32_t eventCount = 0;
  std::size_t eventsOffset = 0;  // the first event entry
  std::size_t propertyOffset = 0;
};

// Fails when the record ends before a fixed field, inside a counted part or without a text's
// terminator, or when a count cannot fit in the bytes left. A menu entry's caption takes the
// name's place.
Expected<UnitLayout> LocateUnitFields(std::span<const std::uint8_t> record, bool menuEntry) noexcept;

struct EventEntry {
  std::int32_t number = 0;
  std::uint32_t handler = 0;  // after start-up: the routine's address, 0 for none
};

// A view of one located record; it reads and writes the record's bytes in place.
class UnitView {
 public:
  // An invalid view: every field reads as 0 or empty, writes change nothing.
  UnitView() noexcept = default;
  // `layout` must be the record's own, as LocateUnitFields gave it.
  UnitView(std::span<std::uint8_t> record, const UnitLayout& layout) noexcept
      : m_record(record), m_layout(layout), m_valid(true) {}

  bool Valid() const noexcept { return m_valid; }
  bool IsMenuEntry() const noexcept { return m_layout.menuEntry; }
  std::span<std::uint8_t> Record() const noexcept { return m_record; }
  const UnitLayout& Layout() const noexcept { return m_layout; }

  std::uint32_t Kind() const noexcept;
  std::span<const std::uint8_t> Name() const noexcept { return Part(m_layout.name); }  // a menu entry's caption
  std::span<const std::uint8_t> Remark() const noexcept { return Part(m_layout.remark); }

  std::uint32_t WindowSlot() const noexcept { return Fixed(unit_fixed::kWindowSlot); }
  void SetWindowSlot(std::uint32_t value) noexcept { SetFixed(unit_fixed::kWindowSlot, value); }
  std::int32_t Left() const noexcept { return static_cast<std::int32_t>(Fixed(unit_fixed::kLeft)); }
  std::int32_t Top() const noexcept { return static_cast<std::int32_t>(Fixed(unit_fixed::kTop)); }
  std::int32_t Width() const noexcept { return static_cast<std::int32_t>(Fixed(unit_fixed::kWidth)); }
  std::int32_t Height() const noexcept { return static_cast<std::int32_t>(Fixed(unit_fixed::kHeight)); }
  void SetLeft(std::int32_t v) noexcept { SetFixed(unit_fixed::kLeft, static_cast<std::uint32_t>(v)); }
  void SetTop(std::int32_t v) noexcept { SetFixed(unit_fixed::kTop, static_cast<std::uint32_t>(v)); }
  void SetWidth(std::int32_t v) noexcept { SetFixed(unit_fixed::kWidth, static_cast<std::uint32_t>(v)); }
  void SetHeight(std::int32_t v) noexcept { SetFixed(unit_fixed::kHeight, static_cast<std::uint32_t>(v)); }
  std::uint32_t PointerSlot() const noexcept { return Fixed(unit_fixed::kPointerSlot); }
  void SetPointerSlot(std::uint32_t value) noexcept { SetFixed(unit_fixed::kPointerSlot, value); }
  std::uint32_t ContainerId() const noexcept { return Fixed(unit_fixed::kContainer); }
  std::uint32_t ChildCount() const noexcept { return m_layout.childCount; }
  // 0 past the end.
  std::uint32_t ChildId(std::uint32_t index) const noexcept;

  std::span<const std::uint8_t> MousePointerBlock() const noexcept { return Part(m_layout.mouse); }
  std::span<const std::uint8_t> Tag() const noexcept { return Part(m_layout.tag); }

  // The unit whose event table this one shares; 0 for its own (and for a menu entry).
  std::uint32_t EventLink() const noexcept;
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
  std::span<const std::uint8_t> Part(const RecordPart& part) const noexcept {
    if (!m_valid) return {};
    return std::span<const std::uint8_t>(m_record).subspan(part.offset, part.length);
  }

  // The offset of a field after the tag (unit_dispatch) or a menu entry's caption (menu_entry).
  std::size_t Dispatch(std::size_t unitField, std::size_t menuField) const noexcept {
    return m_layout.dispatchOffset + (m_layout.menuEntry ? menuField : unitField);
  }

  std::span<std::uint8_t> m_record;
  UnitLayout m_layout;
  bool m_valid = false;
};

}  // namespace vl::pages
