#pragma once
// The installation pass as one change that is made whole or not at all, and its recovery.
//
// The pass writes every new file in place and every replacement beside the file it replaces;
// then it renames each replaced file to its backup name and the new one into place, writes the
// registry values that differ from what is there, and deletes the backups. Its journal
// (journal_format.h) announces each group of steps before the first of them. The first step that
// fails undoes the pass: the registry values put back, the new files and the files beside deleted,
// the backups renamed back, the folders it created removed. A run cut off at any step leaves the
// journal, from which the next run puts the old installation back, or finishes the new one when
// every file was in place.
#include <cstdint>
#include <span>
#include <string_view>

#include "journal_format.h"

namespace vl::journal {

// The machine as the pass sees it: a call per step, each saying whether it was done. Paths are
// absolute, in the system's texts, with a NUL just past their end; values are named by their key
// path and name. The program links them in (the installer's and the uninstaller's are
// services/machine_pass.cpp; a host test has its own), so that the pass calls each step directly:
// one pass runs at a time.
namespace machine {
bool Exists(std::string_view path) noexcept;
// A folder of the tree, made when it is missing; `userWritable` for one that holds the user's own
// data. Its outcome is not a step: a file that cannot be written into it is.
void MakeFolder(std::string_view path, bool userWritable) noexcept;
// Only an empty folder; true when none is there afterwards.
bool RemoveFolder(std::string_view path) noexcept;
// A new file written whole, or none; never over something that is there. `hidden`: hidden and
// system once written.
bool WriteNew(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept;
// Never over something that is there.
bool Rename(std::string_view from, std::string_view to) noexcept;
// True when nothing is there afterwards, also when nothing was.
bool Delete(std::string_view path) noexcept;
// A file that cannot be deleted now (a program holds it), deleted at the next restart.
bool DeleteAtRestart(std::string_view path) noexcept;
// What is stored under `path`, its bytes in `room`; false when it cannot be read.
bool ReadValue(std::string_view path, StoredValue& value, std::span<std::uint8_t> room) noexcept;
// Stores `value`, or deletes the value when it is absent.
bool WriteValue(std::string_view path, const StoredValue& value) noexcept;
// The journal in the product folder: appended to (created by the first chunk), read whole into
// `room` (empty when there is none) and deleted.
bool AppendJournal(std::span<const std::uint8_t> chunk) noexcept;
std::span<const std::uint8_t> ReadJournal(std::span<std::uint8_t> room) noexcept;
bool DeleteJournal() noexcept;
}  // namespace machine

struct PassFolder {
  std::string_view path;  // relative to the root; the first is the product folder
  bool userWritable = false;
};

struct PassFile {
  std::string_view path;  // relative to the root
  std::span<const std::uint8_t> bytes;
  bool hidden = false;
};

struct PassValue {
  std::string_view path;
  StoredValue value;
};

struct PassPlan {
  std::string_view root;  // absolute; each relative path is joined to it as it is
  std::span<const PassFolder> folders;
  bool productFolderMade = false;  // the first folder was made by this run, before the pass
  std::span<const PassFile> files;
  std::span<const PassValue> values;
};

enum class PassEnd : std::uint8_t {
  kInstalled,   // every file in place and every value written
  kUndone,      // a step failed; the machine is as it was before the pass
  kUndoFailed,  // a step failed and so did a step of putting it back: the journal stays
};

struct PassResult {
  PassEnd end = PassEnd::kUndone;
  bool replaced = false;  // a file of an earlier installation was there
  int scheduled = 0;      // backups that a program holds, deleted at the next restart
};

// What a pass or a recovery works in: the journal's bytes, what they announce, a registry value
// read back, and the paths of the file at hand. Large, and used by one pass or recovery at a time:
// the machine keeps one in its zero-filled section.
inline constexpr std::size_t kMostPathBytes = 2048;  // with its NUL
struct FilePaths {
  std::string_view file;
  std::string_view backup;
  std::string_view replacement;
};
struct PassRoom {
  std::uint8_t journal[kJournalCapacity] = {};
  JournalContents contents;
  std::uint8_t value[4096] = {};
  std::string_view root;  // what the relative paths are joined to
  char paths[3][kMostPathBytes] = {};
  FilePaths joined;  // the file at hand: views of `paths`
};

// The whole pass.
PassResult RunPass(const PassPlan& plan, PassRoom& room) noexcept;

enum class Recovery : std::uint8_t {
  kNothing,   // no journal: no pass was cut off
  kRestored,  // the installation that was there before the pass is back
  kFinished,  // the pass's installation is complete
  kFailed,    // a step of the recovery failed: the journal stays for the next run
};

// Puts right a pass cut off under `root`, from its journal. A file named by `keep` (its path relative to the root) stays as
// it is when the old installation is put back, and what the pass left beside it too: the
// uninstaller, which runs from it and removes them all.
Recovery RecoverPass(std::string_view root, PassRoom& room, std::string_view keep = {}) noexcept;

}  // namespace vl::journal
