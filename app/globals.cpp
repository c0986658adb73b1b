#include "globals.h"

#include <cstring>

#include "app_texts.h"
#include "runtime/frame.h"

namespace vl::installer {

char* InstallRoot = nullptr;
SystemInfo* MachineInfo = nullptr;
int FailedStepCount = 0;
Undone PassUndone = Undone::kNo;
int ScheduledBackups = 0;
bool ProductFolderMade = false;
char* Report = nullptr;
CommandLine Options;

void ReplaceInstallRoot(OwnedText root) noexcept {
  FreeMemory(InstallRoot);
  InstallRoot = root.Release();
}

Text RequestedRoot() noexcept { return Options.root != nullptr ? Options.root : kDefaultInstallRoot; }

void InitGlobals() noexcept {
  MachineInfo = static_cast<SystemInfo*>(AllocateMemory(sizeof(SystemInfo)));
  std::memset(MachineInfo, 0, sizeof(SystemInfo));
}

void ReleaseGlobals() noexcept {
  FreeMemory(InstallRoot);
  InstallRoot = nullptr;
  FreeMemory(Report);
  Report = nullptr;
  ReleaseCommandLine(Options);
  if (MachineInfo == nullptr) return;
  for (char* text : {MachineInfo->OsName, MachineInfo->Version, MachineInfo->ServicePack, MachineInfo->CurUserName,
                     MachineInfo->WindowsFolder, MachineInfo->SysFolder, MachineInfo->LocalLanguage,
                     MachineInfo->Country, MachineInfo->Currency, MachineInfo->DateFormat, MachineInfo->TimeFormat,
                     MachineInfo->TimeZone}) {
    FreeMemory(text);
  }
  FreeMemory(MachineInfo);
  MachineInfo = nullptr;
}

}  // namespace vl::installer
