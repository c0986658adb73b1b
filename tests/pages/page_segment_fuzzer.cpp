// libFuzzer target: the start-up reader, the unit views, the handler fix-up, saving and restoring
// units, and every kind's property block, font block and mouse-pointer block, over any bytes. A
// segment the reader accepts must hold only what the runtime may trust.
// The first byte chooses how the rest is read: as a whole segment, or as one property block of
// a kind (an input from the seed corpus is a segment).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "label_colours.h"
#include "pages/page_segment.h"
#include "pages/property_block.h"

namespace {

using namespace vl::pages;

volatile std::uint64_t g_sink;  // keeps the reads from being optimised away

void Consume(std::span<const std::uint8_t> bytes) {
  std::uint64_t sum = bytes.size();
  for (std::uint8_t b : bytes) sum += b;
  g_sink = g_sink + sum;
}

void ReadBlock(std::uint32_t kind, std::span<const std::uint8_t> block) {
  auto values = ReadPropertyBlock(kind, block);
  if (!values) return;
  for (std::size_t i = 0; i < values->Kind().fields.size(); ++i) {
    const FieldValue& field = values->At(static_cast<int>(i));
    Consume(field.bytes);
    if (values->Kind().fields[i].type == FieldType::Font) g_sink = g_sink + DecodeFont(field.bytes).faceName[0];
  }
  if (kind == kKindLabel) g_sink = g_sink + static_cast<std::uint64_t>(vl::test::LabelGradientColours(*values).count);
}

constexpr std::uint32_t kEntriesLength = 64 * kRoutineEntryLength;

// What the runtime trusts without looking again.
void CheckTrusted(PageDescription& page) {
  for (Unit& unit : page.Units()) {
    const UnitView view = unit.View();
    if (!view.Valid() || view.WindowSlot() != 0 || view.PointerSlot() != 0) __builtin_trap();
    for (std::uint32_t i = 0; i < view.EventCount(); ++i) {
      const std::uint32_t handler = view.Event(i).handler;
      if (handler != kNoHandler && (handler % kRoutineEntryLength != 0 || handler >= kEntriesLength)) __builtin_trap();
    }
    // Following the containers reaches the page within as many steps as there are units.
    std::uint32_t container = view.ContainerId();
    for (std::size_t steps = 0; container != 0; ++steps) {
      Unit* holder = page.FindUnit(container);
      if (holder == nullptr || steps == page.Units().size()) __builtin_trap();
      container = holder->View().ContainerId();
    }
  }
}

void WalkSegment(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> segment(data.begin(), data.end());
  auto pages = ReadPageSegment(segment, kEntriesLength);
  if (!pages) {
    char description[160];
    if (DescribePageError(pages.GetError(), description) >= sizeof description) __builtin_trap();
    return;
  }
  for (PageDescription& page : pages.Value().Pages()) CheckTrusted(page);
  FixUpHandlers(pages.Value(), 0x00401000);
  for (PageDescription& page : pages.Value().Pages()) {
    Consume(page.FirstReservedText());
    const SavedUnits saved = page.SaveUnits();
    for (Unit& unit : page.Units()) {
      UnitView view = unit.View();
      Consume(view.Name());
      Consume(view.Remark());
      Consume(view.Tag());
      g_sink = g_sink + view.Left() + view.Top() + view.Width() + view.Height() + view.StateFlags() + view.TabOrder();
      for (std::uint32_t i = 0; i < view.ChildCount(); ++i) g_sink = g_sink + view.ChildId(i);
      for (std::uint32_t i = 0; i < view.EventCount(); ++i) g_sink = g_sink + view.Event(i).handler;
      const MousePointer pointer = DecodeMousePointer(view.MousePointerBlock());
      Consume(pointer.file);
      Consume(pointer.wholeBlock);
      ReadBlock(view.Kind(), view.PropertyBlock());
      view.SetLeft(1);
      unit.ReplaceTag(view.Name());
      unit.ReplaceMousePointer(view.Remark());
      if (!unit.View().Valid()) __builtin_trap();
    }
    page.RestoreUnits(saved);
    if (page.SaveUnits() != saved) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  if (size == 0) return 0;
  const auto kinds = Kinds();
  const std::uint8_t selector = data[0];
  if (selector < kinds.size()) {
    ReadBlock(kinds[selector].kind, input.subspan(1));
    Consume(input.subspan(1, std::min<std::size_t>(size - 1, 60)));
    (void)DecodeFont(input.subspan(1));
    (void)DecodeMousePointer(input.subspan(1));
    return 0;
  }
  WalkSegment(input);
  return 0;
}
