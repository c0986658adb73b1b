#pragma once
// The record through which each of the runtime's libraries describes itself: its identity, the
// data types it defines (page and control kinds, record types) and the commands this program
// calls, and the notification function through which the runtime and the library talk.
#include <cstdint>

#include "command_call.h"

namespace vl {

inline constexpr std::uint32_t kLibraryFormat = 0x01312D65;

// Codes the runtime sends to a library's notification function.
inline constexpr int kLibraryStartCode = 1;  // arg1: the runtime's notification entry
inline constexpr int kLibraryEndCode = 6;    // the program is ending

// Requests a library sends back through the runtime's notification entry.
inline constexpr int kRuntimeAllocate = 1;  // arg1: size; answers a pointer or 0
inline constexpr int kRuntimeFree = 2;      // arg1: pointer
inline constexpr int kRuntimeFatal = 3;     // arg1: message text; does not return

using NotificationFunction = std::intptr_t (*)(int code, std::intptr_t arg1, std::intptr_t arg2) noexcept;

struct KindDescriptor;

// One data type of a library, found by (library number << 16) | type number, both from 1. A slot
// without a name is a type of the wider runtime that this program does not carry. A page or
// control kind names its descriptor (property table and interface function); a record type has
// none.
struct DataTypeInfo {
  Text name;
  const KindDescriptor* kind;
};

struct LibraryRecord {
  std::uint32_t format;      // kLibraryFormat
  Text identifier;           // 32 hexadecimal digits
  std::uint32_t versionMajor;
  std::uint32_t versionMinor;
  std::uint32_t build;
  std::uint32_t runtimeMajor;  // runtime version the library needs
  std::uint32_t runtimeMinor;
  Text name;
  std::uint32_t language;
  std::uint32_t flags;
  std::uint32_t dataTypeCount;
  const DataTypeInfo* dataTypes;
  std::uint32_t commandCount;
  const CommandInfo* commands;
  NotificationFunction notify;  // may be null
};

}  // namespace vl
