#pragma once
// The programs' switches, for administrators who deploy the product without a person at the
// screen. Without any, the installer and the uninstaller are the interactive ones they always were.
//   /S          silent: no page, no message box; the installation runs once and the exit code
//               tells how it went
//   /D=<path>   the installer only: the install root (silent), or what the install-folder box
//               shows (interactive); the last switch, taking the rest of the line as it stands
//   /LOG=<file> a log of the run, appended
//   /CLOSEAPPLICATIONS
//               silent: programs that hold the product's files are asked to close (without it,
//               the run changes nothing while one does)
//   /ALLOWUNPROTECTED
//               the installer only, silent: installs where other accounts could change the
//               installation (a folder above it they may rename, a volume without access lists,
//               a network folder), where the interactive installer asks first
//   /? /HELP    the usage box
// Switch names are case-insensitive; an argument is split from the next by the rules of
// CommandLineToArgvW (quotes, and backslashes before a quote).

namespace vl {

struct CommandLine {
  bool silent = false;
  bool help = false;
  bool closeApplications = false;
  bool allowUnprotected = false;
  // The first argument not understood, as given (a new allocation), or null.
  wchar_t* unknown = nullptr;
  // /D=, resolved against the current folder at the time of reading, as GB18030 bytes (a new
  // allocation, or null when the switch is absent).
  char* root = nullptr;
  // /LOG=, as a full path resolved against the current folder at the time of reading (a new
  // allocation of UTF-16 units, or null when the switch is absent).
  wchar_t* log = nullptr;
};

// Reads a command line as GetCommandLineW gives it, the program's name first; /D= only when
// `takesRoot`. Must run before the program changes its current folder, so that relative paths
// are the caller's.
CommandLine ReadCommandLine(const wchar_t* line, bool takesRoot) noexcept;

// Releases the allocations of `options`.
void ReleaseCommandLine(CommandLine& options) noexcept;

}  // namespace vl
