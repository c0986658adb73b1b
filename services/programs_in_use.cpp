#include "programs_in_use.h"

#include <windows.h>
#include <restartmanager.h>
#include <tlhelp32.h>

#include <cstring>

#include "runtime/memory.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"
#include "services/run_log.h"

namespace vl {
namespace {

// More than the product's files.
constexpr std::size_t kMostFiles = 64;
constexpr int kTitleLength = sizeof ProgramInUse::title / sizeof(wchar_t);

struct FileIdentity {
  DWORD volume;
  DWORD indexHigh;
  DWORD indexLow;
};

// The identity of the file at `path`, following links as the loader does; false when it cannot
// be opened.
bool IdentityOf(const wchar_t* path, FileIdentity& identity) noexcept {
  const UniqueFile file(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION information;
  if (!file || !GetFileInformationByHandle(file.Get(), &information)) return false;
  identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
  return true;
}

const wchar_t* FileName(const wchar_t* path) noexcept {
  const wchar_t* name = path;
  for (; *path != L'\0'; ++path) {
    if (*path == L'\\') name = path + 1;
  }
  return name;
}

// Whether two file names are the same as Windows compares them, for names whose only letters
// with a case are ASCII (the product's): a candidate is then confirmed by identity.
bool SameName(const wchar_t* a, const wchar_t* b) noexcept {
  const auto folded = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
  for (; *a != L'\0' && folded(*a) == folded(*b); ++a, ++b) {
  }
  return folded(*a) == folded(*b);
}

// The files of the list that exist, as full wide paths, and their identities.
class ProductFiles {
 public:
  explicit ProductFiles(const ProductFileList& files) noexcept {
    for (std::size_t i = 0; i < files.count && m_count < kMostFiles; ++i) {
      const WideText wide(ConcatTexts({files.root, files.path(i)}).Get());
      // A file that cannot be opened cannot be held as an image either.
      if (!wide.Valid() || !IdentityOf(wide.Get(), m_identities[m_count])) continue;
      const std::size_t bytes = (wide.Length() + 1) * sizeof(wchar_t);
      m_paths[m_count++] = static_cast<wchar_t*>(std::memcpy(AllocateMemory(bytes), wide.Get(), bytes));
    }
  }
  ~ProductFiles() {
    for (std::size_t i = 0; i < m_count; ++i) FreeMemory(m_paths[i]);
  }
  ProductFiles(const ProductFiles&) = delete;
  ProductFiles& operator=(const ProductFiles&) = delete;

  std::size_t Count() const noexcept { return m_count; }
  const wchar_t* const* Paths() const noexcept { return m_paths; }

  // Whether a process whose image has this file name may hold one of the files.
  bool NamesImage(const wchar_t* image) const noexcept {
    for (std::size_t i = 0; i < m_count; ++i) {
      if (SameName(FileName(m_paths[i]), image)) return true;
    }
    return false;
  }
  bool Holds(const wchar_t* path) const noexcept {
    FileIdentity identity;
    if (!IdentityOf(path, identity)) return false;
    for (std::size_t i = 0; i < m_count; ++i) {
      if (std::memcmp(&m_identities[i], &identity, sizeof identity) == 0) return true;
    }
    return false;
  }

 private:
  wchar_t* m_paths[kMostFiles];
  FileIdentity m_identities[kMostFiles];
  std::size_t m_count = 0;
};

// The full path of a process's image into `path`; false when the system does not say.
bool ImagePath(DWORD processId, wchar_t (&path)[MAX_PATH]) noexcept {
  const UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  DWORD length = MAX_PATH;
  return process && QueryFullProcessImageNameW(process.Get(), 0, path, &length);
}

// The modules of a 32-bit process; for a 64-bit one, which a 32-bit program cannot list, the
// snapshot fails and nothing is found.
bool LoadsProductModule(DWORD processId, const ProductFiles& files) noexcept {
  const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
  if (!snapshot) return false;
  MODULEENTRY32W module = {};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(snapshot.Get(), &module); more; more = Module32NextW(snapshot.Get(), &module)) {
    if (files.Holds(module.szExePath)) return true;
  }
  return false;
}

// Each top-level window of a process: asked to close (`title` null), or searched for the main
// window's title: the first visible window that no other owns and that has one. The system reads
// another process's window title without sending it a message, so that a program that does not
// answer cannot hold this one up.
struct WindowVisit {
  DWORD processId;
  wchar_t* title;
};

BOOL CALLBACK VisitProcessWindow(HWND window, LPARAM context) {
  const auto& visit = *reinterpret_cast<const WindowVisit*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != visit.processId) return TRUE;
  if (visit.title == nullptr) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
  }
  return !IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr ||
         GetWindowTextW(window, visit.title, kTitleLength) <= 0;
}

