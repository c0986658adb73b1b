#include "page_segment.h"

#include <algorithm>
#include <cstring>

#include "base/byte_reader.h"
#include "base/decimal_text.h"
#include "jpeg_header.h"
#include "property_block.h"

namespace vl::pages {

// The one validating pass over a segment. Every step returns false once it has recorded the
// fault, with the page and unit it was in.
class SegmentReader {
 public:
  SegmentReader(std::span<std::uint8_t> segment, std::uint32_t routineEntriesLength) noexcept
      : m_segment(segment), m_routineEntriesLength(routineEntriesLength) {}

  bool ReadPages(std::vector<PageDescription>& pages) noexcept;
  const PageError& Fault() const noexcept { return m_error; }

 private:
  bool Fail(PageFault fault, const char* why, std::size_t offset) noexcept {
    m_error = {fault, why, offset, m_page, m_unit};
    return false;
  }
  // A read of the bounds-checked reader that failed, `base` bytes into the segment.
  bool Truncated(const Error& error, std::size_t base) noexcept {
    return Fail(PageFault::Truncated, error.what, base + error.offset);
  }
  bool ReadWord(ByteReader& reader, std::uint32_t& word) noexcept {
    auto read = reader.ReadU32();
    if (!read) return Truncated(read.GetError(), 0);
    word = *read;
    return true;
  }
  bool ReadText(ByteReader& reader, std::span<const std::uint8_t>& text) noexcept {
    auto read = reader.ReadCounted();
    if (!read) return Truncated(read.GetError(), 0);
    text = *read;
    return true;
  }

  bool ReadUnitBlock(std::span<std::uint8_t> block, std::uint32_t unitCount, std::size_t base,
                     std::vector<Unit>& units) noexcept;
  bool CheckUnit(UnitView view, std::size_t recordAt) noexcept;
  bool CheckProperties(UnitView view, std::size_t recordAt) noexcept;
  bool CheckContainers(std::span<Unit> units, std::span<const std::size_t> recordsAt) noexcept;

