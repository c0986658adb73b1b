// The registry commands under throwaway keys, every value read back through the registry itself.
#include "services/registry_commands.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "service_test_support.h"

namespace vl {
namespace {

using test::OwnedByteSet;

struct StoredValue {
  bool present = false;
  DWORD type = 0;
  std::vector<std::uint8_t> data;

  std::uint32_t Dword() const {
    std::uint32_t value = 0xDEADBEEF;
    if (data.size() == 4) std::memcpy(&value, data.data(), 4);
    return value;
  }
};

// A REG_SZ as the registry keeps it: UTF-16 with its NUL.
std::vector<std::uint8_t> StoredText(std::wstring_view text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  std::vector<std::uint8_t> stored(bytes, bytes + text.size() * sizeof(wchar_t));
  stored.insert(stored.end(), sizeof(wchar_t), 0);
  return stored;
}

StoredValue ReadBack(HKEY root, const std::string& key, const std::string& name) {
  StoredValue value;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, test::Wide(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return value;
  const std::wstring wideName = test::Wide(name);
  DWORD size = 0;
  if (RegQueryValueExW(opened, wideName.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    value.present =
        RegQueryValueExW(opened, wideName.c_str(), nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
    value.data.resize(size);
  }
  RegCloseKey(opened);
  return value;
}

bool KeyExists(HKEY root, const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, test::Wide(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

bool Write(std::int32_t root, const std::string& path, const ArgRecord& value) {
  return BoolResult(CallCommand(WriteRegistryValueCommand, ArgList{IntArg(root), TextArg(path.c_str()), value}));
}

bool Exists(std::int32_t root, const std::string& path) {
  return BoolResult(CallCommand(RegistryValueExistsCommand, ArgList{IntArg(root), TextArg(path.c_str())}));
}

// Every test works below its own key, deleted with everything under it afterwards.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    m_base = "Software\\VorlaneServicesTest\\" + std::to_string(GetCurrentProcessId()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, m_base.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VorlaneServicesTest");
  }
  std::string m_base;
};

TEST_F(Registry, ValuePathsSplitAtTheLastSingleByteBackslash) {
  // The value name holds a double-byte character whose trail byte is a backslash (0x81 0x5C).
  const std::string gbkName = "x\x81\x5Cname";
  EXPECT_TRUE(Write(3, m_base + "\\" + gbkName, IntArg(7)));
  EXPECT_EQ(ReadBack(HKEY_CURRENT_USER, m_base, gbkName).Dword(), 7u);
  HKEY base = nullptr;
  DWORD subkeys = 0xDEADBEEF;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, test::Wide(m_base).c_str(), 0, KEY_READ, &base), ERROR_SUCCESS);
  RegQueryInfoKeyW(base, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(base);
  EXPECT_EQ(subkeys, 0u);  // the trail byte was not taken for a separator
  EXPECT_TRUE(Exists(3, m_base + "\\" + gbkName));

  // A trailing backslash names the key's default value.
  EXPECT_FALSE(Exists(3, m_base + "\\"));
  EXPECT_TRUE(Write(3, m_base + "\\", TextArg("default")));
  const StoredValue unnamed = ReadBack(HKEY_CURRENT_USER, m_base, "");
  EXPECT_EQ(unnamed.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(unnamed.data, StoredText(L"default"));
  EXPECT_TRUE(Exists(3, m_base + "\\"));
}

TEST_F(Registry, APathWithoutBackslashNamesAValueOfTheRootKey) {
  const std::string name = "VorlaneServicesTestValue" + std::to_string(GetCurrentProcessId());
  EXPECT_TRUE(Write(3, name, IntArg(1)));
  EXPECT_TRUE(ReadBack(HKEY_CURRENT_USER, "", name).present);
  EXPECT_TRUE(Exists(3, name));
  RegDeleteValueA(HKEY_CURRENT_USER, name.c_str());
  EXPECT_FALSE(Exists(3, name));
}

TEST_F(Registry, MissingKeysAreCreatedOnTheWay) {
  const std::string path = m_base + "\\a\\b\\c\\Value";
  EXPECT_TRUE(Write(3, path, TextArg("deep")));
  EXPECT_TRUE(ReadBack(HKEY_CURRENT_USER, m_base + "\\a\\b\\c", "Value").present);
  // An existing key is opened and written again.
  EXPECT_TRUE(Write(3, path, TextArg("again")));
  const StoredValue again = ReadBack(HKEY_CURRENT_USER, m_base + "\\a\\b\\c", "Value");
  EXPECT_EQ(again.data, StoredText(L"again"));

  // Deleted by someone else between two writes, the key is made again, not written while gone.
  RegDeleteTreeA(HKEY_CURRENT_USER, m_base.c_str());
  EXPECT_FALSE(Exists(3, path));
  EXPECT_TRUE(Write(3, path, TextArg("recreated")));
  EXPECT_EQ(ReadBack(HKEY_CURRENT_USER, m_base + "\\a\\b\\c", "Value").data, StoredText(L"recreated"));
  EXPECT_TRUE(Exists(3, path));
}

TEST_F(Registry, NumbersAreStoredAsDwordsTruncatedTowardZero) {
  struct Case {
    const char* name;
    ArgRecord value;
    std::uint32_t stored;
  } cases[] = {
      {"int", IntArg(-5), 0xFFFFFFFBu},
      {"byte", ByteArg(200), 200u},
      {"short", ShortArg(-1), 4294967295u},
      {"int64", Int64Arg(0x100000005LL), 5u},
      {"float", FloatArg(3.75f), 3u},
      {"double", DoubleArg(2.9), 2u},
      {"doubleNegative", DoubleArg(-2.9), static_cast<std::uint32_t>(-2)},
      {"doubleWide", DoubleArg(4294967298.0), 2u},  // 2^32 + 2: the low 32 bits of the integer
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Write(3, m_base + "\\" + c.name, c.value)) << c.name;
    const StoredValue stored = ReadBack(HKEY_CURRENT_USER, m_base, c.name);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD)) << c.name;
    EXPECT_EQ(stored.Dword(), c.stored) << c.name;
  }
}

TEST_F(Registry, TextsKeepTheirNulAndByteSetsTheirBytes) {
  // Key, value name and text hold characters GBK cannot (Hangul, an emoji): whatever the code
  // page, the registry keeps them whole, and ReadRegistryText gives the same text back.
  const std::string key = m_base + "\\" + test::SystemText(L"产品 한글");
  const std::string path = key + "\\" + test::SystemText(L"卸载程序 😀");
  const std::string text = test::SystemText(L"C:\\程序\\음악 🎵\\卸载.exe");
  EXPECT_TRUE(Write(3, path, TextArg(text.c_str())));
  StoredValue stored = ReadBack(HKEY_CURRENT_USER, key, test::SystemText(L"卸载程序 😀"));
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored.data, StoredText(L"C:\\程序\\음악 🎵\\卸载.exe"));
  EXPECT_TRUE(Exists(3, path));
  const test::TextOfResult read(CallCommand(ReadRegistryTextCommand, ArgList{IntArg(3), TextArg(path.c_str())}));
  EXPECT_EQ(read.Value(), text);

