#pragma once

// The command line of constgen:
//   constgen declare <texts.txt> <out.h>
//   constgen segment --format coff|elf --asm <out.S> --layout <layout.h> [--payload <list>]
//                    <texts.txt>...
// The payload list (see payload_list.h), when given, is laid out after every text.

#include <string>
#include <variant>
#include <vector>

#include "common/result.h"
#include "segment_writer.h"

namespace constgen {

struct DeclareCommand {
  std::string source;
  std::string header;
};

struct SegmentCommand {
  gen::AsmFormat format = gen::AsmFormat::Elf;
  std::string assembly;
  std::string layout;
  std::vector<std::string> sources;  // in segment order
  std::string payload;               // empty: no payload
};

using Command = std::variant<DeclareCommand, SegmentCommand>;

// `arguments` leaves out the program name. Errors name the file "constgen".
gen::Result<Command> ParseCommandLine(const std::vector<std::string>& arguments);

std::string Usage();

}  // namespace constgen
