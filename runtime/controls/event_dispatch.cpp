#include "event_dispatch.h"

#include <utility>

#include "pages/page_format.h"
#include "pages/page_segment.h"
#include "runtime/fatal_error.h"
#include "runtime/runtime_object.h"
#include "runtime_texts.h"

namespace vl {
namespace {

std::uint32_t g_currentPage = 0;
std::uint32_t g_currentUnit = 0;

bool IsWindowOrControlKind(std::uint32_t kind) noexcept { return pages::FindKind(kind) != nullptr; }

}  // namespace

EventRecord FireEvent(std::uint32_t pageId, std::uint32_t unitId, int number) noexcept {
  EventRecord record{pageId, unitId, number, false, 0};
  Runtime& runtime = TheRuntime();
  if (runtime.EventsSuspended() || runtime.Ending()) return record;
  pages::PageDescription* page = runtime.Pages().Find(pageId);
  if (page == nullptr) FatalRuntimeError(kEventPageUnknown);
  pages::Unit* unit = unitId == 0 ? &page->WindowUnit() : page->FindUnit(unitId);
  if (unit == nullptr) FatalRuntimeError(kEventUnitUnknown);
  const std::uint32_t kind = unit->View().Kind();
  // Follow the links to the unit that holds the table; a chain longer than the page's units is a
  // cycle and ends where it is.
  for (std::size_t steps = 0; steps < page->Units().size(); ++steps) {
    const std::uint32_t link = unit->View().EventLink();
    if (link == 0) break;
    pages::Unit* linked = page->FindUnit(link);
    if (linked == nullptr || linked->View().Kind() != kind) break;
    unit = linked;
  }
  if (!IsWindowOrControlKind(kind)) FatalRuntimeError(kEventUnitInvalid);
  const std::uint32_t handler = unit->View().Handler(number);
  if (handler == 0) return record;
  const std::uint32_t outerPage = std::exchange(g_currentPage, pageId);
  const std::uint32_t outerUnit = std::exchange(g_currentUnit, unitId);
  reinterpret_cast<void (*)()>(static_cast<std::uintptr_t>(handler))();
  // Handlers nest (a handler loading a page runs that page's handlers): the outer one is current
  // again once the inner one returns.
  g_currentPage = outerPage;
  g_currentUnit = outerUnit;
  return record;
}

std::uint32_t CurrentEventPage() noexcept { return g_currentPage; }
std::uint32_t CurrentEventUnit() noexcept { return g_currentUnit; }

}  // namespace vl
