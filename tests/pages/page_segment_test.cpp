// The start-up reader over segments written by the generator: everything written reads back,
// no damaged segment reads at all, and each refusal names its fault and where it lies.
#include "pages/page_segment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "label_colours.h"
#include "page_source.h"
#include "picture_page.h"
#include "base/byte_reader.h"
#include "pages/property_block.h"
#include "segment_writer.h"

namespace vl::pages {
namespace {

using Bytes = std::vector<std::uint8_t>;
using vl::test::LabelBorderColours;
using vl::test::LabelGradientColours;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string ToString(std::span<const std::uint8_t> b) { return std::string(b.begin(), b.end()); }

std::vector<pagegen::PageSource> ParseEveryKind() {
  const std::string dir = VL_TEST_DATA_DIR;
  const auto routines = pagegen::ParseRoutineList("routines", ReadFile(dir + "/test_routines.txt"));
  const auto parsed = pagegen::ParsePageSource(dir + "/every_kind.pages", ReadFile(dir + "/every_kind.pages"),
                                               routines.Value(), {});
  return parsed.Value().pages;
}

// The segment the build generated from every_kind.pages, and its four routine entries.
Bytes GeneratedSegment() { return ToBytes(ReadFile(VL_EVERY_KIND_SEGMENT)); }
constexpr std::uint32_t kEveryKindEntries = 4 * kRoutineEntryLength;

auto Read(Bytes& segment, std::uint32_t entries = kEveryKindEntries) { return ReadPageSegment(segment, entries); }

void ExpectFieldsMatch(const pagegen::UnitSource& source, const PropertyValues& values) {
  const KindInfo& kind = values.Kind();
  for (std::size_t i = 0; i < kind.fields.size(); ++i) {
    const FieldDef& def = kind.fields[i];
    const auto given = source.fields.find(static_cast<int>(i));
    const bool present = source.hasProperties && def.minVersion <= source.version && given != source.fields.end();
    SCOPED_TRACE(std::string(kind.name) + "." + std::string(def.name));
    if (IsBlockType(def.type)) {
      EXPECT_EQ(ToString(values.At(static_cast<int>(i)).bytes), present ? given->second.bytes : std::string(def.defaultText));
    } else {
      EXPECT_EQ(values.At(static_cast<int>(i)).number, present ? given->second.number : def.defaultValue);
    }
  }
}

TEST(PageSegment, EveryWrittenFieldOfEveryUnitReadsBack) {
  const auto sources = ParseEveryKind();
  Bytes segment = GeneratedSegment();
  auto pages = Read(segment);
  ASSERT_TRUE(pages) << pages.GetError().why << " at " << pages.GetError().offset;
  ASSERT_EQ(pages->Count(), sources.size());
  std::size_t kindsSeen = 0;
  for (const pagegen::PageSource& pageSource : sources) {
    PageDescription* page = pages.Value().Find(pageSource.id);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Reserved(), pageSource.reserved);
    EXPECT_EQ(page->ModuleId(), pageSource.moduleId);
    EXPECT_EQ(ToString(page->FirstReservedText()), pageSource.firstReservedText);
    EXPECT_EQ(ToString(page->SecondReservedText()), pageSource.secondReservedText);
    ASSERT_EQ(page->Units().size(), pageSource.units.size());
    EXPECT_EQ(page->WindowUnit().Id(), pageSource.units.front().id);
    for (const pagegen::UnitSource& source : pageSource.units) {
      SCOPED_TRACE("unit " + std::to_string(source.id));
      Unit* unit = page->FindUnit(source.id);
      ASSERT_NE(unit, nullptr);
      const UnitView view = unit->View();
      ASSERT_TRUE(view.Valid());
      EXPECT_EQ(view.Kind(), source.kind);
      EXPECT_EQ(ToString(view.Name()), source.name);
      EXPECT_EQ(view.StateFlags(), source.state);
      ASSERT_EQ(view.EventCount(), source.events.size());
      for (std::uint32_t i = 0; i < view.EventCount(); ++i) {
        EXPECT_EQ(view.Event(i).number, source.events[i].number);
        EXPECT_EQ(view.Event(i).handler, source.events[i].handler);
      }
      if (source.menuEntry) {
        EXPECT_EQ(view.Shortcut(), source.shortcut);
        continue;
      }
      EXPECT_EQ(ToString(view.Remark()), source.remark);
      EXPECT_EQ(view.WindowSlot(), 0u);
      EXPECT_EQ(view.Left(), source.left);
      EXPECT_EQ(view.Top(), source.top);
      EXPECT_EQ(view.Width(), source.width);
      EXPECT_EQ(view.Height(), source.height);
      EXPECT_EQ(view.PointerSlot(), 0u);
      EXPECT_EQ(view.ContainerId(), source.container);
      ASSERT_EQ(view.ChildCount(), source.children.size());
      for (std::uint32_t i = 0; i < view.ChildCount(); ++i) EXPECT_EQ(view.ChildId(i), source.children[i]);
      EXPECT_EQ(ToString(view.MousePointerBlock()), source.pointer);
      EXPECT_EQ(ToString(view.Tag()), source.tag);
      EXPECT_EQ(view.TabOrder(), source.tabOrder);
      if (FindKind(source.kind) == nullptr) {
        EXPECT_EQ(ToString(view.PropertyBlock()), source.rawBlock);
        continue;
      }
      auto values = ReadPropertyBlock(view.Kind(), view.PropertyBlock());
      ASSERT_TRUE(values) << values.GetError().what;
      EXPECT_EQ(values->Version(), source.hasProperties ? source.version : 0u);
      ExpectFieldsMatch(source, *values);
      ++kindsSeen;
    }
  }
  EXPECT_GE(kindsSeen, Kinds().size());
}

// The source's texts come out as GBK, its numbers as written: the round trip above would not
// notice a generator and a reader that agree on a wrong encoding.
TEST(PageSegment, StoredBytesAreTheSourceValuesInGbk) {
  Bytes segment = GeneratedSegment();
  auto pages = Read(segment);
  ASSERT_TRUE(pages);
  PageDescription* page = pages.Value().Find(0x52010001);
  ASSERT_NE(page, nullptr);
  UnitView edit = page->FindUnit(0x16010002)->View();
  EXPECT_EQ(ToString(edit.Name()), "\xB1\xE0\xBC\xAD\xBF\xF2");  // 编辑框
  EXPECT_EQ(edit.Left(), -3);
  EXPECT_EQ(edit.StateFlags(), 0x17u);
  auto values = ReadPropertyBlock(edit.Kind(), edit.PropertyBlock());
  ASSERT_TRUE(values);
  EXPECT_EQ(ToString(values->Bytes(EditBoxField::Content)), "\xB5\xDA\xD2\xBB\xD0\xD0\r\n\xB5\xDA\xB6\xFE\xD0\xD0");
  EXPECT_EQ(values->Int(EditBoxField::UpDownMin), -5);
  EXPECT_EQ(values->Unsigned(EditBoxField::PasswordChar), 0x23u);
  UnitView window = page->WindowUnit().View();
  auto windowValues = ReadPropertyBlock(window.Kind(), window.PropertyBlock());
  ASSERT_TRUE(windowValues);
  EXPECT_EQ(ToString(windowValues->Bytes(WindowField::Caption)), "\xB2\xE2\xCA\xD4\xD2\xB3\xC3\xE6");  // 测试页面
  EXPECT_EQ(ToString(windowValues->Bytes(WindowField::BackgroundPicture)),
            "A picture is a byte block: these bytes stand for one.\n");
}

TEST(PageSegment, EmptyBlocksAndOlderVersionsGiveTheKindsDefaults) {
  Bytes segment = GeneratedSegment();
  auto pages = Read(segment);
  ASSERT_TRUE(pages);
  PageDescription& first = *pages.Value().Find(0x52010001);
  auto read = [](Unit& unit) { return ReadPropertyBlock(unit.View().Kind(), unit.View().PropertyBlock()); };

  auto edit = read(*first.FindUnit(0x16010003));
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit->Int(EditBoxField::Border), 1);
  EXPECT_EQ(edit->Unsigned(EditBoxField::BackgroundColour), 0x00FFFFFFu);
  EXPECT_TRUE(edit->Bytes(EditBoxField::Content).empty());
  auto timer = read(*first.FindUnit(0x1601000B));
  ASSERT_TRUE(timer);
  EXPECT_EQ(timer->Int(TimerField::Period), 0);
  auto label = read(*first.FindUnit(0x16010007));
  ASSERT_TRUE(label);
  EXPECT_EQ(ToString(label->Bytes(LabelField::Text)), "\xB1\xEA\xC7\xA9");  // 标签
  EXPECT_EQ(LabelGradientColours(*label).count, 3);

