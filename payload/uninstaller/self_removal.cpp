#include "self_removal.h"

#include <cstdio>
#include <span>

#include "paths.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"
#include "services/access_control.h"
#include "uninstaller_texts.h"

// The helper's image, carried in this program's read-only data (cleanup_helper_image.S).
extern "C" const unsigned char kCleanupHelperImage[];
extern "C" const unsigned char kCleanupHelperImageEnd[];

// The system's random source (RtlGenRandom), exported by advapi32 under this name.
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace vl::uninstall {
namespace {

// How long the helper may take to start and answer; far more than it needs.
constexpr DWORD kHelperAnswerMs = 30000;
// Attempts at a folder name nobody took; a name is taken only by someone who guesses 64 bits.
constexpr int kFolderAttempts = 4;

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// A new folder for the helper; empty when none could be made. Never one that was there already:
// its access list would be whatever its maker chose.
std::string CreateHelperFolder(const std::string& temp) {
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
    unsigned char random[8];
    if (!SystemFunction036(random, sizeof random)) return {};
    std::string folder = temp + kCleanupFolderPrefix;
    for (const unsigned char byte : random) {
      folder += "0123456789abcdef"[byte >> 4];
      folder += "0123456789abcdef"[byte & 15];
    }
    if (CreateFolderWithAccess(folder.c_str(), kCleanupFolderAccess)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

// Writes the helper as a new file and opens it again for reading only, sharing reads alone, so
// that from then on it can be started but neither changed nor replaced. The reopened file must be
// the one written: the gap between the two opens is covered by the identity check (and by the
// folder's access list). An invalid handle when any step fails.
UniqueFile WriteHelper(const WideText& path) {
  if (!path.Valid()) return {};
  const std::span<const unsigned char> image(kCleanupHelperImage, kCleanupHelperImageEnd);
  BY_HANDLE_FILE_INFORMATION written = {};
  {
    UniqueFile file(CreateFileW(path.Get(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD count = 0;
    if (!file || !WriteFile(file.Get(), image.data(), static_cast<DWORD>(image.size()), &count, nullptr) ||
        count != image.size() || !GetFileInformationByHandle(file.Get(), &written) ||
        !CloseHandle(file.Release())) {
      return {};
    }
  }
  UniqueFile held(CreateFileW(path.Get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION reopened = {};
  if (!held || !GetFileInformationByHandle(held.Get(), &reopened) || !SameFile(written, reopened)) return {};
  return held;
}

// Starts the helper and waits for its answer; true when it accepted.
bool RunHelper(const std::string& helper, const std::string& temp, const std::string& self) {
  // The process handle is the helper's proof that this uninstaller started it, and what it waits
  // on; the event tells this process that the helper has accepted the work.
  HANDLE inheritable = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &inheritable,
                       SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, TRUE, 0)) {
    return false;
  }
  const UniqueKernelHandle ownProcess(inheritable);
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  const UniqueKernelHandle ready(CreateEventW(&inherited, TRUE, FALSE, nullptr));
  if (!ready) return false;
  std::string commandLine(helper.size() + self.size() + 64, '\0');
  std::snprintf(commandLine.data(), commandLine.size(), kCleanupHelperCommandForm, helper.c_str(),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(ownProcess.Get())),
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(ready.Get())), self.c_str());
  const WideText wideHelper(helper);
  const WideText wideCommand(commandLine.c_str());
  const WideText wideTemp(temp);
  if (!wideHelper.Valid() || !wideCommand.Valid() || !wideTemp.Valid()) return false;
  // The system may write into the command line it is given.
  std::wstring writableCommand(wideCommand.Get(), wideCommand.Length());

  PROCESS_INFORMATION process = {};
  // Started in the temporary folder: a current folder inside the product folder would keep it.
  if (!StartHelperProcess(wideHelper.Get(), writableCommand.data(), wideTemp.Get(), &process)) return false;
  CloseHandle(process.hThread);
  const UniqueKernelHandle helperProcess(process.hProcess);
  // Either the helper accepts, or it ends having refused.
  const HANDLE waits[] = {ready.Get(), helperProcess.Get()};
  if (WaitForMultipleObjects(2, waits, FALSE, kHelperAnswerMs) == WAIT_OBJECT_0) return true;
  // A helper that has not answered is ended, so that its file can go.
  TerminateProcess(helperProcess.Get(), 1);
  WaitForSingleObject(helperProcess.Get(), kHelperAnswerMs);
  return false;
}

}  // namespace

bool StartCleanupHelper(const std::string& self) {
  const std::optional<std::string> temp = TempFolder();
  if (!temp) return false;
  const std::string folder = CreateHelperFolder(*temp);
  if (folder.empty()) return false;
  const std::string helper = folder + kCleanupHelperName;
  const WideText wideHelper(helper);
  bool accepted = false;
  {
    const UniqueFile held = WriteHelper(wideHelper);
    accepted = held && RunHelper(helper, *temp, self);
  }
  if (!accepted) {
    // An image that has just ended may stay held a moment longer.
    for (int attempt = 0; attempt < 40 && wideHelper.Valid() && !DeleteFileW(wideHelper.Get()) &&
                          GetLastError() != ERROR_FILE_NOT_FOUND;
         ++attempt) {
      Sleep(50);
    }
    const WideText wideFolder(folder);
    if (wideFolder.Valid()) RemoveDirectoryW(wideFolder.Get());
  }
  return accepted;
}

}  // namespace vl::uninstall
