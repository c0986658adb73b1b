#include "registry_commands.h"

#include <cwchar>

#include "runtime/byte_set.h"
#include "runtime/memory.h"
#include "runtime/numbers.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "registry_key.h"
#include "wide_result.h"

namespace vl {
namespace {

// The value a command's path argument names.
ValuePath PathArgument(const ArgRecord& path) noexcept {
  return ValuePath(NonNullText(AsText(path).value_or(nullptr)));
}

// The key named by the root code argument and the key path, with at least `access`.
HKEY OpenKey(const ArgRecord& rootCode, const ValuePath& path, REGSAM access, bool create = false) noexcept {
  return OpenValueKey(RootKeyFromCode(AsInt(rootCode).value_or(0)), path, access, create);
}

std::uint32_t LowWordOfTruncated(double value) noexcept {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(TruncateToInteger(value)));
}

// The REG_DWORD form of a numeric value; nothing for every other type.
std::optional<std::uint32_t> DwordOf(const ArgRecord& value) noexcept {
  const auto low = static_cast<std::uint32_t>(value.lo);
  switch (value.tag) {
    case tag::kInt:
    case tag::kInt64: return low;
    case tag::kByte: return low & 0xFFu;
    case tag::kShort: return static_cast<std::uint32_t>(static_cast<std::int16_t>(low & 0xFFFFu));
    case tag::kFloat: return LowWordOfTruncated(static_cast<double>(AsFloatBits(value)));
    case tag::kDouble: return LowWordOfTruncated(AsDoubleBits(value));
    default: return std::nullopt;
  }
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

void RegistryValueExistsCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const ValuePath path = PathArgument(ArgAt(count, args, 1));
  const HKEY key = OpenKey(ArgAt(count, args, 0), path, KEY_QUERY_VALUE);
  SetBoolResult(result, key && ForgettingDeletedKey(RegQueryValueExW(key, path.Name(), nullptr, nullptr, nullptr,
                                                                     nullptr)) == ERROR_SUCCESS);
}

void ReadRegistryTextCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const ValuePath path = PathArgument(ArgAt(count, args, 1));
  // Most texts fit the first try; a longer one is asked again with the size it needs, and a
  // stored text need not end in a NUL: one more unit always holds one.
  wchar_t* text = nullptr;
  DWORD size = MAX_PATH * sizeof(wchar_t);
  DWORD type = REG_NONE;
  const HKEY key = OpenKey(ArgAt(count, args, 0), path, KEY_QUERY_VALUE);
  LONG status = key ? ERROR_MORE_DATA : ERROR_FILE_NOT_FOUND;
  for (int attempt = 0; attempt < 2 && status == ERROR_MORE_DATA; ++attempt) {
    FreeMemory(text);
    text = static_cast<wchar_t*>(AllocateMemory(size + sizeof(wchar_t)));
    status = ForgettingDeletedKey(
        RegQueryValueExW(key, path.Name(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size));
  }
  std::size_t length = 0;
  if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    text[size / sizeof(wchar_t)] = L'\0';
    length = std::wcslen(text);  // up to the first NUL
  }
  SetWideTextResult(result, std::wstring_view(text, length));
  FreeMemory(text);
}

void WriteRegistryValueCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  // The data is chosen before any key is touched, so that a value without a registry form
  // leaves no empty key behind.
  const ArgRecord& value = ArgAt(count, args, 2);
  const WideText text(value.tag == tag::kText ? NonNullText(AsText(value).value_or(nullptr)) : "");
  std::uint32_t number = 0;
  DWORD type = REG_BINARY;
  const void* data = &number;  // an empty byte set still needs a valid data pointer
  DWORD size = 0;
  if (const auto dword = DwordOf(value)) {
    type = REG_DWORD;
    number = *dword;
    size = sizeof number;
  } else if (value.tag == tag::kText) {
    type = REG_SZ;
    data = text.Get();
    size = static_cast<DWORD>((text.Length() + 1) * sizeof(wchar_t));  // with its NUL
  } else if (const auto block = AsByteSet(value)) {
    const std::span<const std::uint8_t> bytes = ByteSetData(*block);
    if (!bytes.empty()) data = bytes.data();
    size = static_cast<DWORD>(bytes.size());
  } else {
    return;
  }
  if (!text.Valid()) return;
  const ValuePath path = PathArgument(ArgAt(count, args, 1));
  const auto* bytes = static_cast<const BYTE*>(data);
  // A write into a deleted key is tried again on the key made afresh.
  LONG status = ERROR_KEY_DELETED;
  for (int attempt = 0; attempt < 2 && status == ERROR_KEY_DELETED; ++attempt) {
    const HKEY key = OpenKey(ArgAt(count, args, 0), path, KEY_WRITE, true);
    if (key == nullptr) return;
    status = ForgettingDeletedKey(RegSetValueExW(key, path.Name(), 0, type, bytes, size));
  }
  SetBoolResult(result, status == ERROR_SUCCESS);
}

}  // namespace vl