  // A version-1 window lacks the fields of versions 2 to 6, which keep their defaults.
  auto window = read(pages.Value().Find(0x52010013)->WindowUnit());
  ASSERT_TRUE(window);
  EXPECT_EQ(window->Version(), 1u);
  EXPECT_EQ(window->Int(WindowField::Border), 4);
  EXPECT_TRUE(window->Bool(WindowField::ShowInTaskbar));
  EXPECT_TRUE(window->Bytes(WindowField::ClassName).empty());
  EXPECT_EQ(ToString(window->Bytes(WindowField::Caption)), "\xBE\xC9\xB0\xE6\xB4\xB0\xBF\xDA");  // 旧版窗口
}

TEST(PageSegment, ALabelWhoseFirstGradientColourIsTheDefaultHasTwoColours) {
  Bytes segment = GeneratedSegment();
  auto pages = Read(segment);
  ASSERT_TRUE(pages);
  UnitView view = pages.Value().Find(0x52010001)->FindUnit(0x16010006)->View();
  auto label = ReadPropertyBlock(view.Kind(), view.PropertyBlock());
  ASSERT_TRUE(label);
  const ColourList gradient = LabelGradientColours(*label);
  ASSERT_EQ(gradient.count, 2);
  EXPECT_EQ(gradient.colours[0], 0x00808080u);
  EXPECT_EQ(gradient.colours[1], 0x00FFFFFFu);
  const ColourList border = LabelBorderColours(*label);
  ASSERT_EQ(border.count, 2);
  EXPECT_EQ(border.colours[1], 0x00222222u);
}

