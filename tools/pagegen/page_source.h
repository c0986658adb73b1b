#pragma once
// The readable page source and the routine list, parsed into the pages they describe.
//
// A page source is UTF-8 text, one statement per line; '#' starts a comment line, indentation is
// free. Texts in double quotes take the escapes \r \n \t \\ \" and \xHH (a raw byte) and are
// stored as GBK bytes.
//
//   page <id> [reserved <n>] [module <id>] [as <Symbol>]
//                                              starts a page
//     texts "<first>" "<second>"               the page record's two reserved counted texts
//   unit <id> <kind> "<name>" [as <Symbol>]    a window unit or control of the current page; the
//                                              kind is a kind name or a number
//   A page or unit named with `as` is the generated header's page_ids::k<Symbol>: the one place
//   the program and its tests take its id from.
//     remark "<text>"      geometry <left> <top> <width> <height>
//     container <id>       children <id>...    tag "<text>"
//     pointer <value>      the mouse-pointer block: a number (a 4-byte block), or a byte value
//                          (below); a unit without this line stores a 4-byte block holding 0
//     state <word>...      visible, disabled, focus-stop, control, or numbers, combined
//     tab-order <n>
//     on <event> <routine>|-|offset <n>        an event entry: the routine's entry, no handler
//                                              (-1), or a raw stored offset
//     properties <version>                     the kind's property block follows: one line per
//       <field> <value>                        field by its name; fields not given keep their
//                                              default; the block ends the unit
//     block <byte value>                       a raw property block instead
//   menu <id> "<caption>"                      a menu entry unit
//     state ...    shortcut <n>    on ...
//
// Byte values (texts, pictures, byte blocks, fonts): "<text>"; file "<path>" (the file's bytes);
// text-file "<path>" (a UTF-8 text file stored as GBK, line ends as CR LF, without its last line
// end); hex "<hex digits>"; none. A font is also "<face>" followed by key=value pairs (height,
// width, escapement, orientation, weight, italic, underline, strike-out, charset, out-precision,
// clip-precision, quality, pitch-and-family), which gives its 60-byte record.
// Paths are relative to the source's folder, then to each include folder.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/result.h"

namespace pagegen {

struct FieldSetting {
  std::uint32_t number = 0;
  std::string bytes;
};

struct EventSource {
  std::int32_t number = 0;
  std::uint32_t handler = 0;  // the stored value: an entry offset or 0xFFFFFFFF
};

struct UnitSource {
  int line = 0;  // where the unit starts in the source
  std::uint32_t id = 0;
  std::string symbol;  // the name its id has in the generated header; empty: none
  std::uint32_t kind = 0;
  bool menuEntry = false;
  std::string name;
  std::string remark;
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  std::uint32_t container = 0;
  std::vector<std::uint32_t> children;
  std::string pointer = std::string(4, '\0');
  std::string tag;
  std::uint32_t state = 0;
  std::int32_t tabOrder = 0;
  std::uint32_t shortcut = 0;
  std::vector<EventSource> events;
  bool hasProperties = false;
  std::uint32_t version = 0;
  std::map<int, FieldSetting> fields;
  bool hasRawBlock = false;
  std::string rawBlock;
};

struct PageSource {
  int line = 0;
  std::uint32_t id = 0;
  std::string symbol;  // as UnitSource::symbol
  std::uint32_t reserved = 0;
  std::uint32_t moduleId = 0;
  std::string firstReservedText;
  std::string secondReservedText;
  std::vector<UnitSource> units;
};

// One routine name per line ('#' comments); each routine's entry lies at (position x entry size).
// Fails at the line of the first problem.
gen::Result<std::vector<std::string>> ParseRoutineList(const std::string& path, const std::string& text);

struct ParsedSource {
  std::vector<PageSource> pages;
  std::set<std::string> filesRead;  // every file a value named
};

// Fails at the line of the first problem. A handler's stored offset is its routine's position
// in `routines` times vl::pages::kRoutineEntryLength.
gen::Result<ParsedSource> ParsePageSource(const std::string& path, const std::string& text,
                                          const std::vector<std::string>& routines,
                                          const std::vector<std::string>& includeDirs);

gen::Result<std::string> ReadWholeFile(const std::string& path);

}  // namespace pagegen