void Add(ProgramsInUse& found, DWORD processId, const wchar_t* image, bool closable) noexcept {
  if (processId == GetCurrentProcessId() || found.count == kMostPrograms) return;
  for (std::size_t i = 0; i < found.count; ++i) {
    if (found.programs[i].processId == processId) return;  // the Restart Manager named it already
  }
  ProgramInUse& program = found.programs[found.count++];
  DWORD ownSession = 0;
  DWORD session = 0;
  program.processId = processId;
  program.closable = closable && ProcessIdToSessionId(GetCurrentProcessId(), &ownSession) &&
                     ProcessIdToSessionId(processId, &session) && session == ownSession;
  if (!ImagePath(processId, program.image)) lstrcpynW(program.image, image, MAX_PATH);
  program.title[0] = L'\0';
  WindowVisit visit{processId, program.title};
  EnumWindows(VisitProcessWindow, reinterpret_cast<LPARAM>(&visit));
}

// What the Restart Manager knows holds the files; nothing where the system has none. Loaded
// from the system folder by name: it is not among the DLLs the system always takes from there.
void AskRestartManager(const ProductFiles& files, ProgramsInUse& found) noexcept {
  const UniqueModule library(LoadLibraryExW(L"rstrtmgr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  static const char* const kNames[] = {"RmStartSession", "RmRegisterResources", "RmGetList", "RmEndSession"};
  FARPROC functions[std::size(kNames)] = {};
  for (std::size_t i = 0; library && i < std::size(kNames); ++i) {
    functions[i] = GetProcAddress(library.Get(), kNames[i]);
    if (functions[i] == nullptr) return;
  }
  if (!library) return;
  const auto start = reinterpret_cast<decltype(&RmStartSession)>(reinterpret_cast<void*>(functions[0]));
  const auto registerFiles = reinterpret_cast<decltype(&RmRegisterResources)>(reinterpret_cast<void*>(functions[1]));
  const auto list = reinterpret_cast<decltype(&RmGetList)>(reinterpret_cast<void*>(functions[2]));
  const auto end = reinterpret_cast<decltype(&RmEndSession)>(reinterpret_cast<void*>(functions[3]));
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1];
  if (start(&session, 0, key) != ERROR_SUCCESS) return;
  DWORD status =
      registerFiles(session, static_cast<UINT>(files.Count()), const_cast<LPCWSTR*>(files.Paths()), 0, nullptr, 0, nullptr);
  // Room for the programs one search names. With more, the Restart Manager fills in none, and
  // the walk below still finds those of this session.
  auto* processes = static_cast<RM_PROCESS_INFO*>(AllocateMemory(kMostPrograms * sizeof(RM_PROCESS_INFO)));
  UINT needed = 0;
  UINT count = kMostPrograms;
  DWORD reasons = 0;
  if (status == ERROR_SUCCESS) status = list(session, &needed, &count, processes, &reasons);
  end(session);
  for (UINT i = 0; status == ERROR_SUCCESS && i < count && i < kMostPrograms; ++i) {
    // The shell holds a picture or an icon for a moment, and closing its windows would close the
    // user's desktop: it is left to the retries of a refused step. A service, or a process the
    // system needs, is named but not asked to close.
    const RM_APP_TYPE type = processes[i].ApplicationType;
    if (type == RmExplorer) continue;
    Add(found, processes[i].Process.dwProcessId, processes[i].strAppName, type != RmService && type != RmCritical);
  }
  FreeMemory(processes);
}

// Every other process whose image has the name of one of the product's files, when that image
// or one of its modules is one of them.
void WalkProcesses(const ProductFiles& files, ProgramsInUse& found) noexcept {
  const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
    const DWORD id = entry.th32ProcessID;
    if (id == GetCurrentProcessId() || !files.NamesImage(entry.szExeFile)) continue;
    wchar_t image[MAX_PATH];
    if ((ImagePath(id, image) && files.Holds(image)) || LoadsProductModule(id, files)) {
      Add(found, id, entry.szExeFile, true);
    }
  }
}

