// The floor: the installer's file-system, shell and registry work done with the plainest Win32
// calls and nothing else, from the same kind of payload (uncompressed, in the program's constant
// segment, through the same catalogue views). Whatever the installer spends beyond this program
// is its own overhead.
//
//   floor_install.exe [/window] <install root>
//
// With /window it shows one plain window (no controls, no Chinese text) for its whole pass, as
// every graphical installer must: under Wine saving a link costs several milliseconds more in a
// program that shows a window, so the interactive installer's pass is compared with this one.
// Without it, it shows nothing, as an unattended installation.
//
// The root is absolute; a backslash is added, as the installer's location page leaves it. Every
// path is joined from the same texts as the installer joins it (so a carried file's path has the
// installer's doubled separator): the calls get the same arguments. The timed pass is the same as
// the installer's: folders, files (the runtime files hidden from their creation; a replaced file
// renamed aside and its replacement renamed in once every file is written), registry, the
// replaced files deleted, shortcuts.
// It appends its timings to the file named by VL_BENCH_TIMINGS (see bench/install_timing.h).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app_texts.h"
#include "bench/install_timing.h"
#include "payload/catalogue.h"
#include "payload_texts.h"

namespace {

using vl::bench::Phase;

// The bytes of a byte set laid out in place: a dword 1, a dword length, then the bytes.
struct StoredBytes {
  const char* data;
  DWORD length;
};

StoredBytes BytesOf(const void* byteSet) {
  const auto* words = static_cast<const DWORD*>(byteSet);
  return {reinterpret_cast<const char*>(words + 2), words[1]};
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return std::string(path) + "\\";
}

void SaveLink(const std::string& link, const std::string& target, const std::string& arguments = {},
              const std::string& icon = {}) {
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink)))) {
    return;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    shellLink->SetPath(target.c_str());
    if (!arguments.empty()) shellLink->SetArguments(arguments.c_str());
    if (!icon.empty()) shellLink->SetIconLocation(icon.c_str(), 0);
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    file->Save(wide, TRUE);
    file->Release();
  }
  shellLink->Release();
}

void SetString(HKEY key, const char* name, const std::string& value) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

