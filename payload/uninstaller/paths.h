#pragma once
// Path texts in the ANSI code page (GBK): every scan steps by character, so that the second
// byte of a double-byte character is never taken for a backslash.
#include <string>

namespace vl::uninstall {

// The folder part of a path (no trailing backslash); empty when the path has no backslash.
std::string FolderOf(const std::string& path);

// The last component of a path; the whole path when it has no backslash.
std::string NameOf(const std::string& path);

// Whether two paths name the same file as Windows compares names (ignoring case), after each
// has been made absolute and, where it exists, given its long form. Cannot fail: a path the
// system cannot expand is compared as written.
bool SamePath(const std::string& a, const std::string& b);

// Whether `path` lies inside `folder` (at any depth), compared as SamePath does.
bool IsInsideFolder(const std::string& path, const std::string& folder);

// The path made absolute and in its long form where the system can; else unchanged.
std::string NormalPath(const std::string& path);

}  // namespace vl::uninstall
