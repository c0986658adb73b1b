#include "page_segment.h"

#include <algorithm>
#include <cstring>

#include "runtime/byte_reader.h"

namespace vl::pages {
namespace {

constexpr std::size_t kUnitTableEntry = 8;  // one id and one offset per unit

bool Contains(const std::vector<std::uint32_t>& ids, std::uint32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Reads one unit block: N ids, N offsets, then the records without gaps, exactly filling it.
// `base` is the block's offset in the segment, for error positions.
Expected<std::vector<Unit>> ReadUnitBlock(std::span<std::uint8_t> block, std::uint32_t unitCount,
                                          std::size_t base) {
  if (unitCount == 0) return Error{"page without units", base};
  if (unitCount > block.size() / kUnitTableEntry) return Error{"unit count larger than the unit block", base};
  ByteReader reader(block);
  std::vector<std::uint32_t> ids;
  ids.reserve(unitCount);
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    const std::uint32_t id = *reader.ReadU32();  // present: checked against the block above
    if (!IsValidId(id) || IdType(id) != kIdTypeUnit || IdSubtype(id) > kUnitSubtypeMenuEntry) {
      return Error{"invalid unit id", base + 4 * std::size_t{i}};
    }
    if (Contains(ids, id)) return Error{"repeated unit id", base + 4 * std::size_t{i}};
    ids.push_back(id);
  }
  std::vector<Unit> units;
  units.reserve(unitCount);
  std::size_t expected = 0;  // where the next record must start, counted after the table
  const std::size_t tableLength = kUnitTableEntry * unitCount;
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    const std::size_t offsetAt = reader.Offset();
    const std::uint32_t offset = *reader.ReadU32();
    if (offset != expected) return Error{"unit records out of place", base + offsetAt};
    ByteReader recordReader(std::span<const std::uint8_t>(block).subspan(tableLength + expected));
    auto length = recordReader.ReadU32();
    if (!length || *length > recordReader.Remaining()) {
      return Error{"unit record longer than the unit block", base + tableLength + expected};
    }
    auto record = block.subspan(tableLength + expected + 4, *length);
    const bool menuEntry = IdSubtype(ids[i]) == kUnitSubtypeMenuEntry;
    auto layout = LocateUnitFields(record, menuEntry);
    if (!layout) return Error{layout.GetError().what, base + tableLength + expected + 4 + layout.GetError().offset};
    units.emplace_back(ids[i], record);
    expected += 4 + std::size_t{*length};
  }
  if (tableLength + expected != block.size()) return Error{"unit block longer than its records", base};
  UnitView window = units.front().View();
  if (IdSubtype(ids.front()) != kUnitSubtypeWindow || window.Kind() != kKindWindow) {
    return Error{"first unit is not a window unit", base};
  }
  return units;
}

}  // namespace

void Unit::Splice(std::size_t offset, std::size_t length, std::span<const std::uint8_t> bytes) {
  const auto current = Record();
  std::vector<std::uint8_t> updated;
  updated.reserve(current.size() - length + bytes.size());
  updated.insert(updated.end(), current.begin(), current.begin() + static_cast<std::ptrdiff_t>(offset));
  updated.insert(updated.end(), bytes.begin(), bytes.end());
  updated.insert(updated.end(), current.begin() + static_cast<std::ptrdiff_t>(offset + length), current.end());
  m_replacement = std::move(updated);
}

void Unit::ReplaceTag(std::span<const std::uint8_t> tag) {
  UnitView view = View();
  if (!view.Valid() || view.IsMenuEntry()) return;
  const auto zero = std::find(tag.begin(), tag.end(), std::uint8_t{0});
  std::vector<std::uint8_t> text(tag.begin(), zero);
  text.push_back(0);
  Splice(view.Layout().tagOffset, view.Layout().tagLength + 1, text);
}

void Unit::ReplaceMousePointer(std::span<const std::uint8_t> block) {
  UnitView view = View();
  if (!view.Valid() || view.IsMenuEntry()) return;
  const auto length = static_cast<std::uint32_t>(block.size());
  std::vector<std::uint8_t> counted = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
  counted.insert(counted.end(), block.begin(), block.end());
  Splice(view.Layout().mouseOffset - 4, view.Layout().mouseLength + 4, counted);
}

std::vector<std::uint8_t> Unit::SaveRecord() const {
  const auto record = Record();
  return {record.begin(), record.end()};
}

void Unit::RestoreRecord(const std::vector<std::uint8_t>& saved) {
  if (saved.size() == m_stored.size()) {
    if (!saved.empty()) std::memcpy(m_stored.data(), saved.data(), saved.size());
    m_replacement.clear();
  } else {
    m_replacement = saved;
  }
}

