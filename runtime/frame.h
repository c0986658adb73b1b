#pragma once
// The entry points the program's routines use: values, commands, memory, services and the life
// of the program. Handlers include this and nothing of the runtime's insides.
#include <cstdint>

#include "arg_record.h"
#include "byte_set.h"
#include "command_call.h"
#include "memory.h"
#include "numbers.h"
#include "text_value.h"

namespace vl {

inline constexpr int kServiceRegisterCleanup = 3;  // argument: the clean-up routine
inline constexpr int kServiceStartRuntime = 6;     // argument: none

// 6 runs the runtime start-up; 3 registers the program's clean-up routine (replacing an earlier
// one). Other numbers belong to services this program does not use and are ignored.
void CallService(int service, std::uintptr_t argument = 0) noexcept;

// Creates the program's first page; an unknown id or a page that cannot be built is fatal.
void LoadStartPage(std::uint32_t pageId) noexcept;

// Runs until the program's last page has closed; returns at once when no page window exists.
void RunMessageLoop() noexcept;

// Runs the end routine and ends the process with `exitCode`. Callable from any thread.
[[noreturn]] void EndProgram(int exitCode) noexcept;

}  // namespace vl

// The program's own entry routine, called once the process and the framework have started.
// Returns 0 once its message loop has ended.
int ProgramEntry();
