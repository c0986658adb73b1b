#include "gbk_text.h"

#include <windows.h>

namespace vl::test {
namespace {

constexpr UINT kGbk = 936;

}  // namespace

std::wstring FromGbk(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  std::wstring text(static_cast<std::size_t>(MultiByteToWideChar(kGbk, 0, bytes.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(kGbk, 0, bytes.data(), size, text.data(), static_cast<int>(text.size()));
  return text;
}

std::string ToGbk(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::string bytes(
      static_cast<std::size_t>(WideCharToMultiByte(kGbk, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(kGbk, 0, text.data(), size, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
  return bytes;
}

}  // namespace vl::test
