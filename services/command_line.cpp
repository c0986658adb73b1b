#include "command_line.h"

#include <windows.h>

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

// Whether anything but blanks follows the program's name, which the system splits off as
// CommandLineToArgvW does: up to the closing quote when the line starts with one, otherwise up
// to the first blank. A line with no switches needs no splitting, nor SHELL32 to split it.
bool HasArguments(std::wstring_view line) noexcept {
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring_view::npos ? line.size() : at + 1;
  } else {
    while (at < line.size() && !IsBlank(line[at])) ++at;
  }
  while (at < line.size() && IsBlank(line[at])) ++at;
  return at < line.size();
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
  if (!HasArguments(line)) return options;
  int count = 0;
  const UniqueLocalMemory held(shell::CommandLineToArgv(commandLine, &count));
  auto* const* arguments = static_cast<wchar_t* const*>(held.Get());
  for (int i = 1; arguments != nullptr && i < count; ++i) {
    const std::wstring_view value = arguments[i];
    bool understood = true;
    if (takesRoot && StartsWithSwitch(value, L"/D=")) {
      // The rest of the line as it stands, blanks and all, less the blanks that end it; a path
      // holds no "/", so the last "/D=" starts it. One quote around the whole switch, as programs
      // that quote every argument with a blank write it, goes.
      std::size_t at = line.size();
      while (at >= 3 && !StartsWithSwitch({line.data() + at - 3, line.size() - at + 3}, L"/D=")) --at;
      std::wstring_view root(line.data() + at, line.size() - at);
      while (!root.empty() && IsBlank(root.back())) root.remove_suffix(1);
      if (at > 3 && line[at - 4] == L'"' && !root.empty() && root.back() == L'"') root.remove_suffix(1);
      FreeMemory(options.root);
      options.root = at >= 3 ? RootText(root) : nullptr;
      if (options.root == nullptr && options.unknown == nullptr) options.unknown = CopyWide(value);
      break;
    }
    if (value.size() == 2 && StartsWithSwitch(value, L"/S")) {
      options.silent = true;
    } else if (value.size() == 18 && StartsWithSwitch(value, L"/CLOSEAPPLICATIONS")) {
      options.closeApplications = true;
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
