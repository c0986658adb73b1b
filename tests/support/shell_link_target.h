#pragma once
// Reads back where a shell link leads, as the shell does: for tests that check the links a
// program made. COM must be initialised on the calling thread.
//
// Wine 8 keeps a link's target only in the system's code page (a character that code page lacks
// reads back as "?"), and the ID list it saves beside it may name a folder twice; Windows keeps
// the target whole. Tests compare what was read with StoredLinkTarget of what they expect.
#include <optional>
#include <string>

namespace vl::test {

// The link's target path; empty optional when the link cannot be read or keeps no path.
std::optional<std::wstring> ShellLinkTarget(const std::wstring& linkFile);

// What else a link keeps: its arguments and its icon's file.
struct ShellLinkExtras {
  std::wstring arguments;
  std::wstring iconFile;
};
std::optional<ShellLinkExtras> ReadShellLinkExtras(const std::wstring& linkFile);

// `path` as a link on this system keeps it: whole on Windows, through the system's code page
// under Wine.
std::wstring StoredLinkTarget(const std::wstring& path);

}  // namespace vl::test
