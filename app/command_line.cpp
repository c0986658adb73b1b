#include "command_line.h"

#include <windows.h>

#include <string_view>

#include "runtime/memory.h"
#include "runtime/text_boundary.h"

namespace vl::installer {
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

// One argument from `at`, by CommandLineToArgvW's rules, into `out` (room for the rest of the
// line); returns where the next one may start.
std::size_t ReadArgument(std::wstring_view line, std::size_t at, wchar_t* out, std::size_t& length) noexcept {
  bool quoted = false;
  length = 0;
  while (at < line.size() && (quoted || !IsBlank(line[at]))) {
    std::size_t backslashes = 0;
    while (at < line.size() && line[at] == L'\\') {
      ++backslashes;
      ++at;
    }
    if (at < line.size() && line[at] == L'"') {
      // 2n backslashes before a quote are n, and the quote opens or closes; 2n + 1 are n and a
      // literal quote. Inside quotes, a doubled quote is one literal quote.
      for (std::size_t i = 0; i < backslashes / 2; ++i) out[length++] = L'\\';
      if (backslashes % 2 == 1) {
        out[length++] = L'"';
      } else if (quoted && at + 1 < line.size() && line[at + 1] == L'"') {
        out[length++] = L'"';
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    } else {
      for (std::size_t i = 0; i < backslashes; ++i) out[length++] = L'\\';
      if (at < line.size() && (quoted || !IsBlank(line[at]))) out[length++] = line[at++];
    }
  }
  return at;
}

// The program's name: up to the closing quote when it starts with one, else up to a blank.
std::size_t SkipProgramName(std::wstring_view line) noexcept {
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    return at == std::wstring_view::npos ? line.size() : at + 1;
  }
  while (at < line.size() && !IsBlank(line[at])) ++at;
  return at;
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

// /D='s root, resolved against the current folder, as GB18030 bytes; null when it names nothing
// a path can hold or has no text of ours.
char* RootText(std::wstring_view typed) noexcept {
  auto* copy = static_cast<wchar_t*>(AllocateMemory((typed.size() + 1) * sizeof(wchar_t)));
  for (std::size_t i = 0; i < typed.size(); ++i) copy[i] = typed[i];
  copy[typed.size()] = L'\0';
  wchar_t* full = typed.empty() ? nullptr : FullPath(copy);
  FreeMemory(copy);
  char* root = full != nullptr ? TextFromWide(full) : nullptr;
  FreeMemory(full);
  return root;
}

}  // namespace

CommandLine ReadCommandLine(const wchar_t* commandLine) noexcept {
  CommandLine options;
  const std::wstring_view line = commandLine != nullptr ? commandLine : L"";
  auto* argument = static_cast<wchar_t*>(AllocateMemory((line.size() + 1) * sizeof(wchar_t)));
  for (std::size_t at = SkipProgramName(line);;) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size()) break;
    const std::wstring_view rest = line.substr(at);
    if (StartsWithSwitch(rest, L"/D=")) {
      // The rest of the line as it stands, less the blanks that end it.
      std::wstring_view root = rest.substr(3);
      while (!root.empty() && IsBlank(root.back())) root.remove_suffix(1);
      FreeMemory(options.root);
      options.root = RootText(root);
      if (options.root == nullptr) options.unknownSwitch = true;
      break;
    }
    std::size_t length = 0;
    at = ReadArgument(line, at, argument, length);
    const std::wstring_view value(argument, length);
    if (value.size() == 2 && StartsWithSwitch(value, L"/S")) {
      options.silent = true;
    } else if ((value.size() == 2 && value == L"/?") || (value.size() == 5 && StartsWithSwitch(value, L"/HELP"))) {
      options.help = true;
    } else if (StartsWithSwitch(value, L"/D=")) {
      // Quoted whole, as programs that quote every argument with a blank pass it: still the last.
      FreeMemory(options.root);
      options.root = RootText(value.substr(3));
      while (at < line.size() && IsBlank(line[at])) ++at;
      if (options.root == nullptr || at < line.size()) options.unknownSwitch = true;
      break;
    } else if (StartsWithSwitch(value, L"/LOG=") && value.size() > 5) {
      argument[length] = L'\0';
      FreeMemory(options.log);
      options.log = FullPath(argument + 5);
      if (options.log == nullptr) options.unknownSwitch = true;
    } else {
      options.unknownSwitch = true;
    }
  }
  FreeMemory(argument);
  return options;
}

void ReleaseCommandLine(CommandLine& options) noexcept {
  FreeMemory(options.root);
  FreeMemory(options.log);
  options.root = nullptr;
  options.log = nullptr;
}

}  // namespace vl::installer
