#pragma once
// The one place where the system's texts meet Windows: every text stays GB18030 bytes (GBK for
// everything code page 936 holds) inside the programs and crosses into Windows as UTF-16. The
// one- and two-byte characters go through code page 936, which every Windows and Wine has; the
// characters it cannot hold take GB18030's four-byte form (base/gb18030.h). Whatever code page
// the system runs in, nothing is lost either way.
#include <cstddef>
#include <span>
#include <string_view>

namespace vl {

// The wide form of a text, for the length of a call, in the runtime's memory. Not valid for
// bytes that are no character: a lead byte that starts no sequence, a two-byte code that code
// page 936 does not define, a four-byte code that names no character.
class WideText {
 public:
  explicit WideText(std::string_view text) noexcept;
  ~WideText();
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  bool Valid() const noexcept { return m_text != nullptr; }
  const wchar_t* Get() const noexcept { return m_text; }
  std::size_t Length() const noexcept { return m_length; }

 private:
  wchar_t* m_text = nullptr;
  std::size_t m_length = 0;
};

// A new runtime allocation holding the bytes of a wide text and a terminator; null for a
// surrogate without its other half. `length` receives the byte count when not null.
char* TextFromWide(std::wstring_view text, std::size_t* length = nullptr) noexcept;

// For the fatal path: the wide form of as many whole characters of `text` as fit in `out` with a
// terminator, never allocating; a character that cannot be converted ends the text there.
// Returns the length written without the terminator.
std::size_t WideIntoBuffer(std::string_view text, std::span<wchar_t> out) noexcept;

}  // namespace vl
