#pragma once
// The SystemInfo record and the command that fills it with facts about the system and the
// logged-on user.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/command_call.h"

namespace vl {

// Fifteen 4-byte slots in this order; text members are runtime allocations owned by the record,
// each exactly its width long (the width counts the terminator).
struct SystemInfo {
  char* OsName;
  char* Version;
  std::int32_t BuildNumber;
  char* ServicePack;
  char* CurUserName;
  char* WindowsFolder;
  char* SysFolder;
  std::int32_t CodePage;
  char* LocalLanguage;
  std::int32_t CountryCode;
  char* Country;
  char* Currency;
  char* DateFormat;
  char* TimeFormat;
  char* TimeZone;
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SystemInfo) == 60, "the record is fifteen 32-bit slots");
#endif

inline constexpr std::size_t kOsNameWidth = 100;
inline constexpr std::size_t kVersionWidth = 20;
inline constexpr std::size_t kServicePackWidth = 20;
inline constexpr std::size_t kUserNameWidth = 100;
inline constexpr std::size_t kFolderWidth = 260;
inline constexpr std::size_t kLocaleTextWidth = 30;

// The facts as the system gives them, before they are fitted into the record.
struct SystemFacts {
  std::string osName;
  std::string version;
  std::int32_t buildNumber = 0;
  std::string servicePack;
  std::string userName;
  std::string windowsFolder;
  std::string systemFolder;
  std::int32_t codePage = 0;
  std::string language;
  std::int32_t countryCode = 0;
  std::string country;
  std::string currency;
  std::string dateFormat;
  std::string timeFormat;
  std::string timeZone;
};

// Never fails: a fact the system does not supply is the empty text or 0.
SystemFacts CollectSystemFacts();

// Stores the facts in the record: each text member a new allocation of exactly its width, cut on
// a character boundary when the fact is longer; a logon name that does not fit is stored empty
// rather than cut (a shortened name could be another user's). Texts held before are not released.
void StoreSystemFacts(const SystemFacts& facts, SystemInfo* record) noexcept;

// GetSystemInfo(record: SystemInfo) -> none: fills the record. A missing record or an argument of
// another type is ignored.
void GetSystemInfoCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
