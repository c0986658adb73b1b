#pragma once
// The run log an administrator asks for on the command line (/LOG=<file>): what an unattended or
// interactive run of the installer or the uninstaller did, one line per step, for a deployment
// script or a person to read afterwards. The file is appended to, never truncated: one log may
// gather many runs. It is UTF-8 without a byte-order mark with CRLF line ends, whatever the
// system's code page; the system's texts (GB18030) are converted on the way, never written as
// they are, and a character that cannot be converted is written as U+FFFD.
//
// The lines of one run, in order:
//   the command line, as the program received it
//   the root
//   <action> <ok|failed|kept|scheduled> <path>
//                                      one per step; action is folder, file, rename, delete,
//                                      attributes, shortcut, registry or journal, content for a
//                                      carried file found damaged, or program for one that held
//                                      the product's files (ok: it closed; failed: it stopped the
//                                      run); "kept" names what stays on purpose, "scheduled" a
//                                      file or folder the system deletes when it next starts
//   undo <ok|failed> <product folder>  a refused step undid the installation
//   recovery <restored|finished|failed> <product folder>
//                                      an installation cut off by the end of a run, put back
//                                      or finished by the next run before anything else
//   verdict <ok|failed> <N>            N: the steps that failed
//
// One log per process, opened once; both programs are single-threaded where they log. When the
// log was not asked for or cannot be opened every call does nothing: a log never stops a run.
#include <string_view>

namespace vl {

// Opens `path` for appending, creating it when it is absent, and keeps it open until
// CloseRunLog or the end of the process; true at once when a log is open already. The path must already be absolute: the programs change
// their current folder. False when the file cannot be opened or is not kept (then nothing is
// logged): among others, a name the system runs as commands or a script when it is opened or at
// logon (".bat", ".vbs", ".reg"...), since the log's first line is the caller's command line.
[[nodiscard]] bool OpenRunLog(const wchar_t* path) noexcept;

// Whether a log is open.
bool RunLogOpen() noexcept;

// The run's first two lines: the command line (GetCommandLineW) and the root (system text).
void LogRunStart(std::wstring_view commandLine, std::string_view root) noexcept;

// One step: `action` (folder, file, attributes, shortcut, registry, content, program), its outcome
// and the path it concerned (system text). Returns `ok`, so that a step can be logged as it is told.
bool LogAction(const char* action, bool ok, std::string_view path) noexcept;

// Something left on purpose, where removing it was not the program's to do: a folder that holds
// the user's files, a link that leads elsewhere.
void LogKept(const char* action, std::string_view path) noexcept;

// A file or folder that could not be deleted now and that the system deletes when it next starts.
void LogScheduled(const char* action, std::string_view path) noexcept;

// "<action> <outcome> <path>": a step with an outcome of its own ("restored", "finished"); the
// three above are its common forms.
void LogOutcome(const char* action, const char* outcome, std::string_view path) noexcept;

// The last line: the verdict and the number of steps that failed.
void LogVerdict(int failedSteps) noexcept;

// Closes the log; further calls do nothing until it is opened again.
void CloseRunLog() noexcept;

}  // namespace vl
