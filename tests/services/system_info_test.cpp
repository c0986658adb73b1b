// The system information record: each member from its source, each text its own allocation of
// exactly the member's width, and facts too long for their member fitted safely.
#include "services/system_info.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
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
  FilledRecord() { CallCommand(GetSystemInfoCommand, ArgList{RecordArg(tag::kSystemInfoRecord, &record)}); }
  ~FilledRecord() {
    for (const TextMember& m : kTextMembers) FreeMemory(record.*m.member);
  }
};

class GetSystemInfo : public test::RuntimeStarted {};

TEST_F(GetSystemInfo, MembersComeFromTheirSources) {
  const FilledRecord filled;
  const SystemInfo& info = filled.record;

  char buffer[512] = "";
  DWORD size = sizeof buffer;
  ASSERT_TRUE(GetUserNameA(buffer, &size));
  EXPECT_STREQ(info.CurUserName, buffer);
  GetWindowsDirectoryA(buffer, MAX_PATH);
  EXPECT_STREQ(info.WindowsFolder, buffer);
  GetSystemDirectoryA(buffer, MAX_PATH);
  EXPECT_STREQ(info.SysFolder, buffer);

  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
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

TEST(StoreSystemFacts, FactsLongerThanTheirMembersAreFittedSafely) {
  SystemFacts facts;
  facts.osName = std::string(150, 'o');
  facts.servicePack = test::Ansi(L"服务包一二三四五六七八九十");  // 26 bytes for a 20-byte member
  facts.timeZone = std::string(29, 'z') + test::Ansi(L"时");  // the lead byte alone would fit
  facts.userName = std::string(99, 'u');
  SystemInfo record = {};
  StoreSystemFacts(facts, &record);
  EXPECT_EQ(std::string(record.OsName), std::string(99, 'o'));
  EXPECT_EQ(std::string(record.ServicePack), test::Ansi(L"服务包一二三四五六"));
  EXPECT_EQ(std::string(record.TimeZone), std::string(29, 'z'));
  EXPECT_EQ(std::string(record.CurUserName), facts.userName);  // 99 bytes still fit
  for (const TextMember& m : kTextMembers) FreeMemory(record.*m.member);

  // A logon name that does not fit is not cut into another user's name.
  facts.userName = std::string(100, 'u');
  record = {};
  StoreSystemFacts(facts, &record);
  EXPECT_STREQ(record.CurUserName, "");
  for (const TextMember& m : kTextMembers) FreeMemory(record.*m.member);
}

TEST_F(GetSystemInfo, ALogonNameLongerThan99BytesIsStoredEmpty) {
  // Wine takes the logon name from its WINEUSERNAME variable, which the test can lengthen.
  if (!test::RunningUnderWine()) GTEST_SKIP() << "needs an account whose logon name is longer than 99 bytes";
  char saved[512] = "";
  const DWORD savedLength = GetEnvironmentVariableA("WINEUSERNAME", saved, sizeof saved);
  const std::string longName(120, 'L');
  SetEnvironmentVariableA("WINEUSERNAME", longName.c_str());
  char probe[512] = "";
  DWORD size = sizeof probe;
  const bool followed = GetUserNameA(probe, &size) && longName == probe;
  if (followed) {
    const FilledRecord filled;
    EXPECT_STREQ(filled.record.CurUserName, "");
    const std::string fits(99, 'F');
    SetEnvironmentVariableA("WINEUSERNAME", fits.c_str());
    const FilledRecord fitted;
    EXPECT_EQ(std::string(fitted.record.CurUserName), fits);
  }
  SetEnvironmentVariableA("WINEUSERNAME", savedLength != 0 ? saved : nullptr);
  if (!followed) GTEST_SKIP() << "this Wine does not take the logon name from WINEUSERNAME";
}

}  // namespace
}  // namespace vl
