#pragma once
// The installer's switches, for administrators who deploy the product without a person at the
// screen. Without any, the installer is the interactive one it always was.
//   /S          silent: no page, no message box; the installation runs once and the exit code
//               tells how it went
//   /D=<path>   the install root (silent), or what the install-folder box shows (interactive);
//               the last switch, taking the rest of the line as it stands, blanks and all
//   /LOG=<file> a log of the run, appended
//   /? /HELP    the usage box
// Switch names are case-insensitive; an argument is split from the next by the rules of
// CommandLineToArgvW (quotes, and backslashes before a quote).

namespace vl::installer {

struct CommandLine {
  bool silent = false;
  bool help = false;
  bool unknownSwitch = false;
  // /D=, resolved against the current folder at the time of reading, as GB18030 bytes (a new
  // allocation, or null when the switch is absent).
  char* root = nullptr;
  // /LOG=, as a full path resolved against the current folder at the time of reading (a new
  // allocation of UTF-16 units, or null when the switch is absent).
  wchar_t* log = nullptr;
};

// Reads a command line as GetCommandLineW gives it, the program's name first. Must run before
// the start-up makes the program's folder current, so that relative paths are the caller's.
CommandLine ReadCommandLine(const wchar_t* line) noexcept;

// Releases the allocations of `options`.
void ReleaseCommandLine(CommandLine& options) noexcept;

}  // namespace vl::installer
