#include "segment_writer.h"

#include <cstdio>
#include <string_view>

#include "common/byte_writer.h"
#include "pages/page_format.h"
#include "pages/page_segment.h"

namespace pagegen {
namespace {

using vl::pages::FieldType;
namespace ep = vl::pages::event_entry;
namespace fixed = vl::pages::unit_fixed;
namespace dispatch = vl::pages::unit_dispatch;
namespace menu = vl::pages::menu_entry;

void Counted(gen::ByteWriter& out, std::string_view bytes) {
  out.U32(static_cast<std::uint32_t>(bytes.size()));
  out.Bytes(bytes);
}

void Terminated(gen::ByteWriter& out, std::string_view text) {
  out.Bytes(text);
  out.U8(0);
}

std::string PropertyBlock(const UnitSource& unit) {
  if (unit.hasRawBlock) return unit.rawBlock;
  if (!unit.hasProperties) return {};
  const vl::pages::KindInfo& kind = *vl::pages::FindKind(unit.kind);
  gen::ByteWriter block;
  block.U32(unit.version);
  for (std::size_t i = 0; i < kind.fields.size(); ++i) {
    const vl::pages::FieldDef& def = kind.fields[i];
    if (def.minVersion > unit.version) continue;
    const auto given = unit.fields.find(static_cast<int>(i));
    if (vl::pages::IsBlockType(def.type)) {
      Counted(block, given != unit.fields.end() ? given->second.bytes : std::string(def.defaultText));
    } else {
      const std::uint32_t value = given != unit.fields.end() ? given->second.number : def.defaultValue;
      if (def.type == FieldType::Word) {
        block.U16(static_cast<std::uint16_t>(value));
      } else {
        block.U32(value);
      }
    }
  }
  return block.Take();
}

// A run of fields laid out by their named offsets.
class Fields {
 public:
  explicit Fields(std::size_t length) { m_bytes.Zeros(length); }
  Fields& Put(std::size_t offset, std::uint32_t value) {
    m_bytes.PatchU32(offset, value);
    return *this;
  }
  std::string_view Bytes() const { return m_bytes.View(); }

