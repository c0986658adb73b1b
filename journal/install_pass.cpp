#include "install_pass.h"

#include <cstring>

#include "services/replacement_name.h"

namespace vl::journal {
namespace {

// The file at `relative` under `root`, and the same path with the backup and the replacement
// suffixes, each in its slot of the room with a NUL after it; a path that does not fit is empty,
// which no step can act on.
struct FilePaths {
  std::string_view file;
  std::string_view backup;
  std::string_view replacement;
};

FilePaths JoinPaths(PassRoom& room, std::string_view root, std::string_view relative) noexcept {
  const std::string_view suffixes[] = {{}, kBackupSuffix, kReplacementSuffix};
  std::string_view joined[3];
  for (std::size_t i = 0; i < 3; ++i) {
    char* text = room.paths[i];
    std::size_t length = 0;
    if (root.size() + relative.size() + suffixes[i].size() < kMostPathBytes) {
      for (const std::string_view part : {root, relative, suffixes[i]}) {
        std::memcpy(text + length, part.data(), part.size());
        length += part.size();
      }
    }
    text[length] = '\0';
    joined[i] = {text, length};
  }
  return {joined[0], joined[1], joined[2]};
}

std::string_view JoinPath(PassRoom& room, std::string_view root, std::string_view relative) noexcept {
  return JoinPaths(room, root, relative).file;
}

// Puts back what the room's journal announced, whether each step was done or not: every step is
// undone by what it left (a backup there means its file was moved aside). The journal goes only
// when every file is back, and the folders after it.
bool RollBack(std::string_view root, PassRoom& room, std::string_view keep = {}) noexcept {
  const JournalContents& contents = room.contents;
  bool back = true;
  for (std::size_t i = contents.valueCount; i-- > 0;) {
    back &= machine::WriteValue(contents.values[i].path, contents.values[i].before);
  }
  for (std::size_t i = contents.fileCount; i-- > 0;) {
    const JournalFile& file = contents.files[i];
    if (file.path == keep) continue;
    const FilePaths paths = JoinPaths(room, root, file.path);
    if (file.replaces) {
      if (machine::Exists(paths.backup)) back &= machine::Delete(paths.file) && machine::Rename(paths.backup, paths.file);
      back &= machine::Delete(paths.replacement);
    } else {
      back &= machine::Delete(paths.file);
    }
  }
  for (std::size_t i = contents.folderCount; i-- > 0;) back &= machine::RemoveFolder(JoinPath(room, root, contents.folders[i]));
  // The journal lives in the product folder: the last thing to go before it.
  return back && machine::DeleteJournal() &&
         (!contents.productFolderMade || machine::RemoveFolder(JoinPath(room, root, contents.productFolder)));
}

// Completes a pass whose files are all in place: its registry values written, its backups
// deleted (or, where a program holds one, deleted at the next restart). Returns how many were
// left for the restart, or -1 when a value could not be written.
int FinishPlaced(std::string_view root, PassRoom& room) noexcept {
  const JournalContents& contents = room.contents;
  for (std::size_t i = 0; i < contents.valueCount; ++i) {
    if (!machine::WriteValue(contents.values[i].path, contents.values[i].after)) return -1;
  }
  int scheduled = 0;
  for (std::size_t i = 0; i < contents.fileCount; ++i) {
    if (!contents.files[i].replaces) continue;
    const std::string_view backup = JoinPaths(room, root, contents.files[i].path).backup;
    if (!machine::Delete(backup) && machine::DeleteAtRestart(backup)) ++scheduled;
  }
  machine::DeleteJournal();
  return scheduled;
}

class Pass {
 public:
  Pass(const PassPlan& plan, PassRoom& room) noexcept : m_plan(plan), m_room(room), m_journal(room.journal) {}

  PassResult Run() noexcept {
    if (m_plan.folders.size() > kMostFolders || m_plan.files.size() > kMostFiles ||
        m_plan.values.size() > kMostValues) {
      return m_result;
    }
    if (!Announce() || !WriteFiles() || !AnnounceValues() || !Place()) return Undone();
    const int scheduled = Read() ? FinishPlaced(m_plan.root, m_room) : -1;
    if (scheduled < 0) {
      Mark(EntryKind::kUndoing);
      return Undone();
    }
    m_result = {PassEnd::kInstalled, m_result.replaced, scheduled};
    return m_result;
  }

 private:
  FilePaths Paths(std::string_view relative) noexcept { return JoinPaths(m_room, m_plan.root, relative); }

  bool Read() noexcept { return ReadJournal(m_journal.Written(), m_room.contents); }

