#pragma once
// Every runtime command has one shape: it receives a result record (zeroed by the frame), the
// argument count and the argument records in argument order, and keeps no argument pointer
// beyond the call. Texts and byte sets it returns are new allocations owned by the caller.
#include "arg_record.h"

namespace vl {

using Command = void (*)(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// A command as a library lists it.
struct CommandInfo {
  Text name;
  Command run;
};

// Calls `command` once and hands back its result record: a caller that wants none of it says so.
// The program's routines reach commands through their libraries' tables (CallLibraryCommand,
// frame.h).
[[nodiscard]] ResultRecord CallCommand(Command command, int count, const ArgRecord* args) noexcept;
[[nodiscard]] ResultRecord CallCommand(Command command, const ArgList& args) noexcept;

// Reads of a result record; a result of another type reads as 0, false or null.
std::int32_t IntResult(const ResultRecord& r) noexcept;
bool BoolResult(const ResultRecord& r) noexcept;
// The text a command returned, now the caller's.
OwnedText TextResult(const ResultRecord& r) noexcept;

// The argument at `index`, or an omitted record when the caller passed fewer.
const ArgRecord& ArgAt(int count, const ArgRecord* args, int index) noexcept;

// Result writers for commands.
void SetIntResult(ResultRecord* r, std::int32_t value) noexcept;
void SetBoolResult(ResultRecord* r, bool value) noexcept;
// The caller receives `text` (null for the empty text).
void SetTextResult(ResultRecord* r, OwnedText text) noexcept;

}  // namespace vl