 private:
  gen::ByteWriter m_bytes;
};

void Events(gen::ByteWriter& out, const UnitSource& unit) {
  for (const EventSource& event : unit.events) {
    out.Bytes(Fields(ep::kLength)
                  .Put(ep::kNumber, static_cast<std::uint32_t>(event.number))
                  .Put(ep::kHandler, event.handler)
                  .Bytes());
  }
}

}  // namespace

std::string BuildUnitRecord(const UnitSource& unit) {
  const auto eventCount = static_cast<std::uint32_t>(unit.events.size());
  gen::ByteWriter out;
  if (unit.menuEntry) {
    Terminated(out, unit.name);
    out.Bytes(Fields(menu::kLength)
                  .Put(menu::kState, unit.state)
                  .Put(menu::kShortcut, unit.shortcut)
                  .Put(menu::kEventCount, eventCount)
                  .Bytes());
    Events(out, unit);
    return out.Take();
  }
  out.U32(unit.kind);
  out.Zeros(vl::pages::kUnitHeadReserved);
  Terminated(out, unit.name);
  Terminated(out, unit.remark);
  // The window and pointer slots stay 0: the runtime's own.
  out.Bytes(Fields(fixed::kLength)
                .Put(fixed::kLeft, static_cast<std::uint32_t>(unit.left))
                .Put(fixed::kTop, static_cast<std::uint32_t>(unit.top))
                .Put(fixed::kWidth, static_cast<std::uint32_t>(unit.width))
                .Put(fixed::kHeight, static_cast<std::uint32_t>(unit.height))
                .Put(fixed::kContainer, unit.container)
                .Put(fixed::kChildCount, static_cast<std::uint32_t>(unit.children.size()))
                .Bytes());
  for (std::uint32_t child : unit.children) out.U32(child);
  Counted(out, unit.pointer);
  Terminated(out, unit.tag);
  // The event link stays 0: every unit has its own event table.
  out.Bytes(Fields(dispatch::kLength)
                .Put(dispatch::kState, unit.state)
                .Put(dispatch::kTabOrder, static_cast<std::uint32_t>(unit.tabOrder))
                .Put(dispatch::kEventCount, eventCount)
                .Bytes());
  Events(out, unit);
  out.Zeros(vl::pages::kUnitTailReserved);
  out.Bytes(PropertyBlock(unit));
  return out.Take();
}

std::string BuildSegment(const std::vector<PageSource>& pages) {
  gen::ByteWriter out;
  out.U32(static_cast<std::uint32_t>(vl::pages::kPageIndexEntryLength * pages.size()));
  for (const PageSource& page : pages) out.U32(page.id);
  for (std::size_t i = 0; i < pages.size(); ++i) out.U32(0);  // page slots, filled at run time
  for (const PageSource& page : pages) {
    out.U32(page.reserved);
    out.U32(page.moduleId);
    Counted(out, page.firstReservedText);
    Counted(out, page.secondReservedText);
    gen::ByteWriter table, records;
    for (const UnitSource& unit : page.units) table.U32(unit.id);
    for (const UnitSource& unit : page.units) {
      table.U32(static_cast<std::uint32_t>(records.Size()));
      Counted(records, BuildUnitRecord(unit));
    }
    out.U32(static_cast<std::uint32_t>(page.units.size()));
    out.U32(static_cast<std::uint32_t>(table.Size() + records.Size()));
    out.Bytes(table.View());
    out.Bytes(records.View());
  }
  return out.Take();
}

gen::Status CheckReadable(const std::string& path, const std::vector<PageSource>& pages, const std::string& segment,
                          std::size_t routineCount) {
  std::vector<std::uint8_t> bytes(segment.begin(), segment.end());
  const auto entriesLength = static_cast<std::uint32_t>(routineCount * vl::pages::kRoutineEntryLength);
  auto read = vl::pages::ReadPageSegment(bytes, entriesLength);
  if (read) return gen::Done{};
  const vl::pages::PageError& error = read.GetError();
  char description[256];
  vl::pages::DescribePageError(error, description);
  int line = 0;
  if (error.page >= 0 && static_cast<std::size_t>(error.page) < pages.size()) {
    const PageSource& page = pages[static_cast<std::size_t>(error.page)];
    line = page.line;
    if (error.unit >= 0 && static_cast<std::size_t>(error.unit) < page.units.size()) {
      line = page.units[static_cast<std::size_t>(error.unit)].line;
    }
  }
  return gen::Error{path, line, description};
}

std::string RenderAssembly(const std::string& segment, const std::vector<std::string>& routines, gen::AsmFormat format) {
  gen::AssemblyWriter out(format, "Generated by pagegen: the page descriptions and the routine entries. Do not edit.");
  // Writable data: the start-up rewrites the handler fields of the records in place.
  out.Line(".data");
  out.Line(".p2align 2");
  out.Label("kPageSegmentStart");
  out.Bytes(segment);
  // One entry per routine, each at a multiple of vl::pages::kRoutineEntryLength from the code start.
  out.Line(".text");
  out.Line(".p2align 4");
  out.Label("kCodeStart");
  if (routines.empty()) out.Line("ret");
  for (const std::string& routine : routines) {
    out.Line("jmp " + out.Symbol(routine));
    out.Line(".p2align 3, 0xcc");
  }
  out.Label("kCodeEnd");
  return out.Finish();
}

std::string RenderLayout(std::uint32_t length, const std::vector<std::string>& routines,
                         const std::vector<PageSource>& pages) {
  std::string out = R"(#pragma once
// Generated by pagegen: where the page descriptions and the routine entries are. Do not edit.

#include <cstdint>

// The page descriptions, in writable data: the start-up rewrites their handler fields.
extern "C" unsigned char kPageSegmentStart[];
inline constexpr std::uint32_t kPageSegmentLength = )" +
                    std::to_string(length) + R"(;

// The code start: one entry of vl::pages::kRoutineEntryLength bytes per routine, in the routine
// list's order.
extern "C" const unsigned char kCodeStart[];
// Just after the last entry: a stored handler offset lies below kCodeEnd - kCodeStart.
extern "C" const unsigned char kCodeEnd[];

)";
  for (std::size_t i = 0; i < routines.size(); ++i) {
    out += "extern \"C\" void " + routines[i] + "();\n";
    out += "inline constexpr std::uint32_t k" + routines[i] + "EntryOffset = " +
           std::to_string(i * vl::pages::kRoutineEntryLength) + ";\n";
  }
  std::string ids;
  auto named = [&ids](const std::string& symbol, std::uint32_t id) {
    char hex[11];
    std::snprintf(hex, sizeof hex, "0x%08X", id);
    if (!symbol.empty()) ids += "inline constexpr std::uint32_t k" + symbol + " = " + hex + ";\n";
  };
  for (const PageSource& page : pages) {
    named(page.symbol, page.id);
    for (const UnitSource& unit : page.units) named(unit.symbol, unit.id);
  }
  if (!ids.empty()) {
    out += "\n// The pages and units the source names.\nnamespace page_ids {\n" + ids + "}  // namespace page_ids\n";
  }
  return out;
}

}  // namespace pagegen
