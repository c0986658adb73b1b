#include "command_line.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "runtime/memory.h"
#include "runtime/unique_handle.h"
#include "runtime/text_boundary.h"
#include "shell_functions.h"

namespace vl {
namespace {

bool IsBlank(wchar_t c) noexcept { return c == L' ' || c == L'\t'; }

// ASCII letters only: the switch names are ASCII, and a non-ASCII letter never matches one.
bool StartsWithSwitch(std::wstring_view text, std::wstring_view name) noexcept {
  if (text.size() < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    wchar_t c = text[i];
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (c != name[i]) return false;
  }
  return true;
}

wchar_t* FullPath(const wchar_t* path) noexcept {
  const DWORD size = GetFullPathNameW(path, 0, nullptr, nullptr);
  if (size == 0) return nullptr;
  auto* full = static_cast<wchar_t*>(AllocateMemory(size * sizeof(wchar_t)));
  const DWORD length = GetFullPathNameW(path, size, full, nullptr);
  if (length == 0 || length >= size) {
    FreeMemory(full);
    return nullptr;
  }
  return full;
}

// A terminated copy of `text` (a new allocation).
wchar_t* CopyWide(std::wstring_view text) noexcept {
  auto* copy = static_cast<wchar_t*>(AllocateMemory((text.size() + 1) * sizeof(wchar_t)));
  for (std::size_t i = 0; i < text.size(); ++i) copy[i] = text[i];
  copy[text.size()] = L'\0';
  return copy;
}

std::size_t SkipBlanks(std::wstring_view line, std::size_t at) noexcept {
  while (at < line.size() && IsBlank(line[at])) ++at;
  return at;
}

// Where the first argument after the program's name starts, which the system splits off as
// CommandLineToArgvW does: up to the closing quote when the line starts with one, otherwise up
// to the first blank. The line's end when there is none: a line with no switches needs no
// splitting, nor SHELL32 to split it.
std::size_t FirstArgument(std::wstring_view line) noexcept {
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring_view::npos ? line.size() : at + 1;
  } else {
    while (at < line.size() && !IsBlank(line[at])) ++at;
  }
  return SkipBlanks(line, at);
}

// Where the argument after the one starting at `at` starts, by CommandLineToArgvW's rules: a
// blank outside quotes ends an argument; a quote opens or closes a quoted part, except after an
// odd number of backslashes, and two quotes in a quoted part are one quote character.
std::size_t NextArgument(std::wstring_view line, std::size_t at) noexcept {
  bool quoted = false;
  while (at < line.size() && (quoted || !IsBlank(line[at]))) {
    std::size_t backslashes = 0;
    while (at < line.size() && line[at] == L'\\') ++at, ++backslashes;
    if (at == line.size()) break;
    if (line[at] == L'"' && backslashes % 2 == 0) {
      if (quoted && at + 1 < line.size() && line[at + 1] == L'"') ++at;
      else quoted = !quoted;
    }
    if (backslashes == 0 || line[at] == L'"') ++at;
  }
  return SkipBlanks(line, at);
}

// /D='s root, resolved against the current folder, as GB18030 bytes; null when it names nothing
// a path can hold or has no text of ours.
char* RootText(std::wstring_view typed) noexcept {
  wchar_t* copy = CopyWide(typed);
  wchar_t* full = typed.empty() ? nullptr : FullPath(copy);
  FreeMemory(copy);
  char* root = full != nullptr ? TextFromWide(full) : nullptr;
  FreeMemory(full);
  return root;
}

}  // namespace

CommandLine ReadCommandLine(const wchar_t* commandLine, bool takesRoot) noexcept {
  CommandLine options;
  const std::wstring_view line = commandLine != nullptr ? commandLine : L"";
  std::size_t start = FirstArgument(line);  // where arguments[i] starts in the line
  if (start == line.size()) return options;
  int count = 0;
  const UniqueLocalMemory held(shell::CommandLineToArgv(commandLine, &count));
  auto* const* arguments = static_cast<wchar_t* const*>(held.Get());
  for (int i = 1; arguments != nullptr && i < count; ++i, start = NextArgument(line, start)) {
    const std::wstring_view value = arguments[i];
    bool understood = true;
    if (takesRoot && StartsWithSwitch(value, L"/D=")) {
      // The rest of the line as it stands from where the switch starts, blanks and all, less the
      // blanks that end it. One quote around the whole switch, as programs that quote every
      // argument with a blank write it, goes.
      const bool quotedWhole = start < line.size() && line[start] == L'"';
      std::wstring_view root = line.substr(std::min(line.size(), start + quotedWhole));
      const bool spelled = StartsWithSwitch(root, L"/D=");
      root.remove_prefix(spelled ? 3 : root.size());
      while (!root.empty() && IsBlank(root.back())) root.remove_suffix(1);
      if (quotedWhole && !root.empty() && root.back() == L'"') root.remove_suffix(1);
      FreeMemory(options.root);
      options.root = spelled ? RootText(root) : nullptr;
      if (options.root == nullptr && options.unknown == nullptr) options.unknown = CopyWide(value);
      break;
    }
    if (value.size() == 2 && StartsWithSwitch(value, L"/S")) {
      options.silent = true;
    } else if (value.size() == 18 && StartsWithSwitch(value, L"/CLOSEAPPLICATIONS")) {
      options.closeApplications = true;
    } else if (takesRoot && value.size() == 17 && StartsWithSwitch(value, L"/ALLOWUNPROTECTED")) {
      options.allowUnprotected = true;
    } else if (value == L"/?" || (value.size() == 5 && StartsWithSwitch(value, L"/HELP"))) {
      options.help = true;
    } else if (value.size() > 5 && StartsWithSwitch(value, L"/LOG=")) {
      FreeMemory(options.log);
      options.log = FullPath(arguments[i] + 5);
      understood = options.log != nullptr;
    } else {
      understood = false;
    }
    if (!understood && options.unknown == nullptr) options.unknown = CopyWide(value);
  }
  return options;
}

void ReleaseCommandLine(CommandLine& options) noexcept {
  FreeMemory(options.root);
  FreeMemory(options.log);
  FreeMemory(options.unknown);
  options.root = nullptr;
  options.log = nullptr;
  options.unknown = nullptr;
}

}  // namespace vl
