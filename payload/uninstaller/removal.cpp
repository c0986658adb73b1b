#include "removal.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

#include "installed_files.h"
#include "paths.h"
#include "payload_texts.h"
#include "runtime/com_ptr.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"
#include "services/replacement_name.h"
#include "services/run_log.h"
#include "services/pass_steps.h"
#include "services/sharing_retry.h"

namespace vl::uninstall {
namespace {

constexpr char kLocalMachineName[] = "HKEY_LOCAL_MACHINE\\";

using UniqueItemList = UniqueHandle<NullHandleTraits<PIDLIST_ABSOLUTE, CoTaskMemFree>>;

// A special folder's path without a trailing backslash; empty when the system names none.
std::string SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return {};
  path[MAX_PATH] = L'\0';
  std::wstring_view folder = path;
  if (folder.ends_with(L'\\')) folder.remove_suffix(1);
  return FromWide(folder).value_or(std::string());
}

// `path` as a system that keeps paths in its own code page writes it: "?" for every character the
// code page lacks.
std::string InSystemCodePage(const std::string& path) {
  const WideText wide(path);
  if (!wide.Valid()) return path;
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.Get(), -1, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(std::max(size, 1)), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.Get(), -1, narrow.data(), size, nullptr, nullptr);
  std::wstring back(narrow.size(), L'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, back.data(), static_cast<int>(back.size()));
  back.resize(static_cast<std::size_t>(std::max(length - 1, 0)));
  return FromWide(back).value_or(path);
}

enum class Removal { Gone, Absent, Failed, LeftLink, Scheduled };

// Hidden, system and read-only files cannot be deleted as they are.
constexpr DWORD kBlockingAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;

// `step` on `path`, tried again while it is refused with a sharing violation.
bool RetriedWhileShared(BOOL(WINAPI* step)(const wchar_t*), const wchar_t* path) {
  for (const ULONGLONG start = GetTickCount64(); !step(path);) {
    if (!TryAgainWhileShared(start)) return false;
  }
  return true;
}

// Deletes one file; Absent when it never was there. A folder standing where the file was is
// not the installation's and is left alone (its parent then stays as well); a junction or
// symbolic link is left as it is, whatever it leads to. With `scheduleWhenHeld`, a file that
// cannot be deleted now is scheduled for deletion when the system next starts, its attributes
// left cleared (the system's deletion at start-up refuses a read-only file).
Removal DeleteInstalledFile(const std::string& path, bool scheduleWhenHeld = false) {
  const WideText wide(path);
  if (!wide.Valid()) return Removal::Failed;
  const DWORD attributes = GetFileAttributesW(wide.Get());
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(GetLastError()) ? Removal::Absent : Removal::Failed;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Removal::LeftLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Removal::Absent;
  const bool cleared = (attributes & kBlockingAttributes) != 0;
  if (cleared) {
    const DWORD rest = attributes & ~kBlockingAttributes;
    SetFileAttributesW(wide.Get(), rest == 0 ? FILE_ATTRIBUTE_NORMAL : rest);
  }
  if (RetriedWhileShared(DeleteFileW, wide.Get())) return Removal::Gone;
  const DWORD error = GetLastError();
  if (IsMissing(error)) return Removal::Gone;
  if (scheduleWhenHeld && DeleteFileAtRestart(path)) return Removal::Scheduled;
  // The file stays: it stays as the installation left it.
  if (cleared) SetFileAttributesW(wide.Get(), attributes);
  return Removal::Failed;
}

// The run log names what was there: what went, what could not, and what stays on purpose.
void Failed(const char* action, const std::string& path, RemovalReport& report) {
  LogAction(action, false, path);
  report.Failed(path);
}

void Kept(const std::string& folder, RemovalReport& report) {
  LogKept("folder", folder);
  report.Kept(folder);
}

void LeftLink(const char* action, const std::string& path, RemovalReport& report) {
  LogKept(action, path);
  report.LeftLink(path);
}

void Scheduled(const char* action, const std::string& path, RemovalReport& report) {
  LogScheduled(action, path);
  report.Scheduled(path);
}

// `action` names what the file is in the run log: a file or a shortcut. `logged` is the path the
// log and the report give for a file that went (its installed path for one that was moved aside).
void DeleteOrRecord(const char* action, const std::string& path, RemovalReport& report,
                    bool scheduleWhenHeld = false, const std::string* logged = nullptr) {
  switch (DeleteInstalledFile(path, scheduleWhenHeld)) {
    case Removal::Gone: LogAction(action, true, logged != nullptr ? *logged : path); break;
    case Removal::Absent: break;
    case Removal::Failed: Failed(action, path, report); break;
    case Removal::LeftLink: LeftLink(action, path, report); break;
    case Removal::Scheduled: Scheduled(action, path, report); break;
  }
}

enum class SetAside { Moved, Absent, Refused, LeftLink };

// Moves an installed file to its removal name. A leftover under that name, from a run that was
// interrupted, is deleted first: it would refuse the move.
SetAside MoveToRemovalName(const std::string& path) {
  const std::string removalName = path + kRemovalSuffix;
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(GetLastError()) ? SetAside::Absent : SetAside::Refused;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return SetAside::LeftLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return SetAside::Absent;
  if (DeleteInstalledFile(removalName) == Removal::Gone) LogAction("file", true, removalName);
  if (RenameFileAt(path, removalName)) return SetAside::Moved;
  return IsMissing(GetLastError()) ? SetAside::Absent : SetAside::Refused;
}

// Moves files set aside back to their installed names, the last moved first.
void MoveBack(const std::vector<std::string>& moved, RemovalReport& report) {
  for (auto file = moved.rbegin(); file != moved.rend(); ++file) {
    const std::string aside = *file + kRemovalSuffix;
    if (!RenameFileAt(aside, *file)) Failed("file", aside, report);
  }
}

std::string FolderPath(const Installation& installation, const char* folder) {
  return installation.root + "\\" + folder;
}

// Whether `path` is one of `links` or lies behind one.
bool IsAtOrBehind(const std::string& path, const std::vector<std::string>& links) {
  for (const std::string& link : links) {
    if (path.starts_with(link) && (path.size() == link.size() || path[link.size()] == '\\')) return true;
  }
  return false;
}

// The installed folders below the product folder that are junctions or symbolic links, the
// outermost only: what lies behind one is not even looked at.
std::vector<std::string> LinkedFolders(const Installation& installation) {
  std::vector<std::string> linked;
  for (const char* folder : kInstalledFolders) {
    const std::string path = FolderPath(installation, folder);
    if (SamePath(path, installation.productFolder) || IsAtOrBehind(path, linked)) continue;
    const DWORD attributes = AttributesOf(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      linked.push_back(path);
    }
  }
  return linked;
}

// Deletes a link only when it starts something inside the product folder: a link of the same
// name that the user or another program pointed elsewhere is theirs.
void RemoveLinkIntoProduct(const std::string& link, const Installation& installation,
                           RemovalReport& report) {
  if (AttributesOf(link) == INVALID_FILE_ATTRIBUTES) return;
  const std::optional<LinkTarget> target = ReadShellLink(link);
  if (!target) return;
  const std::string& folder = installation.productFolder;
  const bool intoProduct = target->kept.find('?') == std::string::npos
                               ? IsInsideFolder(target->kept, folder)
                               : (target->fromItems && IsInsideFolder(*target->fromItems, folder)) ||
                                     IsInsideFolder(target->kept, InSystemCodePage(folder));
  if (intoProduct) DeleteOrRecord("shortcut", link, report);
}

void RemoveLinkIn(int csidl, const char* linkName, const Installation& installation,
                  RemovalReport& report) {
  const std::string folder = SpecialFolder(csidl);
  if (!folder.empty()) RemoveLinkIntoProduct(folder + "\\" + linkName, installation, report);
}

// What a folder holds: items scheduled for deletion, and anything else.
struct FolderContents {
  bool scheduled = false;
  bool other = false;
};

// What `folder` holds, leaving out the item named `ignored` (when not null).
FolderContents ContentsOf(const std::string& folder, const RemovalReport& report, const wchar_t* ignored) {
  FolderContents contents;
  const WideText pattern(folder + "\\*");
  if (!pattern.Valid()) return contents;
  WIN32_FIND_DATAW found;
  UniqueFind search(FindFirstFileW(pattern.Get(), &found));
  if (!search) return contents;
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L".." ||
        (ignored != nullptr && CompareStringOrdinal(found.cFileName, -1, ignored, -1, TRUE) == CSTR_EQUAL)) {
      continue;
    }
    const std::optional<std::string> item = FromWide(name);
    const bool scheduled =
        item && std::ranges::any_of(report.ScheduledItems(), [&](const std::string& scheduledItem) {
          return SamePath(folder + "\\" + *item, scheduledItem);
        });
    (scheduled ? contents.scheduled : contents.other) = true;
  } while (FindNextFileW(search.Get(), &found));
  return contents;
}

