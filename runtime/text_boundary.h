#pragma once
// The one place where the system's texts meet Windows: every text stays GB18030 bytes (GBK for
// everything code page 936 holds) inside the programs and crosses into Windows as UTF-16. The
// one- and two-byte characters go through code page 936, which every Windows and Wine has; the
// characters it cannot hold take GB18030's four-byte form (base/gb18030.h). Whatever code page
// the system runs in, nothing is lost either way.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vl {

// Nothing for bytes that are no character: a lead byte that starts no sequence, a two-byte code
// that code page 936 does not define, a four-byte code that names no character.
std::optional<std::wstring> WideFromText(std::string_view text);

// Nothing for a surrogate without its other half.
std::optional<std::string> TextFromWide(std::wstring_view text);

// For the fatal path: the wide form of as many whole characters of `text` as fit in `out` with a
// terminator, never allocating; a character that cannot be converted ends the text there.
// Returns the length written without the terminator.
std::size_t WideIntoBuffer(std::string_view text, std::span<wchar_t> out) noexcept;

}  // namespace vl
