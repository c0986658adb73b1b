// Provisional handlers for the installer's pages, until the installer's own exist: Next and Back
// move between the first three pages the way the installer will (load the next page, then close
// the current one when the handler returns); every routine counts its calls.
#include "provisional_handlers.h"

#include "page_segment_layout.h"
#include "runtime/frame.h"
#include "runtime/controls/page_runtime.h"

namespace {

constexpr std::uint32_t kWelcome[] = {page_ids::kWelcomePage, page_ids::kWelcomeWindow};
constexpr std::uint32_t kAgreement[] = {page_ids::kAgreementPage, page_ids::kAgreementWindow};
constexpr std::uint32_t kLocation[] = {page_ids::kLocationPage, page_ids::kLocationWindow};

// From one page to another, as a handler does it through the command frame.
void Move(const std::uint32_t (&from)[2], const std::uint32_t (&to)[2]) {
  static_cast<void>(vl::CallCommand(vl::LoadPageCommand, vl::ArgList{vl::PageRefArg(to[0], to[1])}));
  static_cast<void>(vl::CallCommand(vl::ClosePageCommand, vl::ArgList{vl::PageRefArg(from[0], from[1])}));
}

}  // namespace

ProvisionalCalls g_provisionalCalls;

extern "C" void ConfirmExit() { ++g_provisionalCalls.confirmExit; }
extern "C" void OnWelcomeNext() { Move(kWelcome, kAgreement); }
extern "C" void OnAgreementBack() { Move(kAgreement, kWelcome); }
extern "C" void OnAgreementNext() { Move(kAgreement, kLocation); }
extern "C" void OnAgreementCancel() { ++g_provisionalCalls.confirmExit; }
extern "C" void OnLocationOpened() { ++g_provisionalCalls.locationOpened; }
extern "C" void OnBrowse() {}
extern "C" void OnLocationBack() { Move(kLocation, kAgreement); }
extern "C" void OnLocationNext() {}
extern "C" void OnLocationCancel() { ++g_provisionalCalls.confirmExit; }
extern "C" void RunInstallation() { ++g_provisionalCalls.runInstallation; }
extern "C" void OnProgressTick() {}
extern "C" void OnFinish() {}
