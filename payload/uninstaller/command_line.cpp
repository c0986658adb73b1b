#include "command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "runtime/unique_handle.h"

namespace vl::uninstall {
namespace {

struct ArgumentListTraits {
  using Handle = LPWSTR*;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { LocalFree(h); }
};

// Compares ignoring case as Windows compares names, the same on every system.
bool SameSwitch(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The absolute form of a path; empty when the system cannot make one.
std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  return full;
}

}  // namespace

CommandLine ReadCommandLine(const wchar_t* line) {
  constexpr std::wstring_view kLogSwitch = L"/LOG=";
  CommandLine command;
  int count = 0;
  const UniqueHandle<ArgumentListTraits> arguments(CommandLineToArgvW(line, &count));
  if (!arguments) {
    command.unknown = line;
    return command;
  }
  // The first argument names the program.
  for (int i = 1; i < count; ++i) {
    const std::wstring_view argument = arguments.Get()[i];
    bool understood = true;
    if (SameSwitch(argument, L"/S")) {
      command.silent = true;
    } else if (SameSwitch(argument, L"/?") || SameSwitch(argument, L"/HELP")) {
      command.help = true;
    } else if (SameSwitch(argument.substr(0, kLogSwitch.size()), kLogSwitch)) {
      command.logFile = FullPath(std::wstring(argument.substr(kLogSwitch.size())));
      understood = !command.logFile.empty();
    } else {
      understood = false;
    }
    if (!understood && !command.unknown) command.unknown = std::wstring(argument);
  }
  return command;
}

}  // namespace vl::uninstall
