#include "payload_check.h"

#include <windows.h>

#include <atomic>

#include "app_texts.h"
#include "globals.h"
#include "handler_support.h"
#include "installation.h"
#include "payload/catalogue.h"
#include "payload/content_check.h"
#include "runtime/frame.h"
#include "runtime/unique_handle.h"
#include "services/run_log.h"

namespace vl::installer {
namespace {

constexpr int kPending = -2;
constexpr int kSound = -1;  // as payload::FirstDamagedEntry says it

// The index of the first damaged entry, kSound, or kPending while the worker runs.
std::atomic<int> g_verdict{kPending};
UniqueKernelHandle g_worker;
bool g_reporting = false;

void LogDamage(Text root, int entry) noexcept {
  StartRunLog(root);
  LogAction("content", false, payload::Entries()[entry].path);
  LogVerdict(1);
}

// On the GUI thread: a damaged payload shown once, then the end.
void ShowDamage() noexcept {
  const int verdict = g_verdict.load();
  if (verdict < 0 || g_reporting) return;
  g_reporting = true;
  LogDamage(RequestedRoot(), verdict);
  AskUser(kDamagedInstaller, MB_ICONERROR, kErrorTitle);
  EndProgram(-1);
}

DWORD WINAPI CheckOnWorker(void*) {
  g_verdict.store(payload::FirstDamagedEntry());
  PostToGuiThread(&ShowDamage);
  return 0;
}

}  // namespace

void StartPayloadCheck() noexcept {
  // A small stack: the check needs a kilobyte of table and a few calls.
  g_worker = UniqueKernelHandle(
      CreateThread(nullptr, 64 * 1024, CheckOnWorker, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
}

bool AwaitSoundPayload() noexcept {
  if (g_worker) {
    WaitForSingleObject(g_worker.Get(), INFINITE);
  } else if (g_verdict.load() == kPending) {
    g_verdict.store(payload::FirstDamagedEntry());
  }
  ShowDamage();
  // Still here: sound, or damaged while the damage is already being shown.
  return g_verdict.load() == kSound;
}

bool CheckPayloadUnattended(const char* root) noexcept {
  const int damaged = payload::FirstDamagedEntry();
  if (damaged != kSound) LogDamage(root, damaged);
  return damaged == kSound;
}

}  // namespace vl::installer
