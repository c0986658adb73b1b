#include "install_pass.h"

#include <cstring>

#include "services/replacement_name.h"

namespace vl::journal {
namespace {

// The file at `relative` under the room's root, and the same path with the backup and the
// replacement suffixes, each in its slot of the room with a NUL after it; a path that does not fit
// is empty, which no step can act on.
const FilePaths& JoinPaths(PassRoom& room, std::string_view relative) noexcept {
  static_assert(sizeof kBackupSuffix == sizeof kReplacementSuffix);
  constexpr std::size_t kSuffix = sizeof kBackupSuffix - 1;
  std::string_view root = room.root;
  std::size_t length = root.size() + relative.size();
  if (length + kSuffix >= kMostPathBytes) {
    length = 0;
    root = relative = std::string_view("");
  }
  char* const file = room.paths[0];
  std::memcpy(file, root.data(), root.size());
  std::memcpy(file + root.size(), relative.data(), relative.size());
  file[length] = '\0';
  // The same path with each suffix; an empty one stays empty.
  const std::size_t suffixed = length != 0 ? length + kSuffix : 0;
  room.paths[1][suffixed] = room.paths[2][suffixed] = '\0';
  if (length != 0) {
    std::memcpy(room.paths[1], file, length);
    std::memcpy(room.paths[1] + length, kBackupSuffix, kSuffix);
    std::memcpy(room.paths[2], file, length);
    std::memcpy(room.paths[2] + length, kReplacementSuffix, kSuffix);
  }
  room.joined = {{file, length}, {room.paths[1], suffixed}, {room.paths[2], suffixed}};
  return room.joined;
}

std::string_view JoinPath(PassRoom& room, std::string_view relative) noexcept { return JoinPaths(room, relative).file; }

// Puts back what the room's journal announced, in the reverse order, whether each step was done or
// not: every step is undone by what it left (a backup there means its file was moved aside). The
// journal goes only when every file is back, and the product folder after it.
bool RollBack(PassRoom& room, std::string_view keep = {}) noexcept {
  const JournalContents& contents = room.contents;
  bool back = true;
  for (std::size_t i = contents.count; i-- > 1;) {
    const JournalEntry& entry = contents.entries[i];
    const std::string_view path = entry.Text();
    if (entry.kind == EntryKind::kBefore || entry.kind == EntryKind::kAbsent) {
      back &= machine::WriteValue(contents.entries[i - 1].Text(), entry.Value());
    } else if (entry.kind == EntryKind::kFolder) {
      back &= machine::RemoveFolder(JoinPath(room, path));
    } else if (entry.kind == EntryKind::kFile && path != keep) {
      const FilePaths& paths = JoinPaths(room, path);
      if (entry.number == 0) {
        back &= machine::Delete(paths.file);
        continue;
      }
      if (machine::Exists(paths.backup)) back &= machine::Delete(paths.file) && machine::Rename(paths.backup, paths.file);
      back &= machine::Delete(paths.replacement);
    }
  }
  const JournalEntry& product = contents.entries[0];
  return back && machine::DeleteJournal() && (product.number == 0 || machine::RemoveFolder(JoinPath(room, product.Text())));
}

// Completes a pass whose files are all in place: its registry values written, its backups
// deleted (or, where a program holds one, deleted at the next restart). Returns how many were
// left for the restart, or -1 when a value could not be written.
int FinishPlaced(PassRoom& room) noexcept {
  const JournalContents& contents = room.contents;
  for (std::size_t i = 0; i < contents.count; ++i) {
    const JournalEntry& entry = contents.entries[i];
    if (entry.kind == EntryKind::kAfter && !machine::WriteValue(contents.entries[i - 2].Text(), entry.Value())) return -1;
  }
  int scheduled = 0;
  for (std::size_t i = 0; i < contents.count; ++i) {
    const JournalEntry& entry = contents.entries[i];
    if (entry.kind != EntryKind::kFile || entry.number == 0) continue;
    const std::string_view backup = JoinPaths(room, entry.Text()).backup;
    if (!machine::Delete(backup) && machine::DeleteAtRestart(backup)) ++scheduled;
  }
  machine::DeleteJournal();
  return scheduled;
}

class Pass {
 public:
  Pass(const PassPlan& plan, PassRoom& room) noexcept : m_plan(plan), m_room(room), m_journal(room.journal) {
    room.root = plan.root;
  }

  PassResult Run() noexcept {
    if (m_plan.folders.size() > kMostFolders || m_plan.files.size() > kMostFiles ||
        m_plan.values.size() > kMostValues) {
      return m_result;
    }
    if (!Announce() || !WriteFiles() || !AnnounceValues() || !Place()) return Undone();
    const int scheduled = Read() ? FinishPlaced(m_room) : -1;
    if (scheduled < 0) {
      Mark(EntryKind::kUndoing);
      return Undone();
    }
    m_result = {PassEnd::kInstalled, m_result.replaced, scheduled};
    return m_result;
  }

 private:
  const FilePaths& Paths(std::string_view relative) noexcept { return JoinPaths(m_room, relative); }

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
      const FilePaths& paths = Paths(file.path);
      const std::string_view target = m_replaces[i] ? paths.replacement : paths.file;
      // What an interrupted run left beside the file is deleted when it is in the way.
      for (bool again = false; !machine::WriteNew(target, file.bytes, file.hidden); again = true) {
        if (again || !m_replaces[i] || !machine::Delete(target)) return false;
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
      const FilePaths& paths = Paths(m_plan.files[i].path);
      // A backup an interrupted run left is deleted when it is in the way.
      for (bool again = false; !machine::Rename(paths.file, paths.backup); again = true) {
        if (again || !machine::Delete(paths.backup)) return false;
      }
      if (!machine::Rename(paths.replacement, paths.file)) return false;
    }
    return Mark(EntryKind::kPlaced);
  }

  PassResult Undone() noexcept {
    m_result.end = !Read() || RollBack(m_room) ? PassEnd::kUndone : PassEnd::kUndoFailed;
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
  room.root = root;
  const std::span<const std::uint8_t> bytes = machine::ReadJournal(room.journal);
  if (bytes.empty()) return Recovery::kNothing;
  // A journal without a whole begin chunk announced nothing that was begun.
  if (!ReadJournal(bytes, room.contents)) return machine::DeleteJournal() ? Recovery::kNothing : Recovery::kFailed;
  if (room.contents.Has(EntryKind::kPlaced) && !room.contents.Has(EntryKind::kUndoing) && FinishPlaced(room) >= 0) {
    return Recovery::kFinished;
  }
  return RollBack(room, keep) ? Recovery::kRestored : Recovery::kFailed;
}

}  // namespace vl::journal