void SetDword(HKEY key, const char* name, DWORD value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The value name after the last backslash of a full value path.
const char* ValueName(const char* valuePath) { return std::strrchr(valuePath, '\\') + 1; }

enum class Written { Whole, Existed, Failed };

// Writes `path` as a new file, hidden and system when asked; one that cannot be written whole is
// deleted again.
Written WriteNew(const std::string& path, StoredBytes bytes, bool hidden) {
  const DWORD attributes = hidden ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_NORMAL;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS ? Written::Existed : Written::Failed;
  DWORD written = 0;
  const bool whole = WriteFile(file, bytes.data, bytes.length, &written, nullptr) && written == bytes.length;
  if (CloseHandle(file) && whole) return Written::Whole;
  DeleteFileA(path.c_str());
  return Written::Failed;
}

// As the installer writes the carried files: a missing one in place, an existing one as a new file
// beside it; then each replaced file renamed aside and its replacement into its place. Returns
// how many could not be written; `replaced` receives the files that were.
int WriteFiles(const std::string& root, std::vector<std::string>& replaced) {
  int failed = 0;
  for (const vl::payload::PayloadEntry& entry : vl::payload::Entries()) {
    const std::string path = root + entry.path;
    const Written inPlace = WriteNew(path, BytesOf(entry.content), entry.hiddenSystem);
    if (inPlace == Written::Existed) {
      DeleteFileA((path + ".vlnew").c_str());
      if (WriteNew(path + ".vlnew", BytesOf(entry.content), entry.hiddenSystem) == Written::Whole) {
        replaced.push_back(path);
        continue;
      }
    }
    if (inPlace != Written::Whole) ++failed;
  }
  for (const std::string& path : replaced) {
    DeleteFileA((path + ".vlold").c_str());
    if (!MoveFileExA(path.c_str(), (path + ".vlold").c_str(), 0) ||
        !MoveFileExA((path + ".vlnew").c_str(), path.c_str(), 0)) {
      ++failed;
    }
  }
  return failed;
}

int Install(const std::string& root) {
  vl::bench::PhaseClock clock;
  clock.Enter(Phase::Queries);
  const std::string programs = SpecialFolder(CSIDL_PROGRAMS);
  const std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
  const std::string appData = SpecialFolder(CSIDL_APPDATA);

  clock.Enter(Phase::Folders);
  for (const char* folder : vl::payload::Folders()) CreateDirectoryA((root + folder).c_str(), nullptr);

  clock.Enter(Phase::Files);
  std::vector<std::string> replaced;
  const int failed = WriteFiles(root, replaced);

  clock.Enter(Phase::Registry);
  const std::string registeredUninstaller = root + kUninstallerFolderForm;
  HKEY key = nullptr;
  const std::string keyPath(kDisplayIconValue,
                            ValueName(kDisplayIconValue) - 1 - kDisplayIconValue);
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    SetString(key, ValueName(kDisplayIconValue), registeredUninstaller);
    SetString(key, ValueName(kDisplayNameValue), kDisplayName);
    SetString(key, ValueName(kUninstallStringValue), "\"" + registeredUninstaller + "\"");
    SetString(key, kDisplayVersionName, kDisplayVersion);
    SetString(key, kPublisherName, kPublisher);
    SetString(key, kInstallLocationName, root + kProductFolder + kBackslash);
    DWORD bytes = 0;
    for (const vl::payload::PayloadEntry& entry : vl::payload::Entries()) bytes += BytesOf(entry.content).length;
    SetDword(key, kEstimatedSizeName, (bytes + 1023) / 1024);
    SetString(key, kUrlInfoAboutName, kProductWebAddress);
    SetDword(key, kNoModifyName, 1);
    SetDword(key, kNoRepairName, 1);
    SetString(key, kQuietUninstallStringName, "\"" + registeredUninstaller + "\"" + kSilentSwitch);
    RegCloseKey(key);
  }

  clock.Enter(Phase::Files);
  for (const std::string& path : replaced) DeleteFileA((path + ".vlold").c_str());

  clock.Enter(Phase::Folders);
  CreateDirectoryA((programs + kProductFolder).c_str(), nullptr);
  clock.Enter(Phase::Links);
  const std::string player = root + vl::payload::PlayerEntry().path;
  const std::string uninstaller = root + vl::payload::UninstallerEntry().path;
  SaveLink(desktop + kDesktopLinkName, player);
  SaveLink(programs + kProgramGroupLinkName, player);
  SaveLink(programs + kProgramGroupUninstallLinkName, uninstaller);
  // The site opens through explorer.exe, with the system's web icon.
  char windows[MAX_PATH] = {};
  char system[MAX_PATH] = {};
  GetSystemWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  SaveLink(root + kWebLinkPath, std::string(windows) + "\\explorer.exe", kProductWebAddress,
           std::string(system) + "\\url.dll");
  SaveLink(appData + kQuickLaunchLinkName, player);

  clock.Finish("floor");
  return failed == 0 ? 0 : 1;
}

// One plain window, shown and painted, for as long as it lives.
class PlainWindow {
 public:
  PlainWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "FloorWindow";
    RegisterClassA(&windowClass);
    m_window = CreateWindowA("FloorWindow", "floor", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                             480, 358, nullptr, nullptr, windowClass.hInstance, nullptr);
    UpdateWindow(m_window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  ~PlainWindow() { DestroyWindow(m_window); }
  PlainWindow(const PlainWindow&) = delete;
  PlainWindow& operator=(const PlainWindow&) = delete;

 private:
  HWND m_window = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  const bool window = argc == 3 && std::strcmp(argv[1], "/window") == 0;
  if (argc != 2 + (window ? 1 : 0) || argv[argc - 1][0] == '\0') return 2;
  std::string root = argv[argc - 1];
  if (root.back() != '\\') root += '\\';
  if (FAILED(CoInitialize(nullptr))) return 3;
  int code = 0;
  {
    std::optional<PlainWindow> shown;
    if (window) shown.emplace();
    code = Install(root);
  }
  CoUninitialize();
  return code;
}
