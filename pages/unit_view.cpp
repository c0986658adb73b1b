#include "unit_view.h"

#include "base/byte_reader.h"

namespace vl::pages {
namespace {

// A count of `size`-byte entries that must fit in what is left.
Expected<std::uint32_t> ReadCount(ByteReader& reader, std::size_t size, const char* what) noexcept {
  const std::size_t at = reader.Offset();
  auto count = reader.ReadU32();
  if (!count) return count.GetError();
  if (*count > reader.Remaining() / size) return Error{what, at};
  return *count;
}

// The dispatch fields up to the event count, the count, and the entries.
Expected<bool> ReadDispatch(ByteReader& reader, std::size_t beforeCount, UnitLayout& layout) noexcept {
  layout.dispatchOffset = reader.Offset();
  if (auto skip = reader.Skip(beforeCount); !skip) return skip.GetError();
  auto events = ReadCount(reader, event_entry::kLength, "event count larger than the record");
  if (!events) return events.GetError();
  layout.eventCount = *events;
  layout.eventsOffset = reader.Offset();
  return reader.Skip(std::size_t{*events} * event_entry::kLength);
}

// The next zero-terminated text, as a part of the record.
Expected<RecordPart> ReadTerminatedPart(ByteReader& reader) noexcept {
  const std::size_t offset = reader.Offset();
  auto text = reader.ReadTerminated();
  if (!text) return text.GetError();
  return RecordPart{offset, text->size()};
}

Expected<UnitLayout> LocateMenuEntry(ByteReader& reader) noexcept {
  UnitLayout layout;
  layout.menuEntry = true;
  auto caption = ReadTerminatedPart(reader);
  if (!caption) return caption.GetError();
  layout.name = *caption;
  if (auto dispatch = ReadDispatch(reader, menu_entry::kEventCount, layout); !dispatch) return dispatch.GetError();
  layout.propertyOffset = reader.Offset();
  return layout;
}

}  // namespace

Expected<UnitLayout> LocateUnitFields(std::span<const std::uint8_t> record, bool menuEntry) noexcept {
  ByteReader reader(record);
  if (menuEntry) return LocateMenuEntry(reader);
  UnitLayout layout;
  if (auto head = reader.Skip(kUnitKindLength + kUnitHeadReserved); !head) return head.GetError();
  auto name = ReadTerminatedPart(reader);
  if (!name) return name.GetError();
  layout.name = *name;
  auto remark = ReadTerminatedPart(reader);
  if (!remark) return remark.GetError();
  layout.remark = *remark;
  layout.fixedOffset = reader.Offset();
  if (auto fixed = reader.Skip(unit_fixed::kChildCount); !fixed) return fixed.GetError();
  auto children = ReadCount(reader, 4, "child count larger than the record");
  if (!children) return children.GetError();
  layout.childCount = *children;
  if (auto skip = reader.Skip(std::size_t{*children} * 4); !skip) return skip.GetError();
  auto mouse = reader.ReadCounted();
  if (!mouse) return mouse.GetError();
  layout.mouse = RecordPart{reader.Offset() - mouse->size(), mouse->size()};
  auto tag = ReadTerminatedPart(reader);
  if (!tag) return tag.GetError();
  layout.tag = *tag;
  if (auto dispatch = ReadDispatch(reader, unit_dispatch::kEventCount, layout); !dispatch) return dispatch.GetError();
  if (auto tail = reader.Skip(kUnitTailReserved); !tail) return tail.GetError();
  layout.propertyOffset = reader.Offset();
  return layout;
}

std::uint32_t UnitView::Word(std::size_t offset) const noexcept {
  if (!m_valid || offset + 4 > m_record.size()) return 0;
  return LoadU32(m_record.data() + offset);
}

void UnitView::SetWord(std::size_t offset, std::uint32_t value) noexcept {
  if (!m_valid || offset + 4 > m_record.size()) return;
  for (int i = 0; i < 4; ++i) m_record[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t UnitView::Fixed(std::size_t offset) const noexcept {
  return m_layout.menuEntry ? 0 : Word(m_layout.fixedOffset + offset);
}

void UnitView::SetFixed(std::size_t offset, std::uint32_t value) noexcept {
  if (!m_layout.menuEntry) SetWord(m_layout.fixedOffset + offset, value);
}

std::uint32_t UnitView::Kind() const noexcept { return m_layout.menuEntry ? 0 : Word(0); }

std::uint32_t UnitView::ChildId(std::uint32_t index) const noexcept {
  if (index >= m_layout.childCount) return 0;
  return Fixed(unit_fixed::kLength + 4 * std::size_t{index});
}

std::uint32_t UnitView::EventLink() const noexcept {
  return m_layout.menuEntry ? 0 : Word(Dispatch(unit_dispatch::kEventLink, 0));
}

std::uint32_t UnitView::StateFlags() const noexcept {
  return Word(Dispatch(unit_dispatch::kState, menu_entry::kState));
}

void UnitView::SetStateFlags(std::uint32_t flags) noexcept {
  SetWord(Dispatch(unit_dispatch::kState, menu_entry::kState), flags);
}

std::uint32_t UnitView::Shortcut() const noexcept {
  return m_layout.menuEntry ? Word(Dispatch(0, menu_entry::kShortcut)) : 0;
}

std::int32_t UnitView::TabOrder() const noexcept {
  return m_layout.menuEntry ? 0 : static_cast<std::int32_t>(Word(Dispatch(unit_dispatch::kTabOrder, 0)));
}

EventEntry UnitView::Event(std::uint32_t index) const noexcept {
  if (index >= m_layout.eventCount) return {};
  const std::size_t at = m_layout.eventsOffset + event_entry::kLength * index;
  return {static_cast<std::int32_t>(Word(at + event_entry::kNumber)), Word(at + event_entry::kHandler)};
}

void UnitView::SetEventHandler(std::uint32_t index, std::uint32_t handler) noexcept {
  if (index < m_layout.eventCount) {
    SetWord(m_layout.eventsOffset + event_entry::kLength * index + event_entry::kHandler, handler);
  }
}

std::uint32_t UnitView::Handler(std::int32_t eventNumber) const noexcept {
  for (std::uint32_t i = 0; i < m_layout.eventCount; ++i) {
    const EventEntry entry = Event(i);
    if (entry.number == eventNumber) return entry.handler;
  }
  return 0;
}

std::span<const std::uint8_t> UnitView::PropertyBlock() const noexcept {
  if (!m_valid || m_layout.menuEntry) return {};
  return std::span<const std::uint8_t>(m_record).subspan(m_layout.propertyOffset);
}

}  // namespace vl::pages