// A folder that holds nothing but what the system deletes when it next starts: it goes then as
// well, after them.
void ScheduleFolder(const std::string& folder, RemovalReport& report) {
  if (DeleteFileAtRestart(folder)) {
    Scheduled("folder", folder, report);
  } else {
    Failed("folder", folder, report);
  }
}

// Removes an empty folder; one that holds only what is scheduled for deletion is scheduled too,
// and one that still holds anything else is recorded as kept.
void RemoveFolderIfEmpty(const std::string& folder, RemovalReport& report) {
  const WideText wide(folder);
  if (!wide.Valid()) {
    Failed("folder", folder, report);
    return;
  }
  if (RetriedWhileShared(RemoveDirectoryW, wide.Get())) {
    LogAction("folder", true, folder);
    return;
  }
  const DWORD error = GetLastError();
  if (IsMissing(error)) return;
  if (error != ERROR_DIR_NOT_EMPTY) {
    Failed("folder", folder, report);
    return;
  }
  const FolderContents contents = ContentsOf(folder, report, nullptr);
  if (contents.scheduled && !contents.other) {
    ScheduleFolder(folder, report);
  } else {
    Kept(folder, report);
  }
}

}  // namespace

std::optional<Installation> LocateInstallation(const std::string& self) {
  Installation installation;
  installation.self = NormalPath(self);
  installation.productFolder = FolderOf(installation.self);
  installation.root = FolderOf(installation.productFolder);
  if (installation.root.empty() || !SameName(NameOf(installation.productFolder), kProductFolder)) {
    return std::nullopt;
  }
  return installation;
}