// A log line for each program that stops an unattended run.
void LogStillRunning(const ProgramsInUse& found) noexcept {
  for (std::size_t i = 0; i < found.count; ++i) {
    std::size_t length = 0;
    char* image = TextFromWide(found.programs[i].image, &length);
    if (image != nullptr) LogAction("program", false, {image, length});
    FreeMemory(image);
  }
}

}  // namespace

void FindProgramsInUse(const ProductFileList& files, ProgramsInUse& found) noexcept {
  found.count = 0;
  // A first installation finds no file and pays nothing more.
  const ProductFiles product(files);
  if (product.Count() == 0) return;
  AskRestartManager(product, found);
  // Wine's Restart Manager answers, but with nothing: the walk runs whatever it said.
  WalkProcesses(product, found);
}

char* ProgramLines(const ProgramsInUse& found) noexcept {
  // Each line: the name, "（" title "）" where there is one, and a line break.
  wchar_t lines[kMostPrograms * (MAX_PATH + kTitleLength + 4)];
  wchar_t* end = lines;
  for (std::size_t i = 0; i < found.count; ++i) {
    const ProgramInUse& program = found.programs[i];
    const wchar_t* parts[] = {i > 0 ? L"\r\n" : L"", FileName(program.image), program.title[0] != L'\0' ? L"（" : L"",
                              program.title, program.title[0] != L'\0' ? L"）" : L""};
    for (const wchar_t* part : parts) {
      while (*part != L'\0') *end++ = *part++;
    }
  }
  return TextFromWide({lines, static_cast<std::size_t>(end - lines)});
}

void CloseGracefully(const ProgramsInUse& found) noexcept {
  for (std::size_t i = 0; i < found.count; ++i) {
    WindowVisit visit{found.programs[i].processId, nullptr};
    if (found.programs[i].closable) EnumWindows(VisitProcessWindow, reinterpret_cast<LPARAM>(&visit));
  }
  // Each is waited for in turn, within one deadline; meanwhile this program's windows stay alive:
  // it paints, and its buttons answer. (A process that ended before it is opened here is not
  // waited for, nor one whose id went to another in the meantime: the search that follows asks
  // again which programs hold the files.)
  const ULONGLONG deadline = GetTickCount64() + kCloseTimeoutMs;
  for (std::size_t i = 0; i < found.count; ++i) {
    const UniqueKernelHandle process(
        found.programs[i].closable ? OpenProcess(SYNCHRONIZE, FALSE, found.programs[i].processId) : nullptr);
    HANDLE handle = process.Get();
    while (handle != nullptr && GetTickCount64() < deadline &&
           MsgWaitForMultipleObjects(1, &handle, FALSE, 50, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
}

FilesInUse ReleaseFiles(const ProductFileList& files, AskToClose ask, bool closeUnattended) noexcept {
  ProgramsInUse found;
  for (bool closed = false;; closed = true) {
    FindProgramsInUse(files, found);
    if (found.count == 0) return FilesInUse::Released;
    bool closable = true;
    for (std::size_t i = 0; i < found.count; ++i) closable = closable && found.programs[i].closable;
    if (ask != nullptr) {
      char* lines = ProgramLines(found);
      const bool agreed = ask(lines, closable);
      FreeMemory(lines);
      if (!agreed) return FilesInUse::Declined;
    } else if (!closeUnattended || !closable || closed) {
      LogStillRunning(found);
      return FilesInUse::StillHeld;
    }
    // A list with a program that cannot be closed was only to be looked at again.
    if (closable) CloseGracefully(found);
  }
}

}  // namespace vl
