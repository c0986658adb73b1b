#include "registry_commands.h"

#include <algorithm>
#include <cstring>

#include "runtime/byte_set.h"
#include "runtime/numbers.h"
#include "runtime/text_value.h"
#include "runtime/unique_handle.h"

namespace vl {
namespace {

void PutDword(std::uint32_t value, RegistryData* data) {
  data->type = REG_DWORD;
  data->bytes.assign(4, 0);
  for (int b = 0; b < 4; ++b) data->bytes[b] = static_cast<std::uint8_t>(value >> (8 * b));
}

std::uint32_t LowWordOfTruncated(double value) noexcept {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(TruncateToInteger(value)));
}

}  // namespace

HKEY RootKeyFromCode(std::int32_t code) noexcept {
  switch (code) {
    case 1: return HKEY_CLASSES_ROOT;
    case 2: return HKEY_CURRENT_CONFIG;
    case 4: return HKEY_LOCAL_MACHINE;
    case 5: return HKEY_USERS;
    default: return HKEY_CURRENT_USER;
  }
}

ValuePath SplitValuePath(Text path) {
  const Text text = NonNullText(path);
  const char* separator = FindLastBackslash(text);
  if (separator == nullptr) return ValuePath{std::string(), std::string(text)};
  return ValuePath{std::string(text, separator), std::string(separator + 1)};
}

bool RegistryDataFor(const ArgRecord& value, RegistryData* data) {
  const auto low = static_cast<std::uint32_t>(value.lo);
  switch (value.tag) {
    case tag::kInt:
    case tag::kInt64:
      PutDword(low, data);
      return true;
    case tag::kByte:
      PutDword(low & 0xFFu, data);
      return true;
    case tag::kShort:
      PutDword(static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(low & 0xFFFFu))), data);
      return true;
    case tag::kFloat:
      PutDword(LowWordOfTruncated(static_cast<double>(AsFloatBits(value))), data);
      return true;
    case tag::kDouble:
      PutDword(LowWordOfTruncated(AsDoubleBits(value)), data);
      return true;
    case tag::kText: {
      const Text text = NonNullText(AsText(value).value_or(nullptr));
      data->type = REG_SZ;
      data->bytes.assign(text, text + TextLength(text) + 1);  // with its NUL
      return true;
    }
    case tag::kByteSet: {
      const std::span<const std::uint8_t> bytes = ByteSetData(AsByteSet(value).value_or(nullptr));
      data->type = REG_BINARY;
      data->bytes.assign(bytes.begin(), bytes.end());
      return true;
    }
    default:
      return false;
  }
}

void RegistryValueExistsCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const auto rootCode = AsInt(ArgAt(count, args, 0));
  const ValuePath path = SplitValuePath(AsText(ArgAt(count, args, 1)).value_or(nullptr));
  const HKEY root = RootKeyFromCode(rootCode.value_or(0));

  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path.keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
  const UniqueKey key(opened);
  DWORD type = 0;
  DWORD size = 0;
  SetBoolResult(result, RegQueryValueExA(key.Get(), path.valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS);
}

void ReadRegistryTextCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const auto rootCode = AsInt(ArgAt(count, args, 0));
  const ValuePath path = SplitValuePath(AsText(ArgAt(count, args, 1)).value_or(nullptr));
  const HKEY root = RootKeyFromCode(rootCode.value_or(0));
  // Most texts fit the first try; a longer one is asked again with the size it needs.
  std::string text(MAX_PATH * 2, '\0');
  DWORD size = 0;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path.keyPath.c_str(), 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS) {
    const UniqueKey key(opened);
    DWORD type = 0;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 2 && status == ERROR_MORE_DATA; ++attempt) {
      size = static_cast<DWORD>(text.size());
      status = RegQueryValueExA(key.Get(), path.valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                                &size);
      if (status == ERROR_MORE_DATA) text.resize(size);
    }
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) size = 0;
  }
  // A stored text need not end in a NUL, or may hold one early.
  text.resize(std::min<std::size_t>(size, text.size()));
  text.resize(std::strlen(text.c_str()));
  SetTextResult(result, CopyTextBytes(text.data(), text.size()));
}

void WriteRegistryValueCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  // The data is chosen before any key is touched, so that a value without a registry form
  // leaves no empty key behind.
  RegistryData data;
  if (!RegistryDataFor(ArgAt(count, args, 2), &data)) return;
  const auto rootCode = AsInt(ArgAt(count, args, 0));
  const ValuePath path = SplitValuePath(AsText(ArgAt(count, args, 1)).value_or(nullptr));
  const HKEY root = RootKeyFromCode(rootCode.value_or(0));

  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, path.keyPath.c_str(), 0, KEY_WRITE, &opened) != ERROR_SUCCESS) {
    opened = nullptr;
    if (RegCreateKeyA(root, path.keyPath.c_str(), &opened) != ERROR_SUCCESS) return;
  }
  const UniqueKey key(opened);
  // An empty byte set still needs a valid data pointer.
  static const std::uint8_t kNoBytes = 0;
  const std::uint8_t* bytes = data.bytes.empty() ? &kNoBytes : data.bytes.data();
  SetBoolResult(result, RegSetValueExA(key.Get(), path.valueName.c_str(), 0, data.type, bytes,
                                       static_cast<DWORD>(data.bytes.size())) == ERROR_SUCCESS);
}

}  // namespace vl