  // A text or path that is no text of the system (a lead byte without its trail) writes nothing.
  EXPECT_FALSE(Write(3, m_base + "\\Broken", TextArg("C:\\\x81")));
  EXPECT_FALSE(Write(3, m_base + "\\Broken\x81", IntArg(1)));
  EXPECT_FALSE(ReadBack(HKEY_CURRENT_USER, m_base, "Broken").present);

  EXPECT_TRUE(Write(3, m_base + "\\Empty", TextArg("")));
  stored = ReadBack(HKEY_CURRENT_USER, m_base, "Empty");
  EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(stored.data, StoredText(L""));

  const std::vector<std::uint8_t> bytes = {0, 1, 0x5C, 0xFF, 0};
  const OwnedByteSet block(bytes);
  EXPECT_TRUE(Write(3, m_base + "\\Binary", ByteSetArg(block.Block())));
  const StoredValue binary = ReadBack(HKEY_CURRENT_USER, m_base, "Binary");
  EXPECT_EQ(binary.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(binary.data, bytes);
}

TEST_F(Registry, ValuesWithoutARegistryFormWriteNothing) {
  EXPECT_FALSE(Write(3, m_base + "\\Flag\\Bool", BoolArg(true)));
  EXPECT_FALSE(Write(3, m_base + "\\Flag\\Date", DateTimeArg(45000.5)));
  EXPECT_FALSE(Write(3, m_base + "\\Flag\\Omitted", ArgRecord{}));
  EXPECT_FALSE(ReadBack(HKEY_CURRENT_USER, m_base + "\\Flag", "Bool").present);
  EXPECT_FALSE(ReadBack(HKEY_CURRENT_USER, m_base + "\\Flag", "Date").present);
  // Nothing to write means no key either.
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_base + "\\Flag"));
}

