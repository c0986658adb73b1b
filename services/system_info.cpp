#include "system_info.h"

#include <windows.h>

#include <cwchar>
#include <iterator>

#include "base/decimal_text.h"
#include "runtime/memory.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
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
  char* servicePack = nullptr;
};

VersionFacts QueryVersion() noexcept {
  VersionFacts facts;
  OSVERSIONINFOEXW extended = {};
  extended.dwOSVersionInfoSize = sizeof extended;
  OSVERSIONINFOW& basic = reinterpret_cast<OSVERSIONINFOW&>(extended);
  if (GetVersionExW(&basic) != FALSE) {
    facts.productType = extended.wProductType;
  } else {
    extended = {};
    basic.dwOSVersionInfoSize = sizeof basic;
    if (GetVersionExW(&basic) == FALSE) return facts;
  }
  facts.major = basic.dwMajorVersion;
  facts.minor = basic.dwMinorVersion;
  facts.platform = basic.dwPlatformId;
  // Before NT the high word of the build number repeats the version.
  facts.build = basic.dwPlatformId == VER_PLATFORM_WIN32_NT ? basic.dwBuildNumber : LOWORD(basic.dwBuildNumber);
  basic.szCSDVersion[std::size(basic.szCSDVersion) - 1] = L'\0';
  facts.servicePack = TextFromWide(basic.szCSDVersion);
  return facts;
}

// "<major>.<minor>".
OwnedText VersionNumber(DWORD major, DWORD minor) noexcept {
  char majorText[kIntegerTextCapacity];
  char minorText[kIntegerTextCapacity];
  FormatUnsigned(majorText, major);
  FormatUnsigned(minorText, minor);
  return ConcatTexts({majorText, ".", minorText});
}

// The system's name.
OwnedText OsNameOf(const VersionFacts& v) noexcept {
  if (v.platform == VER_PLATFORM_WIN32_WINDOWS) {
    if (v.minor >= 90) return CopyText("Windows Me");
    return CopyText(v.minor >= 10 ? "Windows 98" : "Windows 95");
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
  if (v.major == 10 && v.minor == 0 && !server && v.build >= 22000) return CopyText("Windows 11");
  for (const Name& name : kNames) {
    if (name.major == v.major && name.minor == v.minor) return CopyText(server ? name.server : name.workstation);
  }
  return ConcatTexts({"Windows NT ", VersionNumber(v.major, v.minor).Get()});
}

// A folder the system names into a MAX_PATH buffer; a reported length of 0 or one that did not
// fit (the size the system would have needed) leaves it null.
char* FolderFrom(UINT (WINAPI* query)(LPWSTR, UINT)) noexcept {
  wchar_t buffer[MAX_PATH];
  const UINT length = query(buffer, MAX_PATH);
  return length != 0 && length < MAX_PATH ? TextFromWide(std::wstring_view(buffer, length)) : nullptr;
}

// The logon name in full, or null when the system does not give it.
char* LogonName() noexcept {
  wchar_t buffer[257];  // the longest logon name the system allows, and its terminator
  DWORD size = std::size(buffer);
  if (GetUserNameW(buffer, &size) == FALSE) return nullptr;
  buffer[std::size(buffer) - 1] = L'\0';
  return TextFromWide(buffer);
}

// A locale fact in a buffer of `size` units (at most 256); null when it does not fit or is not
// known.
char* LocaleText(LCID locale, LCTYPE type, int size) noexcept {
  wchar_t buffer[256];
  if (GetLocaleInfoW(locale, type, buffer, size) == 0) return nullptr;
  buffer[size - 1] = L'\0';
  return TextFromWide(buffer);
}

std::int32_t LocaleNumber(LCID locale, LCTYPE type) noexcept {
  wchar_t buffer[7] = L"";
  GetLocaleInfoW(locale, type, buffer, std::size(buffer));
  buffer[std::size(buffer) - 1] = L'\0';
  return static_cast<std::int32_t>(std::wcstol(buffer, nullptr, 10));
}

char* LanguageName() noexcept {
  wchar_t buffer[256];
  const DWORD length = VerLanguageNameW(GetSystemDefaultLangID(), buffer, std::size(buffer));
  return length != 0 && length < std::size(buffer) ? TextFromWide(std::wstring_view(buffer, length)) : nullptr;
}

char* TimeZoneName() noexcept {
  TIME_ZONE_INFORMATION zone = {};
  if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return nullptr;
  zone.StandardName[std::size(zone.StandardName) - 1] = L'\0';
  return TextFromWide(zone.StandardName);
}

}  // namespace

