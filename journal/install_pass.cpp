#include "install_pass.h"

#include <cstring>

#include "services/replacement_name.h"

namespace vl::journal {
namespace {

// A relative path joined to the root, with a suffix, and a NUL after it; empty when it does not
// fit, which no step can act on.
class JoinedPath {
 public:
  JoinedPath(std::string_view root, std::string_view relative, std::string_view suffix = {}) noexcept {
    m_text[0] = '\0';
    if (root.size() + relative.size() + suffix.size() >= sizeof m_text) return;
    for (const std::string_view part : {root, relative, suffix}) {
      std::memcpy(m_text + m_length, part.data(), part.size());
      m_length += part.size();
    }
    m_text[m_length] = '\0';
  }
  operator std::string_view() const noexcept { return {m_text, m_length}; }  // NOLINT: a path

 private:
  char m_text[2048];  // written up to its NUL before it is read
  std::size_t m_length = 0;
};

bool Append(PassStore& store, std::span<const std::uint8_t> chunk) noexcept {
  return !chunk.empty() && store.AppendJournal(chunk);
}

// Puts back what the journal announced, whether each step was done or not: every step is undone
// by what it left (a backup there means its file was moved aside). The journal goes only when
// every file is back, and the folders after it.
bool RollBack(PassStore& store, std::string_view root, const JournalContents& contents,
              std::string_view keep = {}) noexcept {
  bool back = true;
  for (std::size_t i = contents.valueCount; i-- > 0;) {
    back &= store.WriteValue(contents.values[i].path, contents.values[i].before);
  }
  for (std::size_t i = contents.fileCount; i-- > 0;) {
    const JournalFile& file = contents.files[i];
    if (file.path == keep) continue;
    const JoinedPath path(root, file.path);
    if (!file.replaces) {
      back &= store.Delete(path);
      continue;
    }
    const JoinedPath backup(root, file.path, kBackupSuffix);
    if (store.Exists(backup)) back &= store.Delete(path) && store.Rename(backup, path);
    back &= store.Delete(JoinedPath(root, file.path, kReplacementSuffix));
  }
  for (std::size_t i = contents.folderCount; i-- > 0;) back &= store.RemoveFolder(JoinedPath(root, contents.folders[i]));
  // The journal lives in the product folder: the last thing to go before it.
  return back && store.DeleteJournal() &&
         (!contents.productFolderMade || store.RemoveFolder(JoinedPath(root, contents.productFolder)));
}

// Completes a pass whose files are all in place: its registry values written, its backups
// deleted (or, where a program holds one, deleted at the next restart). Returns how many were
// left for the restart, or -1 when a value could not be written.
int FinishPlaced(PassStore& store, std::string_view root, const JournalContents& contents) noexcept {
  for (std::size_t i = 0; i < contents.valueCount; ++i) {
    if (!store.WriteValue(contents.values[i].path, contents.values[i].after)) return -1;
  }
  int scheduled = 0;
  for (std::size_t i = 0; i < contents.fileCount; ++i) {
    if (!contents.files[i].replaces) continue;
    const JoinedPath backup(root, contents.files[i].path, kBackupSuffix);
    if (!store.Delete(backup) && store.DeleteAtRestart(backup)) ++scheduled;
  }
  store.DeleteJournal();
  return scheduled;
}

class Pass {
 public:
  Pass(PassStore& store, const PassPlan& plan, std::span<std::uint8_t> journal) noexcept
      : m_store(store), m_plan(plan), m_journal(journal) {}

  PassResult Run() noexcept {
    if (m_plan.folders.size() > kMostFolders || m_plan.files.size() > kMostFiles ||
        m_plan.values.size() > kMostValues) {
      return m_result;
    }
    if (!Announce() || !WriteFiles() || !AnnounceValues() || !Place()) return Undone();
    const int scheduled = Read() ? FinishPlaced(m_store, m_plan.root, m_contents) : -1;
    if (scheduled < 0) {
      Mark(ChunkKind::kUndoing);
      return Undone();
    }
    m_result = {PassEnd::kInstalled, m_result.replaced, scheduled};
    return m_result;
  }

 private:
  JoinedPath Path(std::string_view relative, std::string_view suffix = {}) const noexcept {
    return JoinedPath(m_plan.root, relative, suffix);
  }

  bool Read() noexcept { return ReadJournal(m_journal.Written(), m_contents); }

  // A chunk that is its kind alone.
  bool Mark(ChunkKind kind) noexcept {
    m_journal.Begin(kind);
    return Append(m_store, m_journal.End());
  }

