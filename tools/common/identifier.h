#pragma once

// C identifiers, which every generator's names are (text names, payload labels, routines, the
// symbols of the page source).

#include <algorithm>
#include <string_view>

namespace gen {

inline bool IsIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
inline bool IsIdentifierChar(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

// Letters, digits and underscores, not starting with a digit.
inline bool IsIdentifier(std::string_view name) {
  return !name.empty() && IsIdentifierStart(name[0]) && std::all_of(name.begin(), name.end(), IsIdentifierChar);
}

}  // namespace gen