std::optional<LinkTarget> ReadShellLink(const std::string& linkFile) {
  const WideText wide(linkFile);
  if (!wide.Valid()) return std::nullopt;
  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.PutVoid()))) {
    return std::nullopt;
  }
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return std::nullopt;
  if (FAILED(file->Load(wide.Get(), STGM_READ))) return std::nullopt;
  wchar_t target[MAX_PATH + 1] = {};
  if (link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK) return std::nullopt;
  target[MAX_PATH] = L'\0';
  const std::optional<std::string> kept = FromWide(target);
  if (!kept) return std::nullopt;
  LinkTarget result{*kept, std::nullopt};
  // A "?" names no file: the path was kept in the code page of the system that saved the link,
  // which lacks some of its characters (Wine keeps the path only so). The link's item list names
  // the target in UTF-16. It is not the only witness: Wine builds it wrongly from a short name.
  if (kept->find('?') != std::string::npos) {
    PIDLIST_ABSOLUTE rawItems = nullptr;
    link->GetIDList(&rawItems);
    const UniqueItemList items(rawItems);
    wchar_t named[MAX_PATH + 1] = {};
    if (items && SHGetPathFromIDListW(items.Get(), named)) result.fromItems = FromWide(named);
  }
  return result;
}

std::optional<std::string> ShellLinkTarget(const std::string& linkFile) {
  std::optional<LinkTarget> target = ReadShellLink(linkFile);
  if (!target) return std::nullopt;
  return target->fromItems ? target->fromItems : target->kept;
}

void RemoveProductShortCuts(const Installation& installation, RemovalReport& report) {
  // An installation run as LocalSystem put its links in every user's folders; either way a link
  // is the installation's only when it leads into the product folder.
  for (const int desktop : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
    RemoveLinkIn(desktop, kDesktopLinkName, installation, report);
  }
  for (const int programs : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    RemoveLinkIn(programs, kProgramGroupLinkName, installation, report);
  }
  RemoveLinkIn(CSIDL_APPDATA, kQuickLaunchLinkName, installation, report);
  // The web link starts a web address, not a file; it is the installation's by where it lies.
  DeleteOrRecord("shortcut", installation.root + kWebLinkPath, report);
}

std::optional<std::vector<std::string>> MoveInstalledFilesAside(const Installation& installation,
                                                                RemovalReport& report) {
  const std::vector<std::string> linked = LinkedFolders(installation);
  for (const std::string& link : linked) LeftLink("folder", link, report);
  std::vector<std::string> moved;
  for (const char* relative : kInstalledFiles) {
    const std::string path = installation.root + relative;
    if (IsAtOrBehind(path, linked)) continue;
    if (SamePath(path, installation.self)) continue;  // the clean-up helper's job
    switch (MoveToRemovalName(path)) {
      case SetAside::Moved: moved.push_back(path); break;
      case SetAside::Absent: break;
      case SetAside::LeftLink: LeftLink("file", path, report); break;
      case SetAside::Refused:
        LogAction("file", false, path);
        report.Refused(path);
        MoveBack(moved, report);
        return std::nullopt;
    }
  }
  return moved;
}

