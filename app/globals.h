#pragma once
// The installer's program-wide variables: they live from the program entry to the clean-up
// routine.
#include "runtime/text_value.h"
#include "services/command_line.h"
#include "services/system_info.h"

namespace vl::installer {

// The install root the user accepted on LocationPage: absolute, ending in one backslash. Null
// until the user leaves that page forward.
extern char* InstallRoot;
// Facts about the machine, filled at the start of the installation. Allocated by InitGlobals.
extern SystemInfo* MachineInfo;
// How many steps of the installation failed: shortcut saves that were attempted and failed, or
// the undoing of a failed installation. The report tells it.
extern int FailedStepCount;
// Whether a failed step undid the installation, and what it left: the installation that was there
// before, or nothing.
enum class Undone { kNo, kOldKept, kNothingInstalled };
extern Undone PassUndone;
// Backups of replaced files that a program holds, deleted at the next restart.
extern int ScheduledBackups;
// Whether accepting the root made the product folder, which a first installation that is undone
// removes again.
extern bool ProductFolderMade;

// The report ProgressPage shows, built on its first tick once the installation has run; null
// before.
extern char* Report;

// The switches the program was started with; read before anything else.
extern CommandLine Options;

// Makes `root` the install root, releasing the one before.
void ReplaceInstallRoot(OwnedText root) noexcept;

// The install root the command line asked for (/D=), or the default one.
Text RequestedRoot() noexcept;

// Allocates MachineInfo with every member zero; InstallRoot starts absent.
void InitGlobals() noexcept;
// The program's clean-up routine: releases InstallRoot, the report, the switches' texts, the
// text members of MachineInfo in member order, then the record.
void ReleaseGlobals() noexcept;

}  // namespace vl::installer
