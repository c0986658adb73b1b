#pragma once
// Path texts as the system's bytes (GB18030): every scan steps by character, so that a byte of
// a longer character is never taken for a backslash. They cross into Windows as UTF-16.
#include <optional>
#include <string>
#include <string_view>

namespace vl::uninstall {

// The folder part of a path (no trailing backslash); empty when the path has no backslash.
std::string FolderOf(const std::string& path);

// The last component of a path; the whole path when it has no backslash.
std::string NameOf(const std::string& path);

// Whether two texts are equal as Windows compares file names: ignoring case, the same on every
// system whatever its code page or locale. False when either is no text (cannot be converted).
bool SameName(std::string_view a, std::string_view b);

// Whether two paths name the same file as Windows compares names (ignoring case), after each
// has been made absolute and, where it exists, given its long form. Cannot fail: a path the
// system cannot expand is compared as written.
bool SamePath(const std::string& a, const std::string& b);

// Whether `path` lies inside `folder` (at any depth), compared as SamePath does; the path's
// folder is given its long form also when the file itself does not exist.
bool IsInsideFolder(const std::string& path, const std::string& folder);

// The path made absolute and in its long form where the system can; else unchanged.
std::string NormalPath(const std::string& path);

// The bytes of a text Windows handed back; nothing when it holds a surrogate without its other
// half, which no text of ours can name.
std::optional<std::string> FromWide(std::wstring_view text);

// The temporary folder with its trailing backslash; nothing when the system names none.
std::optional<std::string> TempFolder();

}  // namespace vl::uninstall
