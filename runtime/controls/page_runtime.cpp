#include "page_runtime.h"

#include <windows.h>

#include <optional>
#include <utility>

#include "event_dispatch.h"
#include "page_window.h"
#include "runtime/fatal_error.h"
#include "runtime/private_messages.h"
#include "runtime/runtime_object.h"
#include "runtime_texts.h"

namespace vl {
namespace {

struct PageRef {
  std::uint32_t pageId = 0;
  std::uint32_t windowUnitId = 0;
};

std::optional<PageRef> AsPageRef(const ArgRecord& arg) noexcept {
  if (arg.tag != tag::kPageReference) return std::nullopt;
  return PageRef{static_cast<std::uint32_t>(arg.lo), arg.hi};
}

// The modal page's own loop: runs until the page's window is gone. A quit request met on the way
// is put back for the outer loop.
void RunModalLoop(HWND window) noexcept {
  MSG message;
  while (IsWindow(window)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

HWND g_currentModal = nullptr;

}  // namespace

bool LoadPage(std::uint32_t pageId, std::uint32_t parentPageId, bool modal) noexcept {
  Runtime& runtime = TheRuntime();
  // The parent must be loaded, and the page known.
  HWND parentWindow = nullptr;
  if (parentPageId != 0) {
    PageWindow* parent = PageWindow::Loaded(parentPageId);
    if (parent == nullptr || !IsWindow(parent->Window())) return false;
    parentWindow = parent->Window();
  }
  pages::PageDescription* description = runtime.Pages().Find(pageId);
  if (description == nullptr) return false;
  // An open page is only activated, unless its close is pending: then it is built anew.
  if (PageWindow* open = PageWindow::Loaded(pageId)) {
    if (!open->ClosePending()) {
      if (IsIconic(open->Window())) ShowWindow(open->Window(), SW_RESTORE);
      else SetForegroundWindow(open->Window());
      return true;
    }
    open->FinishCloseForRebuild();
    if (PageWindow::Loaded(pageId) != nullptr) return false;  // still there: cannot rebuild
  }
  if (modal) parentWindow = nullptr;
  else if (parentWindow != nullptr && !IsWindow(parentWindow)) return false;

  // Built with events suspended; a page that cannot be built leaves nothing of itself.
  runtime.SuspendEvents();
  auto* page = new PageWindow(*description);
  PageWindow::Use use(page);
  if (!page->Build(parentWindow)) {
    if (page->Alive()) DestroyWindow(page->Window());  // deletes the object once `use` ends
    else page->DeleteWhenUnused();
    runtime.ResumeEvents();
    return false;
  }
  runtime.ResumeEvents();

  // Its events 0, 3 and 4 while it is still hidden; a handler may close it on the way.
  const std::uint32_t id = description->Id();
  FireEvent(id, 0, kEventCreated);
  if (page->Alive()) FireEvent(id, 0, kEventMoved);
  if (page->Alive()) FireEvent(id, 0, kEventResized);
  if (!page->Alive()) return true;

  // Shown as stored; a page stored hidden is shown the first time its window unit is made visible.
  const bool visible = description->WindowUnit().View().Visible();
  if (visible) page->ShowFirstTime();
  if (!page->Alive()) return true;
  if (modal) page->BecomeModal();
  page->SetFirstShowPending(true);
  if (visible) {
    page->SetFirstShowPending(false);
    if (modal) {
      const HWND outer = std::exchange(g_currentModal, page->Window());
      RunModalLoop(page->Window());
      g_currentModal = outer;
    }
  }
  return true;
}

void ClosePage(std::uint32_t pageId, std::uint32_t windowUnitId, bool now) noexcept {
  PageWindow* page = PageWindow::Loaded(pageId);
  if (page == nullptr || !page->Alive() || (windowUnitId != 0 && windowUnitId != page->WindowUnitId())) {
    FatalRuntimeError(kPageNotLoaded);
  }
  page->SetClosePending();
  if (now) {
    PageWindow::Use use(page);
    page->FinishClose();
    return;
  }
  PostMessageW(page->Window(), kClosePageMessage, 0, 0);
}

void LoadPageCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  const auto page = AsPageRef(ArgAt(count, args, 0));
  const auto parent = AsPageRef(ArgAt(count, args, 1));
  const bool modal = AsBool(ArgAt(count, args, 2)).value_or(false);
  SetBoolResult(result, page.has_value() && LoadPage(page->pageId, parent ? parent->pageId : 0, modal));
}

void ClosePageCommand(ResultRecord* /*result*/, int count, const ArgRecord* args) noexcept {
  const auto page = AsPageRef(ArgAt(count, args, 0));
  if (!page) FatalRuntimeError(kPageNotLoaded);
  ClosePage(page->pageId, page->windowUnitId, AsBool(ArgAt(count, args, 1)).value_or(false));
}

}  // namespace vl
