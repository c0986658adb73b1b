#pragma once
// The uninstaller's command line, as Windows hands it to the program (GetCommandLineW) and split
// by the system's own rules (CommandLineToArgvW), so that a quoted /LOG= path may hold blanks.
// Switches are case-insensitive:
//   /S            silent: no question and no message box
//   /LOG=<file>   the run log (services/run_log.h)
//   /? or /HELP   the usage
#include <optional>
#include <string>

namespace vl::uninstall {

struct CommandLine {
  bool silent = false;
  bool help = false;
  std::wstring logFile;                 // absolute; empty when no log was asked for
  std::optional<std::wstring> unknown;  // the first argument not understood, as given
};

// Reads `line`. A relative log path is made absolute against the current folder, so this must
// run before the program changes folder. An argument that cannot be read (an empty /LOG=, a
// line the system cannot split) is recorded as unknown.
CommandLine ReadCommandLine(const wchar_t* line);

}  // namespace vl::uninstall