TEST(PageSegment, HandlersBecomeAddressesFromTheCodeStart) {
  Bytes segment = GeneratedSegment();
  auto pages = Read(segment);
  ASSERT_TRUE(pages);
  FixUpHandlers(pages.Value(), 0x00401000);
  PageDescription& first = *pages.Value().Find(0x52010001);
  UnitView window = first.WindowUnit().View();
  EXPECT_EQ(window.Handler(0), 0x00401000u + 8);  // OnPageCreated, the second routine
  EXPECT_EQ(window.Handler(1), 0u);               // stored -1: no handler
  EXPECT_EQ(first.FindUnit(0x16010009)->View().Handler(0), 0x00401000u);  // the first routine
  EXPECT_EQ(first.FindUnit(0x16010002)->View().Handler(7), 0x00401000u);  // a raw offset of 0
  EXPECT_EQ(first.FindUnit(0x16010002)->View().Handler(5), 0u);           // no entry at all
  EXPECT_EQ(first.FindUnit(0x2601000E)->View().Handler(0), 0x00401000u + 16);  // menu entry
}

TEST(PageSegment, ABoundHandlerWithoutRoutineEntriesIsRefusedAndNothingChanges) {
  Bytes segment = GeneratedSegment();
  const Bytes before = segment;
  auto pages = Read(segment, 0);
  ASSERT_FALSE(pages);
  EXPECT_EQ(pages.GetError().fault, PageFault::Handler);
  EXPECT_EQ(segment, before);
}

TEST(PageSegment, ClosingAPagePutsItsStoredValuesBack) {
  Bytes segment = GeneratedSegment();
  auto pages = Read(segment);
  ASSERT_TRUE(pages);
  PageDescription& page = *pages.Value().Find(0x52010001);
  const Bytes stored = segment;

  const SavedUnits saved = page.SaveUnits();
  Unit& edit = *page.FindUnit(0x16010002);
  edit.View().SetLeft(99);
  edit.View().SetStateFlags(0);
  edit.View().SetWindowSlot(0x1234);
  edit.ReplaceTag(ToBytes("a much longer tag than before"));
  edit.ReplaceMousePointer(ToBytes(std::string("\x02\x00\x00\x00\x01\x02\x03\x04\x05\x06\x07\x08", 12)));
  {
    const UnitView changed = edit.View();
    EXPECT_EQ(changed.Left(), 99);
    EXPECT_EQ(ToString(changed.Tag()), "a much longer tag than before");
    EXPECT_EQ(changed.MousePointerBlock().size(), 12u);
    EXPECT_EQ(changed.Event(0).number, 0);  // fields after the replaced parts still found
    EXPECT_EQ(ToString(changed.Name()), "\xB1\xE0\xBC\xAD\xBF\xF2");
    auto values = ReadPropertyBlock(changed.Kind(), changed.PropertyBlock());
    ASSERT_TRUE(values);
    EXPECT_EQ(values->Int(EditBoxField::MaxLength), 260);
  }
  page.FindUnit(0x16010004)->View().SetWidth(1);

  page.RestoreUnits(saved);
  EXPECT_EQ(segment, stored);
  EXPECT_EQ(edit.View().Left(), -3);
  EXPECT_EQ(ToString(edit.View().Tag()), "\xB1\xEA\xBC\xC7");  // 标记
  EXPECT_GE(edit.Record().data(), segment.data());  // the unit reads the segment again
  EXPECT_LT(edit.Record().data(), segment.data() + segment.size());
}

