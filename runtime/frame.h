#pragma once
// The entry points the program's routines use: values, commands, memory, services and the life
// of the program. Handlers include this and nothing of the runtime's insides.
#include <cstdint>

#include "arg_record.h"
#include "byte_set.h"
#include "command_call.h"
#include "controls/properties.h"
#include "memory.h"
#include "numbers.h"
#include "text_value.h"

namespace vl {

inline constexpr int kServiceRegisterCleanup = 3;  // argument: the clean-up routine
inline constexpr int kServiceStartRuntime = 6;     // argument: none

// 6 runs the runtime start-up; 3 registers the program's clean-up routine (replacing an earlier
// one). Other numbers belong to services this program does not use and are ignored.
void CallService(int service, std::uintptr_t argument = 0) noexcept;

// Calls the command at position `command` of the command table of the library at position
// `library` of the program's library table (libraries/libraries.h names both): how the program's
// routines reach every command. A position the tables do not hold is fatal.
[[nodiscard]] ResultRecord CallLibraryCommand(int library, int command, const ArgList& args) noexcept;

// Creates the program's first page; an unknown id or a page that cannot be built is fatal.
void LoadStartPage(std::uint32_t pageId) noexcept;

// Runs until the program's last page has closed; returns at once when no page window exists.
void RunMessageLoop() noexcept;

// The program runs unattended, for an administrator's script, and must never wait on a person:
// from now on no message box appears, the fatal error's included (a message-box command answers
// as if OK was pressed). Called before the start-up, it also makes the start-up lighter: COM
// alone instead of OLE (whose additions are the clipboard and drag and drop) and no hidden
// window, since such a run shows no page and hands the GUI thread nothing from other threads.
void RunUnattended() noexcept;

// Has `routine` run on the GUI thread as soon as it takes its messages (a message box's loop
// included): how another thread hands the GUI thread its result. Callable from any thread once
// the start-up has run, unless it runs unattended; after the end routine nothing runs.
void PostToGuiThread(void (*routine)()) noexcept;

// Runs the end routine and ends the process with `exitCode`. Callable from any thread.
[[noreturn]] void EndProgram(int exitCode) noexcept;

}  // namespace vl

// The program's own entry routine, called once the process and the framework have started.
// Returns 0 once its message loop has ended.
int ProgramEntry();