SystemFacts::~SystemFacts() {
  for (char* text : {OsName, Version, ServicePack, CurUserName, WindowsFolder, SysFolder, LocalLanguage, Country,
                     Currency, DateFormat, TimeFormat, TimeZone}) {
    FreeMemory(text);
  }
}

void CollectSystemFacts(SystemFacts* facts) noexcept {
  const VersionFacts version = QueryVersion();
  facts->ServicePack = version.servicePack;
  if (version.major != 0) {
    facts->OsName = OsNameOf(version).Release();
    facts->Version = VersionNumber(version.major, version.minor).Release();
    facts->BuildNumber = static_cast<std::int32_t>(version.build);
  }
  facts->CurUserName = LogonName();
  facts->WindowsFolder = FolderFrom(GetWindowsDirectoryW);
  facts->SysFolder = FolderFrom(GetSystemDirectoryW);

  // Locale facts are those of the keyboard layout's language on this thread.
  const auto language = static_cast<LANGID>(reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(0)) & 0xFFFF);
  const LCID locale = MAKELCID(language, SORT_DEFAULT);
  facts->CodePage = LocaleNumber(locale, LOCALE_IDEFAULTANSICODEPAGE);
  facts->LocalLanguage = LanguageName();
  facts->CountryCode = LocaleNumber(locale, LOCALE_ICOUNTRY);
  facts->Country = LocaleText(locale, LOCALE_SENGCOUNTRY, 256);
  facts->Currency = LocaleText(locale, LOCALE_SCURRENCY, 7);
  facts->DateFormat = LocaleText(locale, LOCALE_SLONGDATE, 256);
  facts->TimeFormat = LocaleText(locale, LOCALE_STIMEFORMAT, 256);
  facts->TimeZone = TimeZoneName();
}

void StoreSystemFacts(const SystemFacts& facts, SystemInfo* record) noexcept {
  record->OsName = NewTextOfWidth(NonNullText(facts.OsName), kOsNameWidth);
  record->Version = NewTextOfWidth(NonNullText(facts.Version), kVersionWidth);
  record->BuildNumber = facts.BuildNumber;
  record->ServicePack = NewTextOfWidth(NonNullText(facts.ServicePack), kServicePackWidth);
  const Text userName = NonNullText(facts.CurUserName);
  const bool nameFits = static_cast<std::size_t>(TextLength(userName)) < kUserNameWidth;
  record->CurUserName = NewTextOfWidth(nameFits ? userName : "", kUserNameWidth);
  record->WindowsFolder = NewTextOfWidth(NonNullText(facts.WindowsFolder), kFolderWidth);
  record->SysFolder = NewTextOfWidth(NonNullText(facts.SysFolder), kFolderWidth);
  record->CodePage = facts.CodePage;
  record->LocalLanguage = NewTextOfWidth(NonNullText(facts.LocalLanguage), kLocaleTextWidth);
  record->CountryCode = facts.CountryCode;
  record->Country = NewTextOfWidth(NonNullText(facts.Country), kLocaleTextWidth);
  record->Currency = NewTextOfWidth(NonNullText(facts.Currency), kLocaleTextWidth);
  record->DateFormat = NewTextOfWidth(NonNullText(facts.DateFormat), kLocaleTextWidth);
  record->TimeFormat = NewTextOfWidth(NonNullText(facts.TimeFormat), kLocaleTextWidth);
  record->TimeZone = NewTextOfWidth(NonNullText(facts.TimeZone), kLocaleTextWidth);
}

void GetSystemInfoCommand(ResultRecord* /*result*/, int count, const ArgRecord* args) noexcept {
  const auto record = AsRecord(ArgAt(count, args, 0), tag::kSystemInfoRecord);
  if (!record || *record == nullptr) return;
  SystemFacts facts;
  CollectSystemFacts(&facts);
  StoreSystemFacts(facts, static_cast<SystemInfo*>(*record));
}

}  // namespace vl