TEST(PageSegment, PagesAndUnitsAreFoundByIdOnly) {
  Bytes segment = GeneratedSegment();
  auto pages = Read(segment);
  ASSERT_TRUE(pages);
  EXPECT_EQ(pages.Value().Find(0x52010002), nullptr);
  EXPECT_EQ(pages.Value().Find(0x52010001)->FindUnit(0x16010020), nullptr);  // a unit of the other page
  EXPECT_NE(pages.Value().Find(0x52010013)->FindUnit(0x16010020), nullptr);
}

TEST(PageSegment, EveryPrefixAndAnyTrailingByteFail) {
  const Bytes whole = GeneratedSegment();
  for (std::size_t n = 0; n < whole.size(); ++n) {
    Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    auto pages = Read(prefix);
    EXPECT_FALSE(pages) << "a prefix of " << n << " bytes was read";
    if (pages) break;
  }
  Bytes longer = whole;
  longer.push_back(0);
  auto trailing = Read(longer);
  ASSERT_FALSE(trailing);
  EXPECT_EQ(trailing.GetError().fault, PageFault::PageIndex);
  EXPECT_EQ(trailing.GetError().offset, whole.size());
}

// A one-page segment built in place (a window, a button with one event bound to the second of two
// routine entries, a label), so that every count and length has a known offset.
struct SmallSegment {
  Bytes bytes;
  std::size_t unitCountAt, blockLengthAt, blockAt, secondOffsetAt, firstRecordAt, secondRecordAt;
  std::size_t childCountAt, mouseCountAt, eventCountAt, firstTextAt;
  std::size_t windowFixedAt, buttonFixedAt, labelFixedAt, handlerAt;
};
constexpr std::uint32_t kSmallEntries = 2 * kRoutineEntryLength;

SmallSegment BuildSmallSegment() {
  const pagegen::UnitSource window = test::SourceUnit(0x06010000, kKindWindow);
  pagegen::UnitSource button = test::SourceUnit(0x16010001, kKindButton);
  button.name = "b";
  button.children = {0x16010002};
  button.events = {{0, 8}};
  pagegen::UnitSource label = test::SourceUnit(0x16010002, kKindLabel);
  label.name = "l";
  label.container = button.id;
  pagegen::PageSource page;
  page.id = 0x52010001;
  page.units = {window, button, label};
  SmallSegment s;
  s.bytes = ToBytes(pagegen::BuildSegment({page}));
  s.firstTextAt = 4 + 8 + 8;
  s.unitCountAt = s.firstTextAt + 8;
  s.blockLengthAt = s.unitCountAt + 4;
  s.blockAt = s.blockLengthAt + 4;
  s.secondOffsetAt = s.blockAt + 3 * 4 + 4;
  s.firstRecordAt = s.blockAt + 3 * kUnitTableEntryLength;
  const std::size_t firstLength = LoadU32(s.bytes.data() + s.firstRecordAt);
  s.secondRecordAt = s.firstRecordAt + 4 + firstLength;
  const std::size_t secondLength = LoadU32(s.bytes.data() + s.secondRecordAt);
  const std::size_t thirdRecordAt = s.secondRecordAt + 4 + secondLength;
  const std::size_t names = kUnitKindLength + kUnitHeadReserved;
  s.windowFixedAt = s.firstRecordAt + 4 + names + 1 + 1;  // "", remark
  s.buttonFixedAt = s.secondRecordAt + 4 + names + 2 + 1;  // "b", remark
  s.labelFixedAt = thirdRecordAt + 4 + names + 2 + 1;
  s.childCountAt = s.buttonFixedAt + unit_fixed::kChildCount;
  s.mouseCountAt = s.childCountAt + 4 + 4;
  s.eventCountAt = s.mouseCountAt + 4 + 4 + 1 + unit_dispatch::kEventCount;  // block of 4, tag
  s.handlerAt = s.eventCountAt + 4 + event_entry::kHandler;
  return s;
}

