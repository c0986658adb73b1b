#pragma once

// Reads a texts.txt source: the program's constant texts as readable UTF-8.
//
//   # a comment line; blank lines are ignored
//   kName = "first piece\r\n" "more on the same line"
//       "a continuation line: whitespace, then quoted pieces"
//
// A name is a C identifier starting with 'k'. The pieces of a definition are concatenated.
// Escapes: \r \n \t \\ \" and \xHH (exactly two hex digits: one byte, passed through as is).
// \0 and \x00 are refused: each text ends at its terminating zero byte. Control characters
// must be written as escapes. A blank or comment line ends a definition.

#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace constgen {

// A run of a text's bytes: UTF-8 characters, still to be converted, or raw bytes written as
// \xHH escapes, which are emitted unchanged.
struct TextChunk {
  enum class Kind { Utf8, Raw };
  Kind kind = Kind::Utf8;
  std::string bytes;

  friend bool operator==(const TextChunk&, const TextChunk&) = default;
};

struct TextDefinition {
  std::string name;
  std::vector<TextChunk> chunks;  // neighbours differ in kind; none for ""
  int line = 0;                   // the line of the name
};

// Names that the constant segment itself defines; texts may not take them.
bool IsReservedName(std::string_view name);

// Parses the whole content of one texts.txt; `file` names it in errors. A leading UTF-8 byte
// order mark is skipped; lines may end in "\n" or "\r\n".
gen::Result<std::vector<TextDefinition>> ParseTexts(std::string_view content, const std::string& file);

}  // namespace constgen
