#include "self_removal.h"

#include <windows.h>

#include <cstdio>

#include "runtime/unique_handle.h"
#include "uninstaller_texts.h"

// The helper's image, carried in this program's read-only data (cleanup_helper_image.S).
extern "C" const unsigned char kCleanupHelperImage[];
extern "C" const unsigned char kCleanupHelperImageEnd[];

namespace vl::uninstall {
namespace {

// How long the helper may take to start and accept; far more than it needs.
constexpr DWORD kHelperAcceptMs = 30000;

bool WriteHelper(const std::string& path) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const DWORD size = static_cast<DWORD>(kCleanupHelperImageEnd - kCleanupHelperImage);
  DWORD written = 0;
  return WriteFile(file.Get(), kCleanupHelperImage, size, &written, nullptr) && written == size;
}

}  // namespace

bool StartCleanupHelper(const std::string& self) {
  char temp[MAX_PATH + 1] = {};
  const DWORD tempLength = GetTempPathA(MAX_PATH, temp);
  if (tempLength == 0 || tempLength >= MAX_PATH) return false;
  char helper[MAX_PATH * 2];
  std::snprintf(helper, sizeof helper, kCleanupHelperFileForm, temp,
                static_cast<unsigned long>(GetCurrentProcessId()));
  if (!WriteHelper(helper)) {
    DeleteFileA(helper);
    return false;
  }

  // The process handle is the helper's proof that this uninstaller started it, and what it
  // waits on; the event tells this process that the helper has accepted the work.
  HANDLE inheritable = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &inheritable,
                       SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, TRUE, 0)) {
    DeleteFileA(helper);
    return false;
  }
  UniqueKernelHandle ownProcess(inheritable);
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  UniqueKernelHandle ready(CreateEventA(&inherited, TRUE, FALSE, nullptr));
  if (!ready) {
    DeleteFileA(helper);
    return false;
  }
  std::string commandLine(self.size() + MAX_PATH * 2 + 64, '\0');
  std::snprintf(commandLine.data(), commandLine.size(), kCleanupHelperCommandForm, helper,
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(ownProcess.Get())),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(ready.Get())), self.c_str());

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // Started in the temporary folder: a current folder inside the product folder would keep it.
  if (!CreateProcessA(helper, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, temp,
                      &startup, &process)) {
    DeleteFileA(helper);
    return false;
  }
  CloseHandle(process.hThread);
  UniqueKernelHandle helperProcess(process.hProcess);
  // Either the helper accepts, or it has ended having refused (or failed to start).
  const HANDLE waits[] = {ready.Get(), helperProcess.Get()};
  return WaitForMultipleObjects(2, waits, FALSE, kHelperAcceptMs) == WAIT_OBJECT_0;
}

}  // namespace vl::uninstall
