#pragma once
// Removing what the installation created: its files, shortcuts, uninstall registration and
// folders. Every step removes only what the installation made (a shortcut only when it points
// into this product folder, the registration only when it names this uninstaller) and records
// what it could not remove; nothing here shows a message. When a run log is open
// (services/run_log.h), each step that found something is logged with its outcome. Below the
// product folder nothing goes through a junction or symbolic link: whoever made one decides where
// it leads, and this program runs elevated.
#include <optional>
#include <string>
#include <vector>

namespace vl::uninstall {

// Where the product is installed, found from the running uninstaller's own file.
struct Installation {
  std::string self;           // the uninstaller's own path
  std::string productFolder;  // the folder that holds it, named like the product folder
  std::string root;           // the folder above, without a trailing backslash ("C:" for C:\)
};

// What the removal left behind.
class RemovalReport {
 public:
  // Something the installation created that is still there because removing it failed.
  void Failed(std::string item) { m_failed.push_back(std::move(item)); }
  // An installed file that could not be moved aside: the removal stopped before anything went.
  void Refused(std::string file) {
    m_nothingRemoved = true;
    Failed(std::move(file));
  }
  // A folder that stays because it still holds files.
  void Kept(std::string folder) { m_kept.push_back(std::move(folder)); }
  // A junction or symbolic link where the installation put a file or folder: left as it is, and
  // nothing behind it is touched.
  void LeftLink(std::string item) { m_links.push_back(std::move(item)); }
  // A file or folder that could not be deleted now and that the system deletes when it next
  // starts.
  void Scheduled(std::string item) { m_scheduled.push_back(std::move(item)); }

  bool HasFailures() const noexcept { return !m_failed.empty(); }
  // Whether the removal stopped before it removed anything (Refused).
  bool NothingRemoved() const noexcept { return m_nothingRemoved; }
  const std::vector<std::string>& FailedItems() const noexcept { return m_failed; }
  const std::vector<std::string>& KeptFolders() const noexcept { return m_kept; }
  const std::vector<std::string>& LeftLinks() const noexcept { return m_links; }
  const std::vector<std::string>& ScheduledItems() const noexcept { return m_scheduled; }

 private:
  std::vector<std::string> m_failed;
  std::vector<std::string> m_kept;
  std::vector<std::string> m_links;
  std::vector<std::string> m_scheduled;
  bool m_nothingRemoved = false;
};

// The installation around an uninstaller at `self`; nothing when its folder does not carry the
// product folder's name or has no folder above it (an uninstaller copied elsewhere must not
// remove files of whatever folder it sits in).
std::optional<Installation> LocateInstallation(const std::string& self);

// The links the installation made that start the product: desktop, the program group's player
// link, Quick Launch, and the web link in the product folder. COM must be initialised.
void RemoveProductShortCuts(const Installation& installation, RemovalReport& report);

// Moves every installed file but the running uninstaller to its removal name beside it (the
// file's name with kRemovalSuffix; a leftover under that name is deleted first). A file that is
// absent, or a folder in a file's place, is skipped; a folder of the tree that is a junction or
// symbolic link is recorded as a left link, and nothing behind it is touched; so is a file that
// is one. When a move is refused (a sharing violation is retried), the files already moved go
// back, the refused file is recorded (Refused) and nothing is returned: nothing has changed.
// Else the moved files, by their installed paths, in the order they were moved.
std::optional<std::vector<std::string>> MoveInstalledFilesAside(const Installation& installation,
                                                                RemovalReport& report);

// Deletes the files MoveInstalledFilesAside moved, hidden, system and read-only cleared first,
// and what an interrupted run left under a file's replacement, backup or removal name. A file
// that cannot be deleted is scheduled for deletion when the system next starts. Nothing behind a
// junction or symbolic link is touched.
void RemoveInstalledFiles(const Installation& installation, const std::vector<std::string>& moved,
                          RemovalReport& report);

// The installed folders below the product folder, deepest first, where they are empty; a folder
// that holds nothing but what is scheduled for deletion is scheduled after it, and one that still
// holds other files is recorded as kept. Links and what lies behind them stay.
void RemoveInstalledFolders(const Installation& installation, RemovalReport& report);

// The program group's uninstaller link and then the group folder when it is empty. COM must be
// initialised.
void RemoveUninstallShortCut(const Installation& installation, RemovalReport& report);

// The three uninstall values and then their key, only when the registered DisplayIcon names
// this uninstaller; a registration that is absent or names another one is left as it is.
void RemoveRegistration(const Installation& installation, RemovalReport& report);

// Records the product folder as kept when it holds anything besides the uninstaller itself
// (which the clean-up helper removes with the folder once this process has ended) and what is
// scheduled for deletion; when it holds such scheduled items, schedules the folder after them.
void CheckProductFolder(const Installation& installation, RemovalReport& report);

// What a shell link names: the path kept in it and, when that lost characters ("?") to the code
// page of the system that saved the link, the path its item list names.
struct LinkTarget {
  std::string kept;
  std::optional<std::string> fromItems;
};

// A shell link file's target; nothing when it cannot be read. COM must be initialised.
std::optional<LinkTarget> ReadShellLink(const std::string& linkFile);

// The target path of a shell link file, from its item list where the kept path lost characters.
std::optional<std::string> ShellLinkTarget(const std::string& linkFile);

}  // namespace vl::uninstall