  // Appends the chunk begun with `kind` and filled since.
  bool Append() noexcept {
    const std::span<const std::uint8_t> chunk = m_journal.End();
    return !chunk.empty() && machine::AppendJournal(chunk);
  }

  // A chunk that is one entry of `kind` alone.
  bool Mark(EntryKind kind) noexcept {
    m_journal.Begin();
    m_journal.Entry(kind, 0, std::string_view());
    return Append();
  }

  // What is there decides which folders the pass makes and which files it replaces.
  bool Announce() noexcept {
    m_journal.Begin();
    m_journal.Entry(EntryKind::kProductFolder, m_plan.productFolderMade,
                    m_plan.folders.empty() ? std::string_view() : m_plan.folders[0].path);
    for (std::size_t i = 1; i < m_plan.folders.size(); ++i) {
      const std::string_view folder = m_plan.folders[i].path;
      if (!machine::Exists(Paths(folder).file)) m_journal.Entry(EntryKind::kFolder, 0, folder);
    }
    for (std::size_t i = 0; i < m_plan.files.size(); ++i) {
      const std::string_view file = m_plan.files[i].path;
      m_replaces[i] = machine::Exists(Paths(file).file);
      m_result.replaced |= m_replaces[i];
      m_journal.Entry(EntryKind::kFile, m_replaces[i], file);
    }
    return Append();
  }

  // New files in place, replacements beside the files they replace.
  bool WriteFiles() noexcept {
    for (const PassFolder& folder : m_plan.folders) machine::MakeFolder(Paths(folder.path).file, folder.userWritable);
    for (std::size_t i = 0; i < m_plan.files.size(); ++i) {
      const PassFile& file = m_plan.files[i];
      const FilePaths paths = Paths(file.path);
      const std::string_view target = m_replaces[i] ? paths.replacement : paths.file;
      // What an interrupted run left beside the file is deleted when it is in the way.
      if (!machine::WriteNew(target, file.bytes, file.hidden) &&
          (!m_replaces[i] || !machine::Delete(target) || !machine::WriteNew(target, file.bytes, file.hidden))) {
        return false;
      }
    }
    return true;
  }

  // The values that differ from what is stored, each with what was there.
  bool AnnounceValues() noexcept {
    m_journal.Begin();
    for (const PassValue& value : m_plan.values) {
      StoredValue before;
      if (!machine::ReadValue(value.path, before, m_room.value)) return false;
      if (SameValue(before, value.value)) continue;
      m_journal.Entry(EntryKind::kValue, 0, value.path);
      m_journal.Entry(before.present ? EntryKind::kBefore : EntryKind::kAbsent, before.type, before.bytes);
      m_journal.Entry(EntryKind::kAfter, value.value.type, value.value.bytes);
    }
    return Append();
  }

  // Each replaced file moved aside to its backup and its replacement into its place.
  bool Place() noexcept {
    for (std::size_t i = 0; i < m_plan.files.size(); ++i) {
      if (!m_replaces[i]) continue;
      const FilePaths paths = Paths(m_plan.files[i].path);
      if ((!machine::Rename(paths.file, paths.backup) &&
           (!machine::Delete(paths.backup) || !machine::Rename(paths.file, paths.backup))) ||
          !machine::Rename(paths.replacement, paths.file)) {
        return false;
      }
    }
    return Mark(EntryKind::kPlaced);
  }

  PassResult Undone() noexcept {
    m_result.end = !Read() || RollBack(m_plan.root, m_room) ? PassEnd::kUndone : PassEnd::kUndoFailed;
    return m_result;
  }

  const PassPlan& m_plan;
  PassRoom& m_room;
  JournalWriter m_journal;
  bool m_replaces[kMostFiles] = {};
  PassResult m_result;
};

}  // namespace

PassResult RunPass(const PassPlan& plan, PassRoom& room) noexcept { return Pass(plan, room).Run(); }

Recovery RecoverPass(std::string_view root, PassRoom& room, std::string_view keep) noexcept {
  const std::span<const std::uint8_t> bytes = machine::ReadJournal(room.journal);
  if (bytes.empty()) return Recovery::kNothing;
  // A journal without a whole begin chunk announced nothing that was begun.
  if (!ReadJournal(bytes, room.contents)) return machine::DeleteJournal() ? Recovery::kNothing : Recovery::kFailed;
  if (room.contents.placed && !room.contents.undoing && FinishPlaced(root, room) >= 0) {
    return Recovery::kFinished;
  }
  return RollBack(root, room, keep) ? Recovery::kRestored : Recovery::kFailed;
}

}  // namespace vl::journal