Unit* PageDescription::FindUnit(std::uint32_t id) noexcept {
  for (Unit& unit : m_units) {
    if (unit.Id() == id) return &unit;
  }
  return nullptr;
}

SavedUnits PageDescription::SaveUnits() const {
  SavedUnits saved;
  saved.reserve(m_units.size());
  for (const Unit& unit : m_units) saved.push_back(unit.SaveRecord());
  return saved;
}

void PageDescription::RestoreUnits(const SavedUnits& saved) {
  if (saved.size() != m_units.size()) return;
  for (std::size_t i = 0; i < saved.size(); ++i) m_units[i].RestoreRecord(saved[i]);
}

PageDescription* PageList::Find(std::uint32_t pageId) noexcept {
  for (PageDescription& page : m_pages) {
    if (page.Id() == pageId) return &page;
  }
  return nullptr;
}

Expected<std::vector<PageDescription>> ReadPages(std::span<std::uint8_t> segment) noexcept {
  ByteReader reader(segment);
  auto indexLength = reader.ReadU32();
  if (!indexLength) return indexLength.GetError();
  if (*indexLength % 8 != 0) return Error{"page index length not a multiple of 8", 0};
  if (*indexLength > reader.Remaining()) return Error{"page index longer than the segment", 0};
  const std::uint32_t pageCount = *indexLength / 8;
  std::vector<std::uint32_t> ids;
  ids.reserve(pageCount);
  for (std::uint32_t i = 0; i < pageCount; ++i) {
    const std::size_t at = reader.Offset();
    const std::uint32_t id = *reader.ReadU32();  // present: the index length was checked
    if (!IsValidId(id) || IdType(id) != kIdTypePage) return Error{"invalid page id", at};
    if (Contains(ids, id)) return Error{"repeated page id", at};
    ids.push_back(id);
  }
  // The page slots: their stored values have no meaning; the list below takes their place.
  if (auto slots = reader.Skip(4 * std::size_t{pageCount}); !slots) return slots.GetError();

  std::vector<PageDescription> pages(pageCount);
  for (std::uint32_t i = 0; i < pageCount; ++i) {
    PageDescription& page = pages[i];
    page.m_id = ids[i];
    auto reserved = reader.ReadU32();
    if (!reserved) return reserved.GetError();
    auto moduleId = reader.ReadU32();
    if (!moduleId) return moduleId.GetError();
    auto first = reader.ReadCounted();
    if (!first) return first.GetError();
    auto second = reader.ReadCounted();
    if (!second) return second.GetError();
    auto unitCount = reader.ReadU32();
    if (!unitCount) return unitCount.GetError();
    const std::size_t lengthAt = reader.Offset();
    auto blockLength = reader.ReadU32();
    if (!blockLength) return blockLength.GetError();
    if (*blockLength > reader.Remaining()) return Error{"unit block longer than the segment", lengthAt};
    const std::size_t blockAt = reader.Offset();
    (void)reader.Skip(*blockLength);
    auto units = ReadUnitBlock(segment.subspan(blockAt, *blockLength), *unitCount, blockAt);
    if (!units) return units.GetError();
    page.m_reserved = *reserved;
    page.m_moduleId = *moduleId;
    page.m_firstText = *first;
    page.m_secondText = *second;
    page.m_units = std::move(units.Value());
  }
  if (!reader.AtEnd()) return Error{"bytes after the last page record", reader.Offset()};
  return pages;
}

Expected<PageList> ReadPageSegment(std::span<std::uint8_t> segment) noexcept {
  auto pages = ReadPages(segment);
  if (!pages) return pages.GetError();
  return PageList(std::move(pages.Value()));
}

Expected<bool> FixUpHandlers(PageList& pages, std::uint32_t codeStart) noexcept {
  if (codeStart == 0) {
    for (PageDescription& page : pages.Pages()) {
      for (Unit& unit : page.Units()) {
        UnitView view = unit.View();
        for (std::uint32_t i = 0; i < view.EventCount(); ++i) {
          if (view.Event(i).handler != kNoHandler) return Error{"handler bound without a code start", 0};
        }
      }
    }
  }
  for (PageDescription& page : pages.Pages()) {
    for (Unit& unit : page.Units()) {
      UnitView view = unit.View();
      for (std::uint32_t i = 0; i < view.EventCount(); ++i) {
        const std::uint32_t stored = view.Event(i).handler;
        view.SetEventHandler(i, stored == kNoHandler ? 0 : codeStart + stored);
      }
    }
  }
  return true;
}

}  // namespace vl::pages