void Put32(Bytes& b, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

struct Damage {
  const char* what;
  std::size_t at;
  std::uint32_t value;
  PageFault fault;
  std::size_t faultAt;
  int unit;  // -1: outside any unit record
};

void ExpectRefused(const SmallSegment& s, const Damage& damage, int page = 0) {
  Bytes bytes = s.bytes;
  Put32(bytes, damage.at, damage.value);
  auto read = ReadPageSegment(bytes, kSmallEntries);
  ASSERT_FALSE(read) << damage.what;
  const PageError& error = read.GetError();
  EXPECT_EQ(error.fault, damage.fault) << damage.what << ": " << PageFaultName(error.fault) << ", " << error.why;
  EXPECT_EQ(error.offset, damage.faultAt) << damage.what;
  EXPECT_EQ(error.page, damage.at == 0 ? -1 : page) << damage.what;
  EXPECT_EQ(error.unit, damage.unit) << damage.what;
}

TEST(PageSegment, DamagedCountsAndLengthsAreRefusedWhereTheyLie) {
  const SmallSegment s = BuildSmallSegment();
  {
    Bytes intact = s.bytes;
    ASSERT_TRUE(ReadPageSegment(intact, kSmallEntries));
    EXPECT_EQ(LoadU32(s.bytes.data() + s.childCountAt), 1u);
    EXPECT_EQ(LoadU32(s.bytes.data() + s.mouseCountAt), 4u);
    EXPECT_EQ(LoadU32(s.bytes.data() + s.eventCountAt), 1u);
    EXPECT_EQ(LoadU32(s.bytes.data() + s.labelFixedAt + unit_fixed::kContainer), 0x16010001u);
  }
  using enum PageFault;
  const std::uint32_t blockLength = LoadU32(s.bytes.data() + s.blockLengthAt);
  const Damage damages[] = {
      {"index length not a multiple of 8", 0, 12, PageIndex, 0, -1},
      {"index length over the end", 0, 0x7FFFFFF8, PageIndex, 0, -1},
      {"index length wrapping", 0, 0xFFFFFFF8, PageIndex, 0, -1},
      {"invalid page id", 4, 0x00010001, PageId, 4, -1},
      {"counted text past the end", s.firstTextAt, 0x7FFFFFFF, Truncated, s.firstTextAt, -1},
      // One byte of the second text's count taken: the rest and the unit count make it huge.
      {"counted text one long", s.firstTextAt, 1, Truncated, s.firstTextAt + 5, -1},
      {"no units", s.unitCountAt, 0, UnitBlock, s.blockAt, -1},
      {"one unit more", s.unitCountAt, 4, UnitId, s.blockAt + 12, 3},
      {"huge unit count", s.unitCountAt, 0x20000000, UnitBlock, s.blockAt, -1},
      {"unit block one long", s.blockLengthAt, blockLength + 1, UnitBlock, s.blockLengthAt, -1},
      {"unit block huge", s.blockLengthAt, 0xFFFFFFFF, UnitBlock, s.blockLengthAt, -1},
      {"invalid unit id", s.blockAt, 0x06000000, UnitId, s.blockAt, 0},
      {"first unit not a window unit", s.blockAt, 0x16010009, FirstUnit, s.blockAt, 0},
      {"repeated unit id", s.blockAt + 4, 0x06010000, UnitId, s.blockAt + 4, 1},
      {"second offset off", s.secondOffsetAt, LoadU32(s.bytes.data() + s.secondOffsetAt) + 1, UnitBlock,
       s.secondOffsetAt, 1},
      {"record length over the block", s.firstRecordAt, 0x7FFFFFFF, UnitBlock, s.firstRecordAt, 0},
      {"record too short for its fields", s.firstRecordAt, 30, Truncated, s.firstRecordAt + 4 + 26, 0},
      {"child count over the record", s.childCountAt, 0x40000000, Truncated, s.childCountAt, 1},
      {"child count wrapping", s.childCountAt, 0xFFFFFFFF, Truncated, s.childCountAt, 1},
      {"mouse block over the record", s.mouseCountAt, 0x7FFFFFFF, Truncated, s.mouseCountAt, 1},
      {"event count over the record", s.eventCountAt, 0x20000000, Truncated, s.eventCountAt, 1},
      // The second entry takes 8 of the 20 reserved bytes after the events: the rest is short.
      {"event count one more", s.eventCountAt, 2, Truncated, s.eventCountAt + 4 + 16, 1},
  };
  for (const Damage& damage : damages) ExpectRefused(s, damage);
  Bytes noTerminator = s.bytes;
  const std::size_t nameAt = s.secondRecordAt + 4 + kUnitKindLength + kUnitHeadReserved;
  std::memset(noTerminator.data() + nameAt, 'x', noTerminator.size() - nameAt);
  auto unterminated = ReadPageSegment(noTerminator, kSmallEntries);
  ASSERT_FALSE(unterminated);
  EXPECT_EQ(unterminated.GetError().fault, PageFault::Truncated);
  EXPECT_EQ(unterminated.GetError().offset, nameAt);
  EXPECT_EQ(unterminated.GetError().unit, 1);
}

// Values the runtime trusts once the pages are read: its own slots, the handler entries, the
// container chain.
TEST(PageSegment, ValuesTheRuntimeTrustsAreRefusedWhereTheyLie) {
  const SmallSegment s = BuildSmallSegment();
  using enum PageFault;
  const std::size_t labelContainer = s.labelFixedAt + unit_fixed::kContainer;
  const std::size_t buttonContainer = s.buttonFixedAt + unit_fixed::kContainer;
  const Damage damages[] = {
      {"page window slot", s.windowFixedAt + unit_fixed::kWindowSlot, 0x00402000, WindowSlot,
       s.windowFixedAt + unit_fixed::kWindowSlot, 0},
      {"control window slot", s.buttonFixedAt + unit_fixed::kWindowSlot, 1, WindowSlot,
       s.buttonFixedAt + unit_fixed::kWindowSlot, 1},
      {"pointer slot", s.buttonFixedAt + unit_fixed::kPointerSlot, 0x10000, PointerSlot,
       s.buttonFixedAt + unit_fixed::kPointerSlot, 1},
      {"handler between entries", s.handlerAt, 4, Handler, s.handlerAt, 1},
      {"handler at the entries' end", s.handlerAt, kSmallEntries, Handler, s.handlerAt, 1},
      {"handler far outside", s.handlerAt, 0x7FFF0000, Handler, s.handlerAt, 1},
      {"container of no unit", labelContainer, 0x16010077, Container, labelContainer, 2},
      {"container on another page's numbering", labelContainer, 0x16020001, Container, labelContainer, 2},
      {"unit containing itself", labelContainer, 0x16010002, ContainerCycle, labelContainer, 2},
      {"two units containing each other", buttonContainer, 0x16010002, ContainerCycle, buttonContainer, 1},
  };
  for (const Damage& damage : damages) ExpectRefused(s, damage);
  // The last entry is still an entry, and the window unit is a unit of the page.
  Bytes lastEntry = s.bytes;
  Put32(lastEntry, s.handlerAt, kSmallEntries - kRoutineEntryLength);
  EXPECT_TRUE(ReadPageSegment(lastEntry, kSmallEntries));
  Bytes heldByWindow = s.bytes;
  Put32(heldByWindow, labelContainer, 0x06010000);
  EXPECT_TRUE(ReadPageSegment(heldByWindow, kSmallEntries));
}

TEST(PageSegment, APictureAnnouncingMoreThanThePixelCapIsRefusedAtItsBytes) {
  using test::JpegHeader;
  Bytes atCap = test::PicturePage(JpegHeader(4096, 4096));
  EXPECT_TRUE(ReadPageSegment(atCap, 0));
  Bytes overCap = test::PicturePage(JpegHeader(4096, 4097));
  auto read = ReadPageSegment(overCap, 0);
  ASSERT_FALSE(read);
  EXPECT_EQ(read.GetError().fault, PageFault::Picture);
  EXPECT_EQ(read.GetError().unit, 1);
  const Bytes header = ToBytes(JpegHeader(4096, 4097));
  const auto found = std::search(overCap.begin(), overCap.end(), header.begin(), header.end());
  ASSERT_NE(found, overCap.end());
  EXPECT_EQ(read.GetError().offset, static_cast<std::size_t>(found - overCap.begin()));
}

TEST(PageSegment, TheDescriptionSaysWhatWhereAndWhy) {
  const PageError error{PageFault::Container, "container not a unit of the page", 1234, 2, 7};
  char text[128];
  DescribePageError(error, text);
  EXPECT_STREQ(text, "container: container not a unit of the page (offset 1234, page 2, unit 7)");
  char small[12];
  EXPECT_EQ(DescribePageError(error, small), 11u);
  EXPECT_STREQ(small, "container: ");
}

}  // namespace
}  // namespace vl::pages