  std::span<std::uint8_t> m_segment;
  std::uint32_t m_routineEntriesLength;
  int m_page = -1;
  int m_unit = -1;
  PageError m_error;
};

namespace {

bool Contains(const std::vector<std::uint32_t>& ids, std::uint32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Where `part` starts within `whole`, which holds it.
std::size_t OffsetIn(std::span<const std::uint8_t> whole, std::span<const std::uint8_t> part) noexcept {
  return static_cast<std::size_t>(part.data() - whole.data());
}

}  // namespace

// N ids, N offsets, then the records without gaps, exactly filling the block. `base` is the
// block's offset in the segment.
bool SegmentReader::ReadUnitBlock(std::span<std::uint8_t> block, std::uint32_t unitCount, std::size_t base,
                                  std::vector<Unit>& units) noexcept {
  m_unit = -1;
  if (unitCount == 0) return Fail(PageFault::UnitBlock, "page without units", base);
  if (unitCount > block.size() / kUnitTableEntryLength) {
    return Fail(PageFault::UnitBlock, "unit count larger than the unit block", base);
  }
  ByteReader reader(block);
  std::vector<std::uint32_t> ids;
  ids.reserve(unitCount);
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    m_unit = static_cast<int>(i);
    const std::size_t at = base + reader.Offset();
    const std::uint32_t id = *reader.ReadU32();  // present: checked against the block above
    if (!IsValidId(id) || IdType(id) != kIdTypeUnit || IdSubtype(id) > kUnitSubtypeMenuEntry) {
      return Fail(PageFault::UnitId, "invalid unit id", at);
    }
    if (Contains(ids, id)) return Fail(PageFault::UnitId, "repeated unit id", at);
    ids.push_back(id);
  }
  units.reserve(unitCount);
  std::vector<std::size_t> recordsAt(unitCount);
  std::size_t expected = 0;  // where the next record must start, counted after the table
  const std::size_t tableLength = kUnitTableEntryLength * unitCount;
  for (std::uint32_t i = 0; i < unitCount; ++i) {
    m_unit = static_cast<int>(i);
    const std::size_t offsetAt = base + reader.Offset();
    if (*reader.ReadU32() != expected) return Fail(PageFault::UnitBlock, "unit records out of place", offsetAt);
    ByteReader recordReader(std::span<const std::uint8_t>(block).subspan(tableLength + expected));
    auto length = recordReader.ReadU32();
    if (!length || *length > recordReader.Remaining()) {
      return Fail(PageFault::UnitBlock, "unit record longer than the unit block", base + tableLength + expected);
    }
    const std::size_t recordAt = base + tableLength + expected + 4;
    auto record = block.subspan(tableLength + expected + 4, *length);
    auto layout = LocateUnitFields(record, IdSubtype(ids[i]) == kUnitSubtypeMenuEntry);
    if (!layout) return Truncated(layout.GetError(), recordAt);
    if (!CheckUnit(UnitView(record, *layout), recordAt)) return false;
    units.emplace_back(ids[i], record, *layout);
    recordsAt[i] = recordAt;
    expected += 4 + std::size_t{*length};
  }
  m_unit = -1;
  if (tableLength + expected != block.size()) {
    return Fail(PageFault::UnitBlock, "unit block longer than its records", base);
  }
  if (IdSubtype(ids.front()) != kUnitSubtypeWindow || units.front().View().Kind() != kKindWindow) {
    m_unit = 0;
    return Fail(PageFault::FirstUnit, "first unit is not a window unit", base);
  }
  return CheckContainers(units, recordsAt);
}

bool SegmentReader::CheckUnit(UnitView view, std::size_t recordAt) noexcept {
  const UnitLayout& layout = view.Layout();
  const std::size_t fixedAt = recordAt + layout.fixedOffset;
  if (!view.IsMenuEntry()) {
    // The runtime keeps its own pointers in these slots and trusts what it finds there.
    if (view.WindowSlot() != 0) return Fail(PageFault::WindowSlot, "window slot not 0", fixedAt + unit_fixed::kWindowSlot);
    if (view.PointerSlot() != 0) {
      return Fail(PageFault::PointerSlot, "pointer slot not 0", fixedAt + unit_fixed::kPointerSlot);
    }
  }
  for (std::uint32_t i = 0; i < view.EventCount(); ++i) {
    const std::uint32_t handler = view.Event(i).handler;
    if (handler != kNoHandler && (handler % kRoutineEntryLength != 0 || handler >= m_routineEntriesLength)) {
      return Fail(PageFault::Handler, "handler offset names no routine entry",
                  recordAt + layout.eventsOffset + event_entry::kLength * i + event_entry::kHandler);
    }
  }
  return CheckProperties(view, recordAt);
}

bool SegmentReader::CheckProperties(UnitView view, std::size_t recordAt) noexcept {
  const KindInfo* kind = FindKind(view.Kind());
  if (view.IsMenuEntry() || kind == nullptr) return true;  // a kind of another library: not ours to read
  const auto record = std::span<const std::uint8_t>(view.Record());
  const auto block = view.PropertyBlock();
  auto values = ReadPropertyBlock(kind->kind, block);
  if (!values) {
    return Fail(PageFault::PropertyBlock, values.GetError().what,
                recordAt + OffsetIn(record, block) + values.GetError().offset);
  }
  for (std::size_t i = 0; i < kind->fields.size(); ++i) {
    if (kind->fields[i].type != FieldType::Picture) continue;
    const auto picture = values->At(static_cast<int>(i)).bytes;
    if (const auto pixels = JpegAnnouncedPixels(picture); pixels && *pixels > kMaxPicturePixels) {
      return Fail(PageFault::Picture, "JPEG picture larger than the pixel cap", recordAt + OffsetIn(record, picture));
    }
  }
  return true;
}

// Every container is 0 (the page) or a unit of the page, and following containers from any unit
// reaches the page: the runtime creates a container's window before the windows it holds.
bool SegmentReader::CheckContainers(std::span<Unit> units, std::span<const std::size_t> recordsAt) noexcept {
  const std::size_t count = units.size();
  auto containerAt = [&](std::size_t index) {
    return recordsAt[index] + units[index].View().Layout().fixedOffset + unit_fixed::kContainer;
  };
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = i;
    for (std::size_t steps = 0;; ++steps) {
      const std::uint32_t container = units[at].View().ContainerId();
      if (container == 0) break;
      std::size_t holder = 0;
      while (holder < count && units[holder].Id() != container) ++holder;
      if (holder == count) {
        m_unit = static_cast<int>(at);
        return Fail(PageFault::Container, "container not a unit of the page", containerAt(at));
      }
      if (steps == count) {
        m_unit = static_cast<int>(i);
        return Fail(PageFault::ContainerCycle, "units contain each other", containerAt(i));
      }
      at = holder;
    }
  }
  return true;
}

