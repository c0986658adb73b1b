#include "unit_view.h"

#include "runtime/byte_reader.h"

namespace vl::pages {
namespace {

constexpr std::size_t kFixedFieldsLength = 32;  // window slot .. child count
constexpr std::size_t kEventEntryLength = 8;

// A count of `size`-byte entries that must fit in what is left.
Expected<std::uint32_t> ReadCount(ByteReader& reader, std::size_t size, const char* what) noexcept {
  const std::size_t at = reader.Offset();
  auto count = reader.ReadU32();
  if (!count) return count.GetError();
  if (*count > reader.Remaining() / size) return Error{what, at};
  return *count;
}

Expected<bool> ReadEvents(ByteReader& reader, UnitLayout& layout) noexcept {
  auto events = ReadCount(reader, kEventEntryLength, "event count larger than the record");
  if (!events) return events.GetError();
  layout.eventCount = *events;
  layout.eventsOffset = reader.Offset();
  return reader.Skip(std::size_t{*events} * kEventEntryLength);
}

Expected<UnitLayout> LocateMenuEntry(ByteReader& reader) noexcept {
  UnitLayout layout;
  layout.menuEntry = true;
  auto caption = reader.ReadTerminated();
  if (!caption) return caption.GetError();
  layout.nameLength = caption->size();
  layout.flagsOffset = reader.Offset();
  if (auto skip = reader.Skip(8); !skip) return skip.GetError();  // flags, shortcut
  if (auto events = ReadEvents(reader, layout); !events) return events.GetError();
  layout.propertyOffset = reader.Offset();
  return layout;
}

}  // namespace

Expected<UnitLayout> LocateUnitFields(std::span<const std::uint8_t> record, bool menuEntry) noexcept {
  ByteReader reader(record);
  if (menuEntry) return LocateMenuEntry(reader);
  UnitLayout layout;
  if (auto head = reader.Skip(4 + kUnitHeadReserved); !head) return head.GetError();
  layout.nameOffset = reader.Offset();
  auto name = reader.ReadTerminated();
  if (!name) return name.GetError();
  layout.nameLength = name->size();
  layout.remarkOffset = reader.Offset();
  auto remark = reader.ReadTerminated();
  if (!remark) return remark.GetError();
  layout.remarkLength = remark->size();
  layout.fixedOffset = reader.Offset();
  if (auto fixed = reader.Skip(kFixedFieldsLength - 4); !fixed) return fixed.GetError();
  auto children = ReadCount(reader, 4, "child count larger than the record");
  if (!children) return children.GetError();
  layout.childCount = *children;
  if (auto skip = reader.Skip(std::size_t{*children} * 4); !skip) return skip.GetError();
  auto mouse = reader.ReadCounted();
  if (!mouse) return mouse.GetError();
  layout.mouseOffset = reader.Offset() - mouse->size();
  layout.mouseLength = mouse->size();
  layout.tagOffset = reader.Offset();
  auto tag = reader.ReadTerminated();
  if (!tag) return tag.GetError();
  layout.tagLength = tag->size();
  if (auto reserved = reader.Skip(4); !reserved) return reserved.GetError();
  layout.flagsOffset = reader.Offset();
  if (auto skip = reader.Skip(8); !skip) return skip.GetError();  // flags, tab order
  if (auto events = ReadEvents(reader, layout); !events) return events.GetError();
  if (auto tail = reader.Skip(kUnitTailReserved); !tail) return tail.GetError();
  layout.propertyOffset = reader.Offset();
  return layout;
}

UnitView::UnitView(std::span<std::uint8_t> record, bool menuEntry) noexcept : m_record(record) {
  auto layout = LocateUnitFields(record, menuEntry);
  if (!layout) return;
  m_layout = *layout;
  m_valid = true;
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

std::span<const std::uint8_t> UnitView::Name() const noexcept {
  if (!m_valid) return {};
  return std::span<const std::uint8_t>(m_record).subspan(m_layout.nameOffset, m_layout.nameLength);
}

std::span<const std::uint8_t> UnitView::Remark() const noexcept {
  if (!m_valid) return {};
  return std::span<const std::uint8_t>(m_record).subspan(m_layout.remarkOffset, m_layout.remarkLength);
}

std::uint32_t UnitView::ChildId(std::uint32_t index) const noexcept {
  if (index >= m_layout.childCount) return 0;
  return Fixed(kFixedFieldsLength + 4 * std::size_t{index});
}

std::span<const std::uint8_t> UnitView::MousePointerBlock() const noexcept {
  if (!m_valid) return {};
  return std::span<const std::uint8_t>(m_record).subspan(m_layout.mouseOffset, m_layout.mouseLength);
}

std::span<const std::uint8_t> UnitView::Tag() const noexcept {
  if (!m_valid) return {};
  return std::span<const std::uint8_t>(m_record).subspan(m_layout.tagOffset, m_layout.tagLength);
}

std::uint32_t UnitView::StateFlags() const noexcept { return Word(m_layout.flagsOffset); }

void UnitView::SetStateFlags(std::uint32_t flags) noexcept { SetWord(m_layout.flagsOffset, flags); }

std::uint32_t UnitView::Shortcut() const noexcept { return m_layout.menuEntry ? Word(m_layout.flagsOffset + 4) : 0; }

std::int32_t UnitView::TabOrder() const noexcept {
  return m_layout.menuEntry ? 0 : static_cast<std::int32_t>(Word(m_layout.flagsOffset + 4));
}

EventEntry UnitView::Event(std::uint32_t index) const noexcept {
  if (index >= m_layout.eventCount) return {};
  const std::size_t at = m_layout.eventsOffset + kEventEntryLength * index;
  return {static_cast<std::int32_t>(Word(at)), Word(at + 4)};
}

void UnitView::SetEventHandler(std::uint32_t index, std::uint32_t handler) noexcept {
  if (index < m_layout.eventCount) SetWord(m_layout.eventsOffset + kEventEntryLength * index + 4, handler);
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
