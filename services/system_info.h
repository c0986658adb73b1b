#pragma once
// The SystemInfo record and the command that fills it with facts about the system and the
// logged-on user.
#include <cstddef>
#include <cstdint>

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

// The facts as the system gives them, in the record's members, converted from UTF-16 to the
// system's texts but not yet fitted to the members' widths. Each text is null (not known, or not
// convertible) or a runtime allocation that the facts own.
struct SystemFacts : SystemInfo {
  SystemFacts() noexcept : SystemInfo{} {}
  ~SystemFacts();
  SystemFacts(const SystemFacts&) = delete;
  SystemFacts& operator=(const SystemFacts&) = delete;
};

// Never fails: a fact the system does not supply, or one that cannot be converted, stays null or
// 0. `facts` starts empty.
void CollectSystemFacts(SystemFacts* facts) noexcept;

// Stores the facts in the record: each text member a new allocation of exactly its width, cut on
// a character boundary when the fact is longer; a logon name that does not fit is stored empty
// rather than cut (a shortened name could be another user's). Texts held before are not released.
void StoreSystemFacts(const SystemFacts& facts, SystemInfo* record) noexcept;

// GetSystemInfo(record: SystemInfo) -> none: fills the record. A missing record or an argument of
// another type is ignored.
void GetSystemInfoCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

}  // namespace vl
