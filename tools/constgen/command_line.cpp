#include "command_line.h"

#include <cstddef>
#include <optional>

namespace constgen {
namespace {

gen::Error UsageError(std::string message) {
  return gen::Error{"constgen", 0, std::move(message) + "\n" + Usage()};
}

gen::Result<Command> ParseDeclare(const std::vector<std::string>& arguments) {
  if (arguments.size() != 3) return UsageError("declare takes a texts.txt and an output header");
  return Command(DeclareCommand{arguments[1], arguments[2]});
}

gen::Result<Command> ParseSegment(const std::vector<std::string>& arguments) {
  SegmentCommand command;
  std::optional<std::string> format;
  std::optional<std::string> assembly;
  std::optional<std::string> layout;
  std::optional<std::string> payload;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!argument.starts_with("--")) {
      command.sources.push_back(argument);
      continue;
    }
    std::optional<std::string>* option = nullptr;
    if (argument == "--format") option = &format;
    if (argument == "--asm") option = &assembly;
    if (argument == "--layout") option = &layout;
    if (argument == "--payload") option = &payload;
    if (option == nullptr) return UsageError("unknown option '" + argument + "'");
    if (option->has_value()) return UsageError("the option " + argument + " is given twice");
    if (i + 1 >= arguments.size()) return UsageError("the option " + argument + " needs a value");
    *option = arguments[++i];
  }
  if (!format || !assembly || !layout) {
    return UsageError("segment needs --format, --asm and --layout");
  }
  if (*format == "coff") {
    command.format = gen::AsmFormat::Coff;
  } else if (*format == "elf") {
    command.format = gen::AsmFormat::Elf;
  } else {
    return UsageError("unknown format '" + *format + "' (coff or elf)");
  }
  if (command.sources.empty()) return UsageError("segment needs at least one texts.txt");
  command.assembly = *assembly;
  command.layout = *layout;
  command.payload = payload.value_or("");
  return Command(std::move(command));
}

}  // namespace

gen::Result<Command> ParseCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return UsageError("no command");
  if (arguments[0] == "declare") return ParseDeclare(arguments);
  if (arguments[0] == "segment") return ParseSegment(arguments);
  return UsageError("unknown command '" + arguments[0] + "'");
}

std::string Usage() {
  return "usage: constgen declare <texts.txt> <out.h>\n"
         "       constgen segment --format coff|elf --asm <out.S> --layout <layout.h>"
         " [--payload <list>] <texts.txt>...";
}

}  // namespace constgen
