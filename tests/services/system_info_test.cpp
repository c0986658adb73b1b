// The system information record: each member from its source, each text its own allocation of
// exactly the member's width, and facts too long for their member fitted safely.
#include "services/system_info.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <iterator>
#include <string>

#include "service_test_support.h"

namespace vl {
namespace {

// The text members in record order, with their widths.
struct TextMember {
  char* SystemInfo::*member;
  std::size_t width;
  const char* name;
};
const TextMember kTextMembers[] = {
    {&SystemInfo::OsName, 100, "OsName"},          {&SystemInfo::Version, 20, "Version"},
    {&SystemInfo::ServicePack, 20, "ServicePack"}, {&SystemInfo::CurUserName, 100, "CurUserName"},
    {&SystemInfo::WindowsFolder, 260, "WindowsFolder"}, {&SystemInfo::SysFolder, 260, "SysFolder"},
    {&SystemInfo::LocalLanguage, 30, "LocalLanguage"}, {&SystemInfo::Country, 30, "Country"},
    {&SystemInfo::Currency, 30, "Currency"},       {&SystemInfo::DateFormat, 30, "DateFormat"},
    {&SystemInfo::TimeFormat, 30, "TimeFormat"},   {&SystemInfo::TimeZone, 30, "TimeZone"},
};

// Fills a zeroed record through the command frame, as the installer does.
struct FilledRecord {
  SystemInfo record = {};
  FilledRecord() { static_cast<void>(CallCommand(GetSystemInfoCommand, ArgList{RecordArg(tag::kSystemInfoRecord, &record)})); }
  ~FilledRecord() {
    for (const TextMember& m : kTextMembers) FreeMemory(record.*m.member);
  }
};

class GetSystemInfo : public test::RuntimeStarted {};

TEST_F(GetSystemInfo, MembersComeFromTheirSources) {
  const FilledRecord filled;
  const SystemInfo& info = filled.record;

  wchar_t buffer[512] = L"";
  DWORD size = std::size(buffer);
  ASSERT_TRUE(GetUserNameW(buffer, &size));
  EXPECT_EQ(info.CurUserName, test::SystemText(buffer));
  GetWindowsDirectoryW(buffer, MAX_PATH);
  EXPECT_EQ(info.WindowsFolder, test::SystemText(buffer));
  GetSystemDirectoryW(buffer, MAX_PATH);
  EXPECT_EQ(info.SysFolder, test::SystemText(buffer));

  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExW(&version));
  EXPECT_EQ(info.BuildNumber, static_cast<std::int32_t>(version.dwBuildNumber));
  EXPECT_EQ(std::string(info.Version), std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion));
  EXPECT_EQ(std::string(info.OsName).rfind("Windows", 0), 0u) << info.OsName;

  // The keyboard locale decides the locale facts: whatever it is, it has a code page and a country.
  EXPECT_GT(info.CodePage, 0);
  EXPECT_GT(info.CountryCode, 0);
  EXPECT_STRNE(info.Country, "");
  EXPECT_STRNE(info.DateFormat, "");
  EXPECT_STRNE(info.TimeFormat, "");
  EXPECT_STRNE(info.LocalLanguage, "");
}

TEST_F(GetSystemInfo, EachTextIsANewAllocationOfItsWidth) {
  const FilledRecord filled;
  for (const TextMember& m : kTextMembers) {
    const char* text = filled.record.*m.member;
    ASSERT_NE(text, nullptr) << m.name;
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, text), m.width) << m.name;
    EXPECT_LT(strnlen(text, m.width), m.width) << m.name;
  }
  // A second call makes new texts and leaves the old ones to their owner.
  const FilledRecord again;
  EXPECT_NE(again.record.CurUserName, filled.record.CurUserName);
  EXPECT_STREQ(again.record.CurUserName, filled.record.CurUserName);
}

// A runtime text for the facts to own.
char* Fact(const std::string& text) { return CopyText(text.c_str()).Release(); }

TEST(StoreSystemFacts, FactsLongerThanTheirMembersAreFittedSafely) {
  SystemFacts facts;
  facts.OsName = Fact(std::string(150, 'o'));
  facts.ServicePack = Fact(test::SystemText(L"服务包一二三四五六七八九十"));  // 26 bytes for 20
  facts.TimeZone = Fact(std::string(29, 'z') + test::SystemText(L"时"));  // the lead byte alone would fit
  // A four-byte character across the end: none of its bytes stays.
  facts.Country = Fact(std::string(27, 'c') + test::SystemText(L"😀"));
  facts.CurUserName = Fact(std::string(99, 'u'));
  SystemInfo record = {};
  StoreSystemFacts(facts, &record);
  EXPECT_EQ(std::string(record.OsName), std::string(99, 'o'));
  EXPECT_EQ(std::string(record.ServicePack), test::SystemText(L"服务包一二三四五六"));
  EXPECT_EQ(std::string(record.TimeZone), std::string(29, 'z'));
  EXPECT_EQ(std::string(record.Country), std::string(27, 'c'));
  EXPECT_EQ(std::string(record.CurUserName), facts.CurUserName);  // 99 bytes still fit
  for (const TextMember& m : kTextMembers) FreeMemory(record.*m.member);

  // A logon name that does not fit is not cut into another user's name.
  FreeMemory(facts.CurUserName);
  facts.CurUserName = Fact(std::string(100, 'u'));
  record = {};
  StoreSystemFacts(facts, &record);
  EXPECT_STREQ(record.CurUserName, "");
  for (const TextMember& m : kTextMembers) FreeMemory(record.*m.member);
}

TEST_F(GetSystemInfo, TheLogonNameComesWholeOrEmptyWhenItsBytesDoNotFit) {
  // Wine takes the logon name from its WINEUSERNAME variable, which the test can change.
  if (!test::RunningUnderWine()) GTEST_SKIP() << "needs accounts with long and non-GBK logon names";
  wchar_t saved[512] = L"";
  const DWORD savedLength = GetEnvironmentVariableW(L"WINEUSERNAME", saved, std::size(saved));
  auto logOnAs = [](const std::wstring& name) {
    SetEnvironmentVariableW(L"WINEUSERNAME", name.c_str());
    wchar_t probe[512] = L"";
    DWORD size = std::size(probe);
    return GetUserNameW(probe, &size) && name == probe;
  };
  const bool followed = logOnAs(std::wstring(120, L'L'));
  if (followed) {
    const FilledRecord tooLong;
    EXPECT_STREQ(tooLong.record.CurUserName, "");
    // Fifty characters, but 100 bytes once converted: one more than the member holds.
    logOnAs(std::wstring(50, L'用'));
    const FilledRecord tooManyBytes;
    EXPECT_STREQ(tooManyBytes.record.CurUserName, "");
    logOnAs(std::wstring(99, L'F'));
    const FilledRecord fits;
    EXPECT_EQ(std::string(fits.record.CurUserName), std::string(99, 'F'));
    // Hangul and an emoji, which GBK cannot hold, come back whole.
    logOnAs(L"사용자😀");
    const FilledRecord outsideGbk;
    EXPECT_EQ(std::string(outsideGbk.record.CurUserName), test::SystemText(L"사용자😀"));
  }
  SetEnvironmentVariableW(L"WINEUSERNAME", savedLength != 0 ? saved : nullptr);
  if (!followed) GTEST_SKIP() << "this Wine does not take the logon name from WINEUSERNAME";
}

}  // namespace
}  // namespace vl
