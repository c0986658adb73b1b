#include "fatal_error.h"

#include <cstring>

#include "base/character_walk.h"
#include "base/decimal_text.h"
#include "runtime_texts.h"

namespace vl {
namespace {

// Appends to a fixed buffer, never past its end and never splitting a character.
class FixedText {
 public:
  explicit FixedText(char (&out)[kFatalTextCapacity]) : m_out(out) { m_out[0] = '\0'; }

  void Append(const char* text) noexcept {
    if (text == nullptr) return;
    std::size_t room = kFatalTextCapacity - 1 - m_length;
    std::size_t n = std::strlen(text);
    if (n > room) n = FitLength({text, n}, room);
    std::memcpy(m_out + m_length, text, n);
    m_length += n;
    m_out[m_length] = '\0';
  }

  std::size_t Length() const noexcept { return m_length; }

 private:

  char* m_out;
  std::size_t m_length = 0;
};

}  // namespace

std::size_t ComposeFatalErrorText(char (&out)[kFatalTextCapacity], const char* message, int errorCode) noexcept {
  FixedText text(out);
  text.Append(kFatalErrorHeading);
  if (errorCode != 0) {
    char digits[kIntegerTextCapacity];
    FormatSigned(digits, errorCode);
    text.Append(kFatalErrorCodeLabel);
    text.Append(digits);
    text.Append(kLineEnd);
    text.Append(kLineEnd);
  }
  if (message != nullptr && message[0] != '\0') {
    text.Append(kFatalErrorMessageLabel);
    text.Append(message);
    text.Append(kLineEnd);
  }
  return text.Length();
}

std::size_t FormatAllocationFailure(char (&out)[kFatalTextCapacity], std::size_t size) noexcept {
  // The size is printed unsigned: a request above 2 GiB must not read as a negative size.
  char digits[kIntegerTextCapacity];
  FormatUnsigned(digits, size);
  FixedText text(out);
  const char* format = kAllocationFailedFormat;
  const char* slot = std::strstr(format, "%d");
  if (slot == nullptr) {
    text.Append(format);
    return text.Length();
  }
  char head[kFatalTextCapacity];
  const auto headLength = static_cast<std::size_t>(slot - format);
  std::memcpy(head, format, headLength);
  head[headLength] = '\0';
  text.Append(head);
  text.Append(digits);
  text.Append(slot + 2);
  return text.Length();
}

void FatalAllocationFailure(std::size_t size) noexcept {
  char message[kFatalTextCapacity];
  FormatAllocationFailure(message, size);
  FatalRuntimeError(message);
}

}  // namespace vl
