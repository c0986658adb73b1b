#include "gbk_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <type_traits>
#include <utility>

#include "utf8.h"

namespace constgen {
namespace {

static_assert(std::is_same_v<iconv_t, void*>, "GbkEncoder keeps the iconv_t as a void*");
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// A UTF-8 character takes at most 4 bytes, a GBK character 2.
constexpr std::size_t kMaxBytesPerCharacter = 4;

EncodingFailure FailureAt(std::string_view utf8, std::size_t offset) {
  const std::string_view rest = utf8.substr(offset);
  const std::size_t length = Utf8SequenceLength(rest);
  if (length == 0) return {offset, std::string(rest.substr(0, 1)), 0};
  return {offset, std::string(rest.substr(0, length)), DecodeUtf8(rest)};
}

}  // namespace

gen::Result<GbkEncoder> GbkEncoder::Open() {
  const iconv_t descriptor = iconv_open("GBK", "UTF-8");
  if (descriptor == kNoDescriptor) {
    return gen::Error{"iconv", 0,
                      std::string("no conversion from UTF-8 to GBK: ") + std::strerror(errno)};
  }
  return GbkEncoder(descriptor);
}

GbkEncoder::GbkEncoder(GbkEncoder&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, kNoDescriptor)) {}

GbkEncoder& GbkEncoder::operator=(GbkEncoder&& other) noexcept {
  if (this != &other) {
    if (m_descriptor != kNoDescriptor) iconv_close(m_descriptor);
    m_descriptor = std::exchange(other.m_descriptor, kNoDescriptor);
  }
  return *this;
}

GbkEncoder::~GbkEncoder() {
  if (m_descriptor != kNoDescriptor) iconv_close(m_descriptor);
}

gen::Result<std::string, EncodingFailure> GbkEncoder::Encode(std::string_view utf8) {
  // One character at a time, so that a failure names its character, and a character that
  // iconv could only convert irreversibly (a non-zero return) is refused as well.
  std::string gbk;
  std::size_t offset = 0;
  while (offset < utf8.size()) {
    const std::size_t length = Utf8SequenceLength(utf8.substr(offset));
    if (length == 0) return FailureAt(utf8, offset);
    iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);  // the initial state
    char input[kMaxBytesPerCharacter];
    std::memcpy(input, utf8.data() + offset, length);
    char output[kMaxBytesPerCharacter];
    char* in = input;
    std::size_t inLeft = length;
    char* out = output;
    std::size_t outLeft = sizeof output;
    const std::size_t converted = iconv(m_descriptor, &in, &inLeft, &out, &outLeft);
    if (converted != 0 || inLeft != 0 ||
        iconv(m_descriptor, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) {
      return FailureAt(utf8, offset);
    }
    gbk.append(output, sizeof output - outLeft);
    offset += length;
  }
  return gbk;
}

}  // namespace constgen
