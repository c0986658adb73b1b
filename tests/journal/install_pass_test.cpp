// The installation pass against a machine of the test's own whose process can end, or whose
// steps can be refused, at any step: whatever happens, the pass and the recovery that follows
// leave exactly the old installation or exactly the new one.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "journal/install_pass.h"

namespace vl::journal {
namespace {

struct Value {
  std::uint32_t type;
  std::string bytes;
  bool operator==(const Value&) const = default;
};

// Everything the pass may change, compared as a whole.
struct Machine {
  std::map<std::string, std::string> files;
  std::set<std::string> hidden;
  std::set<std::string> folders;
  std::map<std::string, Value> values;
  bool operator==(const Machine&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Machine& machine) {
  for (const std::string& folder : machine.folders) out << "\n  folder " << folder;
  for (const auto& [path, bytes] : machine.files) {
    out << "\n  file " << path << (machine.hidden.count(path) ? " (hidden)" : "") << ": " << bytes;
  }
  for (const auto& [path, value] : machine.values) out << "\n  value " << path << " " << value.type << ": " << value.bytes;
  return out;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Text(std::span<const std::uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

// A machine whose process ends before step `cutAt` (every change after it does nothing; a journal
// chunk being written is left half-written) and that refuses step `refuseAt`. Programs hold the
// files in `held`: they can be renamed, not deleted. Reads are not steps.
class TestStore final {
 public:
  explicit TestStore(Machine machine) : m_machine(std::move(machine)) {}

  Machine machine() const { return m_machine; }
  bool HasJournal() const { return !m_journal.empty(); }
  int Steps() const { return m_steps; }
  void CutAt(int step) { m_cutAt = step; }
  void RefuseAt(int step) { m_refuseAt = step; }
  void Hold(const std::string& path) { m_held.insert(path); }
  // The process ended: a new one starts; the restart deletes what was left for it.
  void NewProcess() {
    m_steps = 0;
    m_cutAt = m_refuseAt = -1;
  }
  void Restart() {
    NewProcess();
    m_held.clear();
    for (const std::string& path : m_atRestart) m_machine.files.erase(path), m_machine.hidden.erase(path);
    m_atRestart.clear();
  }

  bool Exists(std::string_view path) noexcept {
    const std::string p(path);
    return m_machine.files.count(p) || m_machine.folders.count(p);
  }
  // A folder that cannot be made is no failure of its own (a file that cannot be written into it
  // is): never refused here, but the process may end there.
  void MakeFolder(std::string_view path, bool) noexcept {
    if (Step(false)) m_machine.folders.insert(std::string(path));
  }
  bool RemoveFolder(std::string_view path) noexcept {
    if (!Step()) return false;
    const std::string folder(path);
    for (const auto& [file, bytes] : m_machine.files) {
      if (file.starts_with(folder + "\\")) return false;
    }
    m_machine.folders.erase(folder);
    return true;
  }
  bool WriteNew(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept {
    const std::string p(path);
    if (!Step() || Exists(path) || !m_machine.folders.count(p.substr(0, p.rfind('\\')))) return false;
    m_machine.files[p] = Text(bytes);
    if (hidden) m_machine.hidden.insert(p);
    return true;
  }
  bool Rename(std::string_view from, std::string_view to) noexcept {
    const std::string f(from), t(to);
    if (!Step() || !m_machine.files.count(f) || Exists(to)) return false;
    m_machine.files[t] = m_machine.files[f];
    m_machine.files.erase(f);
    if (m_machine.hidden.erase(f)) m_machine.hidden.insert(t);
    if (m_held.erase(f)) m_held.insert(t);
    return true;
  }
  bool Delete(std::string_view path) noexcept {
    const std::string p(path);
    if (!Step() || m_held.count(p)) return false;
    m_machine.files.erase(p);
    m_machine.hidden.erase(p);
    return true;
  }
  bool DeleteAtRestart(std::string_view path) noexcept {
    if (!Step()) return false;
    m_atRestart.insert(std::string(path));
    return true;
  }
  bool ReadValue(std::string_view path, StoredValue& value, std::span<std::uint8_t> room) noexcept {
    const auto found = m_machine.values.find(std::string(path));
    if (found == m_machine.values.end()) {
      value = {};
      return true;
    }
    if (found->second.bytes.size() > room.size()) return false;
    std::copy(found->second.bytes.begin(), found->second.bytes.end(), room.begin());
    value = {true, found->second.type, room.first(found->second.bytes.size())};
    return true;
  }
  bool WriteValue(std::string_view path, const StoredValue& value) noexcept {
    if (!Step()) return false;
    if (value.present) {
      m_machine.values[std::string(path)] = {value.type, Text(value.bytes)};
    } else {
      m_machine.values.erase(std::string(path));
    }
    return true;
  }
  bool AppendJournal(std::span<const std::uint8_t> chunk) noexcept {
    if (!Step()) {
      if (m_steps == m_cutAt) m_journal += Text(chunk.first(chunk.size() / 2));  // cut off mid-write
      return false;
    }
    m_journal += Text(chunk);
    return true;
  }
  std::span<const std::uint8_t> ReadJournal(std::span<std::uint8_t> room) noexcept {
    std::copy(m_journal.begin(), m_journal.end(), room.begin());
    return room.first(m_journal.size());
  }
  bool DeleteJournal() noexcept {
    if (!Step()) return false;
    m_journal.clear();
    return true;
  }

 private:
  bool Dead(int step) const { return m_cutAt >= 0 && step >= m_cutAt; }
  bool Step(bool refusable = true) {
    ++m_steps;
    return !Dead(m_steps) && (!refusable || m_steps != m_refuseAt);
  }

  Machine m_machine;
  std::string m_journal;
  std::set<std::string> m_held;
  std::set<std::string> m_atRestart;
  int m_steps = 0;
  int m_cutAt = -1;
  int m_refuseAt = -1;
};

// The machine the pass and the recovery change: the store a test hands them.
TestStore* g_store = nullptr;

constexpr char kRoot[] = "C:\\Apps";

// An older installation in the same place: other bytes in every file it had, one runtime file
// hidden, an older registration with a value the new one lacks and one the new one adds.
struct Installations {
  std::vector<PassFolder> folders = {{"\\Vorlane", false}, {"\\Vorlane\\data", true}, {"\\Vorlane\\lib", false}};
  std::vector<std::string> paths = {"\\Vorlane\\player.exe", "\\Vorlane\\lib\\a.dll", "\\Vorlane\\lib\\b.dll",
                                    "\\Vorlane\\readme.txt", "\\Vorlane\\uninstall.exe"};
  std::vector<std::string> bytes;
  std::vector<PassFile> files;
  std::vector<std::string> valueBytes = {"uninstall.exe", "Vorlanev2.6", "2.6"};
  std::vector<PassValue> values;
  Machine old;
  Machine fresh;

  Installations() {
    for (const std::string& path : paths) bytes.push_back("new " + path);
    for (std::size_t i = 0; i < paths.size(); ++i) files.push_back({paths[i], Bytes(bytes[i]), i == 1});
    const char* names[] = {"Uninstall\\DisplayIcon", "Uninstall\\DisplayName", "Uninstall\\DisplayVersion"};
    for (std::size_t i = 0; i < valueBytes.size(); ++i) values.push_back({names[i], {true, 1, Bytes(valueBytes[i])}});

    for (const PassFolder& folder : folders) fresh.folders.insert(kRoot + std::string(folder.path));
    for (std::size_t i = 0; i < paths.size(); ++i) fresh.files[kRoot + paths[i]] = bytes[i];
    fresh.hidden.insert(kRoot + paths[1]);
    for (std::size_t i = 0; i < valueBytes.size(); ++i) fresh.values[names[i]] = {1, valueBytes[i]};
    fresh.values["Uninstall\\Comments"] = {1, "kept"};

    // The old one lacks the readme and the data folder; its DisplayName is the same.
    old.folders = {kRoot + std::string("\\Vorlane"), kRoot + std::string("\\Vorlane\\lib")};
    for (const std::string& path : paths) {
      if (path != paths[3]) old.files[kRoot + path] = "old " + path;
    }
    old.hidden.insert(kRoot + paths[1]);
    old.values = {{names[0], {1, "uninstall.exe"}}, {names[1], {1, "Vorlanev2.6"}}, {names[2], {4, "2.5"}},
                  {"Uninstall\\Comments", {1, "kept"}}};
  }

  PassPlan Plan(bool productFolderMade) const {
    return {kRoot, folders, productFolderMade, files, values};
  }
};

class InstallPass : public ::testing::Test {
 protected:
  Installations m_installations;
  std::unique_ptr<PassRoom> m_room = std::make_unique<PassRoom>();

  PassResult Run(TestStore& store, bool productFolderMade = false) {
    g_store = &store;
    return RunPass(m_installations.Plan(productFolderMade), *m_room);
  }
  Recovery Recover(TestStore& store) {
    store.NewProcess();
    g_store = &store;
    return RecoverPass(kRoot, *m_room);
  }
};

TEST_F(InstallPass, CutOffAtAnyStepTheNextRunLeavesTheOldOrTheNewInstallationExactly) {
  const Machine& old = m_installations.old;
  const Machine& fresh = m_installations.fresh;
  TestStore whole(old);
  const PassResult result = Run(whole);
  ASSERT_EQ(result.end, PassEnd::kInstalled);
  EXPECT_TRUE(result.replaced);
  EXPECT_EQ(whole.machine(), fresh);
  EXPECT_FALSE(whole.HasJournal());
  const int steps = whole.Steps();

  bool sawOld = false, sawNew = false;
  for (int cut = 1; cut <= steps; ++cut) {
    TestStore store(old);
    store.CutAt(cut);
    Run(store);
    // The recovery may itself be cut off at any of its steps; the run after it finishes the job.
    TestStore probe = store;
    const Recovery recovered = Recover(probe);
    ASSERT_NE(recovered, Recovery::kFailed) << "cut at step " << cut;
    const Machine end = probe.machine();
    ASSERT_TRUE(end == old || end == fresh) << "cut at step " << cut;
    EXPECT_FALSE(probe.HasJournal());
    sawOld |= end == old;
    sawNew |= end == fresh;
    for (int again = 1; again <= probe.Steps(); ++again) {
      TestStore twice = store;
      twice.NewProcess();
      twice.CutAt(again);
      g_store = &twice;
      RecoverPass(kRoot, *m_room);
      Recover(twice);
      EXPECT_EQ(twice.machine(), end) << "cut at step " << cut << ", recovery cut at step " << again;
    }
  }
  EXPECT_TRUE(sawOld && sawNew);
}

TEST_F(InstallPass, ARefusedStepUndoesThePassAndAHeldBackupWaitsForTheRestart) {
  TestStore counting(m_installations.old);
  Run(counting);
  for (int refused = 1; refused <= counting.Steps(); ++refused) {
    TestStore store(m_installations.old);
    store.RefuseAt(refused);
    const PassResult result = Run(store);
    // Refusals after every file is in place leave the pass installed: a backup left for the
    // restart, or the journal, which the next run finishes.
    if (result.end == PassEnd::kInstalled) {
      Recover(store);
      store.Restart();
      EXPECT_EQ(store.machine(), m_installations.fresh) << "refused step " << refused;
    } else {
      EXPECT_EQ(result.end, PassEnd::kUndone) << "refused step " << refused;
      EXPECT_EQ(store.machine(), m_installations.old) << "refused step " << refused;
      EXPECT_FALSE(store.HasJournal());
    }
  }

  // What an interrupted run of an older installer left beside a file it replaces is no obstacle.
  Machine leftovers = m_installations.old;
  leftovers.files[kRoot + std::string("\\Vorlane\\player.exe.vlnew")] = "half";
  leftovers.files[kRoot + std::string("\\Vorlane\\lib\\a.dll.vlold")] = "older";
  TestStore cleared(leftovers);
  EXPECT_EQ(Run(cleared).end, PassEnd::kInstalled);
  EXPECT_EQ(cleared.machine(), m_installations.fresh);

  // A program holds the old player: the backup it holds goes at the restart.
  TestStore held(m_installations.old);
  held.Hold(std::string(kRoot) + "\\Vorlane\\player.exe");
  const PassResult result = Run(held);
  EXPECT_EQ(result.end, PassEnd::kInstalled);
  EXPECT_EQ(result.scheduled, 1);
  EXPECT_NE(held.machine(), m_installations.fresh);
  held.Restart();
  EXPECT_EQ(held.machine(), m_installations.fresh);
}

TEST_F(InstallPass, AFirstInstallationThatFailsOrIsCutOffLeavesNothing) {
  Machine empty;
  empty.folders.insert(kRoot + std::string("\\Vorlane"));  // made by the root's check, as the plan says
  Machine installed = m_installations.fresh;
  installed.values.erase("Uninstall\\Comments");
  TestStore counting(empty);
  ASSERT_EQ(Run(counting, true).end, PassEnd::kInstalled);
  ASSERT_EQ(counting.machine(), installed);
  for (int step = 1; step <= counting.Steps(); ++step) {
    for (const bool cut : {false, true}) {
      TestStore store(empty);
      cut ? store.CutAt(step) : store.RefuseAt(step);
      const PassResult result = Run(store, true);
      EXPECT_FALSE(result.replaced);
      if (cut) Recover(store);
      const Machine end = store.machine();
      // Only the empty product folder may outlive the journal inside it.
      const bool nothing = end == Machine{} || (cut && end == empty);
      EXPECT_TRUE(end == installed || nothing) << (cut ? "cut at step " : "refused step ") << step << end;
      if (!cut) EXPECT_EQ(nothing, result.end == PassEnd::kUndone) << "refused step " << step;
    }
  }
}

}  // namespace
}  // namespace vl::journal

namespace vl::journal::machine {

bool Exists(std::string_view path) noexcept { return g_store->Exists(path); }
void MakeFolder(std::string_view path, bool userWritable) noexcept { g_store->MakeFolder(path, userWritable); }
bool RemoveFolder(std::string_view path) noexcept { return g_store->RemoveFolder(path); }
bool WriteNew(std::string_view path, std::span<const std::uint8_t> bytes, bool hidden) noexcept {
  return g_store->WriteNew(path, bytes, hidden);
}
bool Rename(std::string_view from, std::string_view to) noexcept { return g_store->Rename(from, to); }
bool Delete(std::string_view path) noexcept { return g_store->Delete(path); }
bool DeleteAtRestart(std::string_view path) noexcept { return g_store->DeleteAtRestart(path); }
bool ReadValue(std::string_view path, StoredValue& value, std::span<std::uint8_t> room) noexcept {
  return g_store->ReadValue(path, value, room);
}
bool WriteValue(std::string_view path, const StoredValue& value) noexcept { return g_store->WriteValue(path, value); }
bool AppendJournal(std::span<const std::uint8_t> chunk) noexcept { return g_store->AppendJournal(chunk); }
std::span<const std::uint8_t> ReadJournal(std::span<std::uint8_t> room) noexcept { return g_store->ReadJournal(room); }
bool DeleteJournal() noexcept { return g_store->DeleteJournal(); }

}  // namespace vl::journal::machine