  // What is there decides which folders the pass makes and which files it replaces.
  bool Announce() noexcept {
    bool made[kMostFolders];
    std::size_t madeCount = 0;
    for (std::size_t i = 1; i < m_plan.folders.size(); ++i) {
      made[i] = !m_store.Exists(Path(m_plan.folders[i].path));
      madeCount += made[i];
    }
    m_journal.Begin(ChunkKind::kBegin);
    m_journal.Text(m_plan.folders.empty() ? std::string_view() : m_plan.folders[0].path);
    m_journal.Byte(m_plan.productFolderMade);
    m_journal.Word(static_cast<std::uint32_t>(madeCount));
    for (std::size_t i = 1; i < m_plan.folders.size(); ++i) {
      if (made[i]) m_journal.Text(m_plan.folders[i].path);
    }
    m_journal.Word(static_cast<std::uint32_t>(m_plan.files.size()));
    for (std::size_t i = 0; i < m_plan.files.size(); ++i) {
      m_replaces[i] = m_store.Exists(Path(m_plan.files[i].path));
      m_result.replaced |= m_replaces[i];
      m_journal.Text(m_plan.files[i].path);
      m_journal.Byte(m_replaces[i]);
    }
    return Append(m_store, m_journal.End());
  }

  // New files in place, replacements beside the files they replace.
  bool WriteFiles() noexcept {
    for (const PassFolder& folder : m_plan.folders) m_store.MakeFolder(Path(folder.path), folder.userWritable);
    for (std::size_t i = 0; i < m_plan.files.size(); ++i) {
      const PassFile& file = m_plan.files[i];
      const JoinedPath target = Path(file.path, m_replaces[i] ? kReplacementSuffix : "");
      // What an interrupted run left beside the file is deleted when it is in the way.
      if (!m_store.WriteNew(target, file.bytes, file.hidden) &&
          (!m_replaces[i] || !m_store.Delete(target) || !m_store.WriteNew(target, file.bytes, file.hidden))) {
        return false;
      }
    }
    return true;
  }

  // The values that differ from what is stored, each with what was there.
  bool AnnounceValues() noexcept {
    m_journal.Begin(ChunkKind::kValues);
    for (const PassValue& value : m_plan.values) {
      std::uint8_t room[4096];
      StoredValue before;
      if (!m_store.ReadValue(value.path, before, room)) return false;
      if (SameValue(before, value.value)) continue;
      m_journal.Text(value.path);
      m_journal.Byte(before.present);
      m_journal.Value(before);
      m_journal.Value(value.value);
    }
    return Append(m_store, m_journal.End());
  }

  // Each replaced file moved aside to its backup and its replacement into its place.
  bool Place() noexcept {
    for (std::size_t i = 0; i < m_plan.files.size(); ++i) {
      if (!m_replaces[i]) continue;
      const std::string_view relative = m_plan.files[i].path;
      const JoinedPath path = Path(relative);
      const JoinedPath backup = Path(relative, kBackupSuffix);
      if ((!m_store.Rename(path, backup) && (!m_store.Delete(backup) || !m_store.Rename(path, backup))) ||
          !m_store.Rename(Path(relative, kReplacementSuffix), path)) {
        return false;
      }
    }
    return Mark(ChunkKind::kPlaced);
  }

  PassResult Undone() noexcept {
    m_result.end = !Read() || RollBack(m_store, m_plan.root, m_contents) ? PassEnd::kUndone : PassEnd::kUndoFailed;
    return m_result;
  }

  PassStore& m_store;
  const PassPlan& m_plan;
  JournalWriter m_journal;
  JournalContents m_contents;
  bool m_replaces[kMostFiles] = {};
  PassResult m_result;
};

}  // namespace

PassResult RunPass(PassStore& store, const PassPlan& plan, std::span<std::uint8_t> journal) noexcept {
  return Pass(store, plan, journal).Run();
}

Recovery RecoverPass(PassStore& store, std::string_view root, std::span<std::uint8_t> room,
                     std::string_view keep) noexcept {
  const std::span<const std::uint8_t> bytes = store.ReadJournal(room);
  if (bytes.empty()) return Recovery::kNothing;
  JournalContents contents;
  // A journal without a whole begin chunk announced nothing that was begun.
  if (!ReadJournal(bytes, contents)) return store.DeleteJournal() ? Recovery::kNothing : Recovery::kFailed;
  if (contents.placed && !contents.undoing && FinishPlaced(store, root, contents) >= 0) return Recovery::kFinished;
  return RollBack(store, root, contents, keep) ? Recovery::kRestored : Recovery::kFailed;
}

}  // namespace vl::journal