void RemoveInstalledFiles(const Installation& installation, const std::vector<std::string>& moved,
                          RemovalReport& report) {
  for (const std::string& path : moved) DeleteOrRecord("file", path + kRemovalSuffix, report, true, &path);
  // What an interrupted run left beside the files, the uninstaller's own included.
  const std::vector<std::string> linked = LinkedFolders(installation);
  for (const char* relative : kInstalledFiles) {
    const std::string path = installation.root + relative;
    if (IsAtOrBehind(path, linked)) continue;
    DeleteOrRecord("file", path + kReplacementSuffix, report, true);
    DeleteOrRecord("file", path + kBackupSuffix, report, true);
    if (std::ranges::find(moved, path) == moved.end()) DeleteOrRecord("file", path + kRemovalSuffix, report, true);
  }
}

void RemoveInstalledFolders(const Installation& installation, RemovalReport& report) {
  const std::vector<std::string> linked = LinkedFolders(installation);
  // Creation order puts every folder after its parent: backwards, children go first.
  for (std::size_t i = std::size(kInstalledFolders); i-- > 0;) {
    const std::string folder = FolderPath(installation, kInstalledFolders[i]);
    if (SamePath(folder, installation.productFolder)) continue;  // holds the uninstaller
    if (IsAtOrBehind(folder, linked)) continue;
    RemoveFolderIfEmpty(folder, report);
  }
}

void RemoveUninstallShortCut(const Installation& installation, RemovalReport& report) {
  for (const int folder : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
    const std::string programs = SpecialFolder(folder);
    const std::string group = programs + "\\" + kProductFolder;
    // Only a group that is there is looked at: the other of the two was never made.
    if (programs.empty() || AttributesOf(group) == INVALID_FILE_ATTRIBUTES) continue;
    RemoveLinkIn(folder, kProgramGroupUninstallLinkName, installation, report);
    RemoveFolderIfEmpty(group, report);
  }
}

void RemoveRegistration(const Installation& installation, RemovalReport& report) {
  const std::string keyPath = FolderOf(kDisplayIconValue);
  const WideText wideKeyPath(keyPath);
  const WideText iconName(NameOf(kDisplayIconValue));
  HKEY raw = nullptr;
  const LONG opened =
      wideKeyPath.Valid() && iconName.Valid()
          ? RegOpenKeyExW(HKEY_LOCAL_MACHINE, wideKeyPath.Get(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &raw)
          : ERROR_NO_UNICODE_TRANSLATION;
  if (opened == ERROR_FILE_NOT_FOUND) return;
  const std::string keyName = kLocalMachineName + keyPath;
  if (opened != ERROR_SUCCESS) {
    Failed("registry", keyName, report);
    return;
  }
  UniqueKey key(raw);
  // Sized by the value itself; one that grows between the two reads is not read.
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.Get(), iconName.Get(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return;
  }
  std::wstring icon(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(key.Get(), iconName.Get(), nullptr, &type, reinterpret_cast<BYTE*>(icon.data()), &size) !=
      ERROR_SUCCESS) {
    return;
  }
  icon.resize(icon.find(L'\0'));  // a stored text need not end in a NUL
  const std::optional<std::string> iconPath = FromWide(icon);
  if (!iconPath || !SamePath(*iconPath, installation.self)) return;  // another installation's registration

  bool removed = true;
  const std::string valueNames[] = {NameOf(kDisplayIconValue), NameOf(kDisplayNameValue), NameOf(kUninstallStringValue),
                                    kDisplayVersionName, kPublisherName, kInstallLocationName, kEstimatedSizeName,
                                    kUrlInfoAboutName, kNoModifyName, kNoRepairName, kQuietUninstallStringName};
  for (const std::string& valueName : valueNames) {
    const WideText name(valueName);
    const LONG deleted = name.Valid() ? RegDeleteValueW(key.Get(), name.Get()) : ERROR_NO_UNICODE_TRANSLATION;
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) removed = false;
  }
  DWORD subKeys = 0;
  DWORD values = 0;
  const bool empty = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                                      &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                     subKeys == 0 && values == 0;
  key.Reset();
  // Values that someone else added to the key keep it.
  if (removed && empty && RegDeleteKeyW(HKEY_LOCAL_MACHINE, wideKeyPath.Get()) != ERROR_SUCCESS) removed = false;
  if (removed) {
    LogAction("registry", true, keyName);
  } else {
    Failed("registry", keyName, report);
  }
}

void CheckProductFolder(const Installation& installation, RemovalReport& report) {
  const WideText ownName(NameOf(installation.self));
  if (!ownName.Valid()) return;
  const FolderContents contents = ContentsOf(installation.productFolder, report, ownName.Get());
  if (contents.other) {
    Kept(installation.productFolder, report);
  } else if (contents.scheduled) {
    ScheduleFolder(installation.productFolder, report);
  }
}

}  // namespace vl::uninstall
