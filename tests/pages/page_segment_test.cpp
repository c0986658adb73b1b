// The start-up reader over segments written by the generator: everything written reads back,
// and no damaged segment reads at all.
#include "pages/page_segment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "page_source.h"
#include "pages/property_block.h"
#include "runtime/byte_reader.h"
#include "segment_writer.h"

namespace vl::pages {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
std::string ToString(std::span<const std::uint8_t> b) { return std::string(b.begin(), b.end()); }

std::vector<pagegen::PageSource> ParseEveryKind() {
  const std::string dir = VL_TEST_DATA_DIR;
  const auto routines = pagegen::ParseRoutineList("routines", ReadFile(dir + "/test_routines.txt"));
  return pagegen::ParsePageSource(dir + "/every_kind.pages", ReadFile(dir + "/every_kind.pages"), routines,
                                  pagegen::kEntrySize, {})
      .pages;
}

// The segment the build generated from every_kind.pages.
Bytes GeneratedSegment() { return ToBytes(ReadFile(VL_EVERY_KIND_SEGMENT)); }

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
  auto pages = ReadPageSegment(segment);
  ASSERT_TRUE(pages) << pages.GetError().what << " at " << pages.GetError().offset;
  ASSERT_EQ(pages->Count(), sources.size());
  std::size_t kindsSeen = 0;
  for (const pagegen::PageSource& pageSource : sources) {
    PageDescription* page = pages.Value().Find(pageSource.id);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Reserved(), pageSource.reserved);
    EXPECT_EQ(page->ModuleId(), pageSource.moduleId);
    EXPECT_EQ(ToString(page->FirstText()), pageSource.firstText);
    EXPECT_EQ(ToString(page->SecondText()), pageSource.secondText);
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
  auto pages = ReadPageSegment(segment);
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
  auto pages = ReadPageSegment(segment);
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
  auto pages = ReadPageSegment(segment);
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
  auto pages = ReadPageSegment(segment);
  ASSERT_TRUE(pages);
  ASSERT_TRUE(FixUpHandlers(pages.Value(), 0x00401000));
  PageDescription& first = *pages.Value().Find(0x52010001);
  UnitView window = first.WindowUnit().View();
  EXPECT_EQ(window.Handler(0), 0x00401000u + 8);  // OnPageCreated, the second routine
  EXPECT_EQ(window.Handler(1), 0u);               // stored -1: no handler
  EXPECT_EQ(first.FindUnit(0x16010009)->View().Handler(0), 0x00401000u);  // the first routine
  EXPECT_EQ(first.FindUnit(0x16010002)->View().Handler(7), 0x00401000u);  // a raw offset of 0
  EXPECT_EQ(first.FindUnit(0x16010002)->View().Handler(5), 0u);           // no entry at all
  EXPECT_EQ(first.FindUnit(0x2601000E)->View().Handler(0), 0x00401000u + 16);  // menu entry
}

TEST(PageSegment, ABoundHandlerWithoutACodeStartIsRefusedAndNothingChanges) {
  Bytes segment = GeneratedSegment();
  const Bytes before = segment;
  auto pages = ReadPageSegment(segment);
  ASSERT_TRUE(pages);
  EXPECT_FALSE(FixUpHandlers(pages.Value(), 0));
  EXPECT_EQ(segment, before);
}

TEST(PageSegment, ClosingAPagePutsItsStoredValuesBack) {
  Bytes segment = GeneratedSegment();
  auto pages = ReadPageSegment(segment);
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
  auto pages = ReadPageSegment(segment);
  ASSERT_TRUE(pages);
  EXPECT_EQ(pages.Value().Find(0x52010002), nullptr);
  EXPECT_EQ(pages.Value().Find(0x52010001)->FindUnit(0x16010020), nullptr);  // a unit of the other page
  EXPECT_NE(pages.Value().Find(0x52010013)->FindUnit(0x16010020), nullptr);
}

TEST(PageSegment, EveryPrefixAndAnyTrailingByteFail) {
  const Bytes whole = GeneratedSegment();
  for (std::size_t n = 0; n < whole.size(); ++n) {
    Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    auto pages = ReadPageSegment(prefix);
    EXPECT_FALSE(pages) << "a prefix of " << n << " bytes was read";
    if (pages) break;
  }
  Bytes longer = whole;
  longer.push_back(0);
  EXPECT_FALSE(ReadPageSegment(longer));
}

// A one-page segment built in place, so that every count and length has a known offset.
struct SmallSegment {
  Bytes bytes;
  std::size_t unitCountAt, blockLengthAt, blockAt, secondOffsetAt, firstRecordAt, secondRecordAt;
  std::size_t childCountAt, mouseCountAt, eventCountAt, firstTextAt;
};

