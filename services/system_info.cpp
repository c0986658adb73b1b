#include "system_info.h"

#include <windows.h>

#include <cstdlib>

#include "base/decimal_text.h"
#include "text_fit.h"

namespace vl {
namespace {

// Version information: the extended structure first, the basic one where that is refused.
struct VersionFacts {
  DWORD major = 0;
  DWORD minor = 0;
  DWORD build = 0;
  DWORD platform = 0;
  BYTE productType = VER_NT_WORKSTATION;
  std::string servicePack;
};

VersionFacts QueryVersion() {
  VersionFacts facts;
  OSVERSIONINFOEXA extended = {};
  extended.dwOSVersionInfoSize = sizeof extended;
  OSVERSIONINFOA& basic = reinterpret_cast<OSVERSIONINFOA&>(extended);
  if (GetVersionExA(&basic) != FALSE) {
    facts.productType = extended.wProductType;
  } else {
    extended = {};
    basic.dwOSVersionInfoSize = sizeof basic;
    if (GetVersionExA(&basic) == FALSE) return facts;
  }
  facts.major = basic.dwMajorVersion;
  facts.minor = basic.dwMinorVersion;
  facts.platform = basic.dwPlatformId;
  // Before NT the high word of the build number repeats the version.
  facts.build = basic.dwPlatformId == VER_PLATFORM_WIN32_NT ? basic.dwBuildNumber : LOWORD(basic.dwBuildNumber);
  basic.szCSDVersion[sizeof basic.szCSDVersion - 1] = '\0';
  facts.servicePack = basic.szCSDVersion;
  return facts;
}

// "<major>.<minor>".
std::string VersionNumber(DWORD major, DWORD minor) {
  char number[kIntegerTextCapacity];
  FormatUnsigned(number, major);
  std::string text = number;
  FormatUnsigned(number, minor);
  return text + "." + number;
}

std::string OsNameOf(const VersionFacts& v) {
  if (v.platform == VER_PLATFORM_WIN32_WINDOWS) {
    if (v.minor >= 90) return "Windows Me";
    return v.minor >= 10 ? "Windows 98" : "Windows 95";
  }
  const bool server = v.productType != VER_NT_WORKSTATION;
  struct Name {
    DWORD major, minor;
    const char* workstation;
    const char* server;
  };
  static const Name kNames[] = {
      {4, 0, "Windows NT 4.0", "Windows NT 4.0 Server"},
      {5, 0, "Windows 2000", "Windows 2000 Server"},
      {5, 1, "Windows XP", "Windows XP"},
      {5, 2, "Windows XP x64", "Windows Server 2003"},
      {6, 0, "Windows Vista", "Windows Server 2008"},
      {6, 1, "Windows 7", "Windows Server 2008 R2"},
      {6, 2, "Windows 8", "Windows Server 2012"},
      {6, 3, "Windows 8.1", "Windows Server 2012 R2"},
      {10, 0, "Windows 10", "Windows Server 2016"},
  };
  if (v.major == 10 && v.minor == 0 && !server && v.build >= 22000) return "Windows 11";
  for (const Name& name : kNames) {
    if (name.major == v.major && name.minor == v.minor) return server ? name.server : name.workstation;
  }
  return "Windows NT " + VersionNumber(v.major, v.minor);
}

// A folder the system names into a MAX_PATH buffer; a reported length of 0 or one that did not
// fit (the size the system would have needed) leaves it empty.
template <class Query>
std::string FolderFrom(Query query) {
  char buffer[MAX_PATH] = "";
  const UINT length = query(buffer, MAX_PATH);
  return length != 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

// The logon name in full, or empty when the system does not give it.
std::string LogonName() {
  char buffer[257] = "";  // the longest logon name the system allows, and its terminator
  DWORD size = sizeof buffer;
  if (GetUserNameA(buffer, &size) == FALSE) return std::string();
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

// A locale fact in a buffer of `size` bytes; empty when it does not fit or is not known.
std::string LocaleText(LCID locale, LCTYPE type, int size) {
  char buffer[256] = "";
  if (size > static_cast<int>(sizeof buffer)) size = sizeof buffer;
  if (GetLocaleInfoA(locale, type, buffer, size) == 0) return std::string();
  buffer[size - 1] = '\0';
  return buffer;
}

std::int32_t LocaleNumber(LCID locale, LCTYPE type) {
  const std::string text = LocaleText(locale, type, 7);
  return static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

std::string LanguageName() {
  char buffer[256] = "";
  const DWORD length = VerLanguageNameA(GetSystemDefaultLangID(), buffer, sizeof buffer);
  return length != 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

std::string TimeZoneName() {
  TIME_ZONE_INFORMATION zone = {};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return std::string();
  zone.StandardName[31] = L'\0';
  char buffer[32 * 2 + 1] = "";  // every UTF-16 unit of the name becomes at most two GBK bytes
  if (WideCharToMultiByte(CP_ACP, 0, zone.StandardName, -1, buffer, sizeof buffer, nullptr, nullptr) == 0) {
    return std::string();
  }
  return buffer;
}

}  // namespace

SystemFacts CollectSystemFacts() {
  SystemFacts facts;
  const VersionFacts version = QueryVersion();
  if (version.major != 0) {
    facts.osName = OsNameOf(version);
    facts.version = VersionNumber(version.major, version.minor);
    facts.buildNumber = static_cast<std::int32_t>(version.build);
    facts.servicePack = version.servicePack;
  }
  facts.userName = LogonName();
  facts.windowsFolder = FolderFrom([](char* b, UINT n) { return GetWindowsDirectoryA(b, n); });
  facts.systemFolder = FolderFrom([](char* b, UINT n) { return GetSystemDirectoryA(b, n); });

  // Locale facts are those of the keyboard layout's language on this thread.
  const auto language = static_cast<LANGID>(reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0)) & 0xFFFF);
  const LCID locale = MAKELCID(language, SORT_DEFAULT);
  facts.codePage = LocaleNumber(locale, LOCALE_IDEFAULTANSICODEPAGE);
  facts.language = LanguageName();
  facts.countryCode = LocaleNumber(locale, LOCALE_ICOUNTRY);
  facts.country = LocaleText(locale, LOCALE_SENGCOUNTRY, 256);
  facts.currency = LocaleText(locale, LOCALE_SCURRENCY, 7);
  facts.dateFormat = LocaleText(locale, LOCALE_SLONGDATE, 256);
  facts.timeFormat = LocaleText(locale, LOCALE_STIMEFORMAT, 256);
  facts.timeZone = TimeZoneName();
  return facts;
}

void StoreSystemFacts(const SystemFacts& facts, SystemInfo* record) noexcept {
  record->OsName = NewTextOfWidth(facts.osName, kOsNameWidth);
  record->Version = NewTextOfWidth(facts.version, kVersionWidth);
  record->BuildNumber = facts.buildNumber;
  record->ServicePack = NewTextOfWidth(facts.servicePack, kServicePackWidth);
  const bool nameFits = facts.userName.size() < kUserNameWidth;
  record->CurUserName = NewTextOfWidth(nameFits ? std::string_view(facts.userName) : std::string_view(), kUserNameWidth);
  record->WindowsFolder = NewTextOfWidth(facts.windowsFolder, kFolderWidth);
  record->SysFolder = NewTextOfWidth(facts.systemFolder, kFolderWidth);
  record->CodePage = facts.codePage;
  record->LocalLanguage = NewTextOfWidth(facts.language, kLocaleTextWidth);
  record->CountryCode = facts.countryCode;
  record->Country = NewTextOfWidth(facts.country, kLocaleTextWidth);
  record->Currency = NewTextOfWidth(facts.currency, kLocaleTextWidth);
  record->DateFormat = NewTextOfWidth(facts.dateFormat, kLocaleTextWidth);
  record->TimeFormat = NewTextOfWidth(facts.timeFormat, kLocaleTextWidth);
  record->TimeZone = NewTextOfWidth(facts.timeZone, kLocaleTextWidth);
}

void GetSystemInfoCommand(ResultRecord* /*result*/, int count, const ArgRecord* args) noexcept {
  const auto record = AsRecord(ArgAt(count, args, 0), tag::kSystemInfoRecord);
  if (!record || *record == nullptr) return;
  StoreSystemFacts(CollectSystemFacts(), static_cast<SystemInfo*>(*record));
}

}  // namespace vl