void Unit::Splice(std::size_t offset, std::size_t length, std::span<const std::uint8_t> bytes) {
  const auto current = Record();
  std::vector<std::uint8_t> updated;
  updated.reserve(current.size() - length + bytes.size());
  updated.insert(updated.end(), current.begin(), current.begin() + static_cast<std::ptrdiff_t>(offset));
  updated.insert(updated.end(), bytes.begin(), bytes.end());
  updated.insert(updated.end(), current.begin() + static_cast<std::ptrdiff_t>(offset + length), current.end());
  auto layout = LocateUnitFields(updated, IsMenuEntry());
  if (!layout) return;  // a located record with a well-formed part put in stays locatable
  m_replacement = std::move(updated);
  m_layout = *layout;
}

void Unit::ReplaceTag(std::span<const std::uint8_t> tag) {
  UnitView view = View();
  if (!view.Valid() || view.IsMenuEntry()) return;
  const auto zero = std::find(tag.begin(), tag.end(), std::uint8_t{0});
  std::vector<std::uint8_t> text(tag.begin(), zero);
  text.push_back(0);
  Splice(view.Layout().tag.offset, view.Layout().tag.length + 1, text);
}

void Unit::ReplaceMousePointer(std::span<const std::uint8_t> block) {
  UnitView view = View();
  if (!view.Valid() || view.IsMenuEntry()) return;
  const auto length = static_cast<std::uint32_t>(block.size());
  std::vector<std::uint8_t> counted = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
  counted.insert(counted.end(), block.begin(), block.end());
  Splice(view.Layout().mouse.offset - 4, view.Layout().mouse.length + 4, counted);
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
  // A saved record was located when it was saved.
  if (auto layout = LocateUnitFields(Record(), IsMenuEntry())) m_layout = *layout;
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

bool SegmentReader::ReadPages(std::vector<PageDescription>& pages) noexcept {
  ByteReader reader(m_segment);
  std::uint32_t indexLength = 0;
  if (!ReadWord(reader, indexLength)) return false;
  if (indexLength % kPageIndexEntryLength != 0) {
    return Fail(PageFault::PageIndex, "page index length not a multiple of 8", 0);
  }
  if (indexLength > reader.Remaining()) return Fail(PageFault::PageIndex, "page index longer than the segment", 0);
  const std::uint32_t pageCount = indexLength / kPageIndexEntryLength;
  std::vector<std::uint32_t> ids;
  ids.reserve(pageCount);
  for (std::uint32_t i = 0; i < pageCount; ++i) {
    m_page = static_cast<int>(i);
    const std::size_t at = reader.Offset();
    const std::uint32_t id = *reader.ReadU32();  // present: the index length was checked
    if (!IsValidId(id) || IdType(id) != kIdTypePage) return Fail(PageFault::PageId, "invalid page id", at);
    if (Contains(ids, id)) return Fail(PageFault::PageId, "repeated page id", at);
    ids.push_back(id);
  }
  m_page = -1;
  // The page slots: their stored values have no meaning; the list below takes their place.
  (void)reader.Skip(4 * std::size_t{pageCount});  // present: the index length was checked

  pages.resize(pageCount);
  for (std::uint32_t i = 0; i < pageCount; ++i) {
    m_page = static_cast<int>(i);
    m_unit = -1;
    PageDescription& page = pages[i];
    page.m_id = ids[i];
    std::uint32_t unitCount = 0, blockLength = 0;
    if (!ReadWord(reader, page.m_reserved) || !ReadWord(reader, page.m_moduleId) ||
        !ReadText(reader, page.m_firstReservedText) || !ReadText(reader, page.m_secondReservedText) ||
        !ReadWord(reader, unitCount)) {
      return false;
    }
    const std::size_t lengthAt = reader.Offset();
    if (!ReadWord(reader, blockLength)) return false;
    if (blockLength > reader.Remaining()) {
      return Fail(PageFault::UnitBlock, "unit block longer than the segment", lengthAt);
    }
    const std::size_t blockAt = reader.Offset();
    (void)reader.Skip(blockLength);
    if (!ReadUnitBlock(m_segment.subspan(blockAt, blockLength), unitCount, blockAt, page.m_units)) return false;
  }
  m_page = -1;
  m_unit = -1;
  if (!reader.AtEnd()) return Fail(PageFault::PageIndex, "bytes after the last page record", reader.Offset());
  return true;
}

Expected<PageList, PageError> ReadPageSegment(std::span<std::uint8_t> segment,
                                              std::uint32_t routineEntriesLength) noexcept {
  SegmentReader reader(segment, routineEntriesLength);
  std::vector<PageDescription> pages;
  if (!reader.ReadPages(pages)) return reader.Fault();
  return PageList(std::move(pages));
}

const char* PageFaultName(PageFault fault) noexcept {
  switch (fault) {
    case PageFault::Truncated: return "truncated";
    case PageFault::PageIndex: return "page index";
    case PageFault::PageId: return "page id";
    case PageFault::UnitBlock: return "unit block";
    case PageFault::UnitId: return "unit id";
    case PageFault::FirstUnit: return "first unit";
    case PageFault::WindowSlot: return "window slot";
    case PageFault::PointerSlot: return "pointer slot";
    case PageFault::Handler: return "handler";
    case PageFault::Container: return "container";
    case PageFault::ContainerCycle: return "container cycle";
    case PageFault::PropertyBlock: return "property block";
    case PageFault::Picture: return "picture";
  }
  return "unknown";
}

namespace {

// Appends to a fixed buffer, dropping what does not fit; the buffer stays NUL-terminated.
class FixedText {
 public:
  explicit FixedText(std::span<char> out) noexcept : m_out(out) {
    if (!m_out.empty()) m_out[0] = '\0';
  }
  FixedText& operator<<(const char* text) noexcept {
    while (*text != '\0' && m_length + 1 < m_out.size()) m_out[m_length++] = *text++;
    if (!m_out.empty()) m_out[m_length] = '\0';
    return *this;
  }
  FixedText& operator<<(std::size_t number) noexcept {
    char digits[kIntegerTextCapacity];
    FormatUnsigned(digits, number);
    return *this << digits;
  }
  std::size_t Length() const noexcept { return m_length; }

 private:
  std::span<char> m_out;
  std::size_t m_length = 0;
};

}  // namespace

std::size_t DescribePageError(const PageError& error, std::span<char> out) noexcept {
  FixedText text(out);
  text << PageFaultName(error.fault) << ": " << error.why << " (offset " << error.offset;
  if (error.page >= 0) text << ", page " << static_cast<std::size_t>(error.page);
  if (error.unit >= 0) text << ", unit " << static_cast<std::size_t>(error.unit);
  text << ")";
  return text.Length();
}

void FixUpHandlers(PageList& pages, std::uint32_t codeStart) noexcept {
  for (PageDescription& page : pages.Pages()) {
    for (Unit& unit : page.Units()) {
      UnitView view = unit.View();
      for (std::uint32_t i = 0; i < view.EventCount(); ++i) {
        const std::uint32_t stored = view.Event(i).handler;
        view.SetEventHandler(i, stored == kNoHandler ? 0 : codeStart + stored);
      }
    }
  }
}

}  // namespace vl::pages