SmallSegment BuildSmallSegment() {
  pagegen::UnitSource window;
  window.id = 0x06010000;
  window.kind = kKindWindow;
  pagegen::UnitSource button;
  button.id = 0x16010001;
  button.kind = kKindButton;
  button.name = "b";
  button.children = {0x16010002};
  button.events = {{0, 8}};
  pagegen::PageSource page;
  page.id = 0x52010001;
  page.units = {window, button};
  SmallSegment s;
  s.bytes = ToBytes(pagegen::BuildSegment({page}));
  s.firstTextAt = 4 + 8 + 8;
  s.unitCountAt = s.firstTextAt + 8;
  s.blockLengthAt = s.unitCountAt + 4;
  s.blockAt = s.blockLengthAt + 4;
  s.secondOffsetAt = s.blockAt + 12;
  s.firstRecordAt = s.blockAt + 16;
  const std::size_t firstLength = LoadU32(s.bytes.data() + s.firstRecordAt);
  s.secondRecordAt = s.firstRecordAt + 4 + firstLength;
  const std::size_t fixed = s.secondRecordAt + 4 + 24 + 2 + 1;  // kind, reserved, "b", remark
  s.childCountAt = fixed + 28;
  s.mouseCountAt = s.childCountAt + 8;
  s.eventCountAt = s.mouseCountAt + 8 + 1 + 12;  // block of 4, tag, reserved, flags, tab order
  return s;
}

void Put32(Bytes& b, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(PageSegment, DamagedCountsAndLengthsFail) {
  const SmallSegment s = BuildSmallSegment();
  {
    Bytes intact = s.bytes;
    ASSERT_TRUE(ReadPageSegment(intact));
    EXPECT_EQ(LoadU32(s.bytes.data() + s.childCountAt), 1u);
    EXPECT_EQ(LoadU32(s.bytes.data() + s.mouseCountAt), 4u);
    EXPECT_EQ(LoadU32(s.bytes.data() + s.eventCountAt), 1u);
  }
  struct Damage {
    const char* what;
    std::size_t at;
    std::uint32_t value;
  };
  const std::uint32_t blockLength = LoadU32(s.bytes.data() + s.blockLengthAt);
  const Damage damages[] = {
      {"index length not a multiple of 8", 0, 12},
      {"index length over the end", 0, 0x7FFFFFF8},
      {"index length wrapping", 0, 0xFFFFFFF8},
      {"no pages but bytes", 0, 0},
      {"invalid page id", 4, 0x00010001},
      {"counted text past the end", s.firstTextAt, 0x7FFFFFFF},
      {"counted text one long", s.firstTextAt, 1},
      {"no units", s.unitCountAt, 0},
      {"one unit more", s.unitCountAt, 3},
      {"huge unit count", s.unitCountAt, 0x20000000},
      {"unit block one short", s.blockLengthAt, blockLength - 1},
      {"unit block one long", s.blockLengthAt, blockLength + 1},
      {"unit block huge", s.blockLengthAt, 0xFFFFFFFF},
      {"invalid unit id", s.blockAt, 0x06000000},
      {"first unit not a window unit", s.blockAt, 0x16010009},
      {"repeated unit id", s.blockAt + 4, 0x06010000},
      {"second offset off", s.secondOffsetAt, LoadU32(s.bytes.data() + s.secondOffsetAt) + 1},
      {"record length over the block", s.firstRecordAt, 0x7FFFFFFF},
      {"record length one long", s.secondRecordAt, LoadU32(s.bytes.data() + s.secondRecordAt) + 1},
      {"record too short for its fields", s.firstRecordAt, 30},
      {"child count over the record", s.childCountAt, 0x40000000},
      {"child count wrapping", s.childCountAt, 0xFFFFFFFF},
      {"mouse block over the record", s.mouseCountAt, 0x7FFFFFFF},
      {"event count over the record", s.eventCountAt, 0x20000000},
      {"event count one more", s.eventCountAt, 2},
  };
  for (const Damage& damage : damages) {
    Bytes bytes = s.bytes;
    Put32(bytes, damage.at, damage.value);
    EXPECT_FALSE(ReadPageSegment(bytes)) << damage.what;
  }
  Bytes noTerminator = s.bytes;
  std::memset(noTerminator.data() + s.secondRecordAt + 4 + 24, 'x', noTerminator.size() - (s.secondRecordAt + 4 + 24));
  EXPECT_FALSE(ReadPageSegment(noTerminator)) << "name without its terminator";
}

}  // namespace
}  // namespace vl::pages