TEST_F(Registry, ReadingATextGivesItUpToItsFirstNulAndEverythingElseEmpty) {
  auto read = [&](const std::string& name) {
    const test::TextOfResult text(CallCommand(ReadRegistryTextCommand, ArgList{IntArg(3), TextArg((m_base + "\\" + name).c_str())}));
    EXPECT_TRUE(text.IsText()) << name;
    return text.Value();
  };
  EXPECT_EQ(read("missing"), "");
  ASSERT_TRUE(Write(3, m_base + "\\text", TextArg("C:\\Program Files\\Vorlane")));
  EXPECT_EQ(read("text"), "C:\\Program Files\\Vorlane");
  ASSERT_TRUE(Write(3, m_base + "\\number", IntArg(7)));
  EXPECT_EQ(read("number"), "");
  const std::string longer(700, 'v');  // more than the first try holds
  ASSERT_TRUE(Write(3, m_base + "\\long", TextArg(longer.c_str())));
  EXPECT_EQ(read("long"), longer);
  // Stored by someone else without its NUL, or with one inside.
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, m_base.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExW(key, L"bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"), 3 * sizeof(wchar_t));
  RegSetValueExW(key, L"cut", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L"ab\0cd"), 6 * sizeof(wchar_t));
  RegCloseKey(key);
  EXPECT_EQ(read("bare"), "abc");
  EXPECT_EQ(read("cut"), "ab");
}

TEST_F(Registry, ExistsNeedsBothTheKeyAndTheValue) {
  EXPECT_FALSE(Exists(3, m_base + "\\Missing\\DisplayIcon"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, m_base + "\\Missing"));  // looking creates nothing
  ASSERT_TRUE(Write(3, m_base + "\\Product\\DisplayName", TextArg("Vorlane")));
  EXPECT_FALSE(Exists(3, m_base + "\\Product\\DisplayIcon"));
  ASSERT_TRUE(Write(3, m_base + "\\Product\\DisplayIcon", TextArg("")));
  EXPECT_TRUE(Exists(3, m_base + "\\Product\\DisplayIcon"));
}

TEST_F(Registry, RootCodesOutsideOneToFiveMeanTheCurrentUser) {
  for (std::int32_t code : {0, 6, -1, 1000}) {
    const std::string name = "Code" + std::to_string(code);
    EXPECT_TRUE(Write(code, m_base + "\\" + name, IntArg(code))) << code;
    EXPECT_EQ(ReadBack(HKEY_CURRENT_USER, m_base, name).Dword(), static_cast<std::uint32_t>(code)) << code;
    EXPECT_TRUE(Exists(code, m_base + "\\" + name)) << code;
  }
  // A root code that is not an integer at all also falls back to the current user.
  EXPECT_TRUE(BoolResult(CallCommand(RegistryValueExistsCommand, ArgList{ArgRecord{}, TextArg((m_base + "\\Code0").c_str())})));
}

TEST_F(Registry, EachRootCodeReachesItsRootKey) {
  const std::string machineBase = "Software\\VorlaneServicesTest" + std::to_string(GetCurrentProcessId());
  HKEY probe = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, machineBase.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &probe, nullptr) != ERROR_SUCCESS) {
    GTEST_SKIP() << "writing under HKEY_LOCAL_MACHINE needs administrator rights";
  }
  RegCloseKey(probe);
  EXPECT_TRUE(Write(4, machineBase + "\\Machine", IntArg(4)));
  EXPECT_EQ(ReadBack(HKEY_LOCAL_MACHINE, machineBase, "Machine").Dword(), 4u);
  EXPECT_TRUE(Exists(4, machineBase + "\\Machine"));
  EXPECT_FALSE(Exists(3, machineBase + "\\Machine"));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, machineBase.c_str());

  EXPECT_TRUE(Write(3, m_base + "\\User", IntArg(3)));
  EXPECT_TRUE(Exists(3, m_base + "\\User"));
  EXPECT_FALSE(Exists(4, m_base + "\\User"));
}

}  // namespace
}  // namespace vl
