#pragma once

// The command line of constgen:
//   constgen declare <texts.txt> <out.h>
//   constgen segment --format coff|elf --asm <out.S> --layout <layout.h> <texts.txt>...

#include <string>
#include <variant>
#include <vector>

#include "result.h"
#include "segment_writer.h"

namespace constgen {

struct DeclareCommand {
  std::string source;
  std::string header;
};

struct SegmentCommand {
  AsmFormat format = AsmFormat::elf;
  std::string assembly;
  std::string layout;
  std::vector<std::string> sources;  // in segment order
};

using Command = std::variant<DeclareCommand, SegmentCommand>;

// `arguments` leaves out the program name. Errors name the file "constgen".
Result<Command> parse_command_line(const std::vector<std::string>& arguments);

std::string usage();

}  // namespace constgen
