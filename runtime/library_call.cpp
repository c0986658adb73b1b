#include "frame.h"
#include "runtime/fatal_error.h"
#include "runtime/runtime_object.h"
#include "runtime_texts.h"

namespace vl {

ResultRecord CallLibraryCommand(int library, int command, const ArgList& args) noexcept {
  // The tables are the program header's: a position they do not hold is a program built wrong.
  const auto libraries = TheRuntime().Header().libraries;
  if (library < 0 || static_cast<std::size_t>(library) >= libraries.size()) FatalRuntimeError(kBadProgramHeader);
  const LibraryRecord& record = *libraries[static_cast<std::size_t>(library)];
  if (command < 0 || static_cast<std::uint32_t>(command) >= record.commandCount) FatalRuntimeError(kBadProgramHeader);
  return CallCommand(record.commands[command].run, args);
}

}  // namespace vl
