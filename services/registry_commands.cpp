#include "registry_commands.h"

#include <cstring>
#include <cwchar>

#include "runtime/byte_set.h"
#include "runtime/memory.h"
#include "runtime/numbers.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "runtime/unique_handle.h"
#include "wide_result.h"

namespace vl {
namespace {

// The key path and the value name of a command's path argument, in their wide forms. Without a
// backslash the whole text is the value name; a trailing one names the key's default value.
class ValuePath {
 public:
  explicit ValuePath(const ArgRecord& path) noexcept : ValuePath(NonNullText(AsText(path).value_or(nullptr))) {}

  bool Valid() const noexcept { return m_key.Valid() && m_name.Valid(); }
  const wchar_t* Key() const noexcept { return m_key.Get(); }
  std::size_t KeyLength() const noexcept { return m_key.Length(); }
  const wchar_t* Name() const noexcept { return m_name.Get(); }

 private:
  explicit ValuePath(Text path) noexcept : ValuePath(path, FindLastBackslash(path)) {}
  ValuePath(Text path, const char* separator) noexcept
      : m_key(separator != nullptr ? std::string_view(path, separator - path) : std::string_view()),
        m_name(separator != nullptr ? separator + 1 : path) {}

  WideText m_key;
  WideText m_name;
};

// The last key a command opened stays open for the next: the installer writes its
// registration's values one after another into one key, and opening and closing a key costs
// more than writing a value. The handle lives as long as the program, so a value written through
// it goes where a fresh open would have put it unless another program deletes the key meanwhile.
struct KeyName {
  HKEY root;  // null when there is no key to reuse
  REGSAM access;
  std::size_t pathBytes;
  wchar_t path[128];  // a longer path is not remembered
};
// In the zero-filled section, which takes no room in the program file (the compiler would
// otherwise give the object a data section of its own, stored in full).
__attribute__((section(".bss"))) KeyName g_lastKeyName;
UniqueKey g_lastKey;

// The key named by the root code argument and the key path, with at least `access`; null when it
// cannot be opened (or, when `create` asks, created). The key stays g_lastKey's.
HKEY OpenKey(const ArgRecord& rootCode, const ValuePath& path, REGSAM access, bool create = false) noexcept {
  if (!path.Valid()) return nullptr;
  const HKEY root = RootKeyFromCode(AsInt(rootCode).value_or(0));
  KeyName& last = g_lastKeyName;
  const std::size_t pathBytes = path.KeyLength() * sizeof(wchar_t);
  if (last.root == root && (last.access & access) == access && last.pathBytes == pathBytes &&
      std::memcmp(last.path, path.Key(), pathBytes) == 0) {
    return g_lastKey.Get();
  }
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, path.Key(), 0, access, &opened) != ERROR_SUCCESS &&
      (!create || RegCreateKeyW(root, path.Key(), &opened) != ERROR_SUCCESS)) {
    return nullptr;
  }
  g_lastKey = UniqueKey(opened);
  const bool fits = pathBytes <= sizeof last.path;
  last = {fits ? root : nullptr, access, pathBytes, {}};
  if (fits) std::memcpy(last.path, path.Key(), pathBytes);
  return opened;
}

// A remembered key that another program deleted refuses everything with ERROR_KEY_DELETED: a
// query then finds nothing, which is so, and the key is forgotten, so that the next command
// opens it afresh.
LONG ForgettingDeletedKey(LONG status) noexcept {
  if (status == ERROR_KEY_DELETED) g_lastKeyName.root = nullptr;
  return status;
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
  const ValuePath path(ArgAt(count, args, 1));
  const HKEY key = OpenKey(ArgAt(count, args, 0), path, KEY_QUERY_VALUE);
  SetBoolResult(result, key && ForgettingDeletedKey(RegQueryValueExW(key, path.Name(), nullptr, nullptr, nullptr,
                                                                     nullptr)) == ERROR_SUCCESS);
}

void ReadRegistryTextCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const ValuePath path(ArgAt(count, args, 1));
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
  const ValuePath path(ArgAt(count, args, 1));
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
