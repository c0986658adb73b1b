#include "segment_writer.h"

#include "pages/page_format.h"
#include "pages/page_segment.h"

namespace pagegen {
namespace {

using vl::pages::FieldType;
namespace ep = vl::pages::event_entry;
namespace fixed = vl::pages::unit_fixed;
namespace dispatch = vl::pages::unit_dispatch;
namespace menu = vl::pages::menu_entry;

void Dword(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void Counted(std::string& out, const std::string& bytes) {
  Dword(out, static_cast<std::uint32_t>(bytes.size()));
  out += bytes;
}

void Terminated(std::string& out, const std::string& text) {
  out += text;
  out += '\0';
}

std::string PropertyBlock(const UnitSource& unit) {
  if (unit.hasRawBlock) return unit.rawBlock;
  if (!unit.hasProperties) return {};
  const vl::pages::KindInfo& kind = *vl::pages::FindKind(unit.kind);
  std::string block;
  Dword(block, unit.version);
  for (std::size_t i = 0; i < kind.fields.size(); ++i) {
    const vl::pages::FieldDef& def = kind.fields[i];
    if (def.minVersion > unit.version) continue;
    const auto given = unit.fields.find(static_cast<int>(i));
    if (vl::pages::IsBlockType(def.type)) {
      Counted(block, given != unit.fields.end() ? given->second.bytes : std::string(def.defaultText));
    } else {
      const std::uint32_t value = given != unit.fields.end() ? given->second.number : def.defaultValue;
      if (def.type == FieldType::Word) {
        block += static_cast<char>(value & 0xFF);
        block += static_cast<char>((value >> 8) & 0xFF);
      } else {
        Dword(block, value);
      }
    }
  }
  return block;
}

// A run of fields laid out by their named offsets.
class Fields {
 public:
  explicit Fields(std::size_t length) : m_bytes(length, '\0') {}
  Fields& Put(std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) m_bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return *this;
  }
  const std::string& Bytes() const { return m_bytes; }

 private:
  std::string m_bytes;
};

void Events(std::string& out, const UnitSource& unit) {
  for (const EventSource& event : unit.events) {
    out += Fields(ep::kLength)
               .Put(ep::kNumber, static_cast<std::uint32_t>(event.number))
               .Put(ep::kHandler, event.handler)
               .Bytes();
  }
}

}  // namespace

std::string BuildUnitRecord(const UnitSource& unit) {
  const auto eventCount = static_cast<std::uint32_t>(unit.events.size());
  std::string out;
  if (unit.menuEntry) {
    Terminated(out, unit.name);
    out += Fields(menu::kLength)
               .Put(menu::kState, unit.state)
               .Put(menu::kShortcut, unit.shortcut)
               .Put(menu::kEventCount, eventCount)
               .Bytes();
    Events(out, unit);
    return out;
  }
  Dword(out, unit.kind);
  out.append(vl::pages::kUnitHeadReserved, '\0');
  Terminated(out, unit.name);
  Terminated(out, unit.remark);
  // The window and pointer slots stay 0: the runtime's own.
  out += Fields(fixed::kLength)
             .Put(fixed::kLeft, static_cast<std::uint32_t>(unit.left))
             .Put(fixed::kTop, static_cast<std::uint32_t>(unit.top))
             .Put(fixed::kWidth, static_cast<std::uint32_t>(unit.width))
             .Put(fixed::kHeight, static_cast<std::uint32_t>(unit.height))
             .Put(fixed::kContainer, unit.container)
             .Put(fixed::kChildCount, static_cast<std::uint32_t>(unit.children.size()))
             .Bytes();
  for (std::uint32_t child : unit.children) Dword(out, child);
  Counted(out, unit.pointer);
  Terminated(out, unit.tag);
  // The event link stays 0: every unit has its own event table.
  out += Fields(dispatch::kLength)
             .Put(dispatch::kState, unit.state)
             .Put(dispatch::kTabOrder, static_cast<std::uint32_t>(unit.tabOrder))
             .Put(dispatch::kEventCount, eventCount)
             .Bytes();
  Events(out, unit);
  out.append(vl::pages::kUnitTailReserved, '\0');
  out += PropertyBlock(unit);
  return out;
}

std::string BuildSegment(const std::vector<PageSource>& pages) {
  std::string out;
  Dword(out, static_cast<std::uint32_t>(vl::pages::kPageIndexEntryLength * pages.size()));
  for (const PageSource& page : pages) Dword(out, page.id);
  for (std::size_t i = 0; i < pages.size(); ++i) Dword(out, 0);  // page slots, filled at run time
  for (const PageSource& page : pages) {
    Dword(out, page.reserved);
    Dword(out, page.moduleId);
    Counted(out, page.firstText);
    Counted(out, page.secondText);
    std::string table, records;
    for (const UnitSource& unit : page.units) Dword(table, unit.id);
    for (const UnitSource& unit : page.units) {
      Dword(table, static_cast<std::uint32_t>(records.size()));
      Counted(records, BuildUnitRecord(unit));
    }
    Dword(out, static_cast<std::uint32_t>(page.units.size()));
    Dword(out, static_cast<std::uint32_t>(table.size() + records.size()));
    out += table;
    out += records;
  }
  return out;
}

void CheckReadable(const std::string& path, const std::vector<PageSource>& pages, const std::string& segment,
                   std::size_t routineCount) {
  std::vector<std::uint8_t> bytes(segment.begin(), segment.end());
  auto read = vl::pages::ReadPageSegment(bytes, static_cast<std::uint32_t>(routineCount * kEntrySize));
  if (read) return;
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
  throw SourceError(path, line, description);
}

std::string RenderAssembly(const std::string& segment, const std::vector<std::string>& routines, gen::AsmFormat format) {
  gen::AssemblyWriter out(format, "Generated by pagegen: the page descriptions and the routine entries. Do not edit.");
  // Writable data: the start-up rewrites the handler fields of the records in place.
  out.Line(".data");
  out.Line(".p2align 2");
  out.Label("kPageSegmentStart");
  out.Bytes(segment);
  // One entry per routine, each at a multiple of kEntrySize from the code start.
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

std::string RenderLayout(std::uint32_t length, const std::vector<std::string>& routines) {
  std::string out = "#pragma once\n// Generated by pagegen: where the page descriptions and the routine entries are. Do not edit.\n\n";
  out += "#include <cstdint>\n\n";
  out += "// The page descriptions, in writable data: the start-up rewrites their handler fields.\n";
  out += "extern \"C\" unsigned char kPageSegmentStart[];\n";
  out += "inline constexpr std::uint32_t kPageSegmentLength = " + std::to_string(length) + ";\n\n";
  out += "// The code start: one entry of kRoutineEntrySize bytes per routine, in the routine list's order.\n";
  out += "extern \"C\" const unsigned char kCodeStart[];\n";
  out += "// Just after the last entry: a stored handler offset lies below kCodeEnd - kCodeStart.\n";
  out += "extern \"C\" const unsigned char kCodeEnd[];\n";
  out += "inline constexpr std::uint32_t kRoutineEntrySize = " + std::to_string(kEntrySize) + ";\n\n";
  for (std::size_t i = 0; i < routines.size(); ++i) {
    out += "extern \"C\" void " + routines[i] + "();\n";
    out += "inline constexpr std::uint32_t k" + routines[i] + "EntryOffset = " + std::to_string(i * kEntrySize) + ";\n";
  }
  return out;
}

}  // namespace pagegen
