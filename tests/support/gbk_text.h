#pragma once
// The programs keep their texts as GBK bytes whatever the system's code page. Tests compare what
// Windows shows with those texts through code page 936, which every Windows and Wine has, never
// through the ANSI code page, which differs from one system to the next.
#include <string>
#include <string_view>

namespace vl::test {

// The UTF-16 form of GBK bytes.
std::wstring FromGbk(std::string_view bytes);

// The GBK bytes of a UTF-16 text; a character GBK lacks becomes "?".
std::string ToGbk(std::wstring_view text);

}  // namespace vl::test
