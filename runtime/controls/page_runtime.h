#pragma once
// Loading and closing pages: the LoadPage and ClosePage commands and what the start page and the
// end of the program need of them.
#include <cstdint>

#include "runtime/command_call.h"

namespace vl {

// LoadPage(page: page reference, parent: page reference opt, modal: bool opt) -> bool: builds the
// page, fires its events 0, 3 and 4 and shows it; an open page is only activated. False for an
// unknown page, a parent that is not loaded and a page that cannot be built (nothing is left of
// it then).
void LoadPageCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// ClosePage(page: page reference, now: bool opt) -> none: closes the page once the running
// handler has returned (a posted request), or at once when `now` is true. A page that is not
// loaded is fatal.
void ClosePageCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept;

// The steps of LoadPage, for callers inside the runtime; parentPageId 0 means no parent.
bool LoadPage(std::uint32_t pageId, std::uint32_t parentPageId, bool modal) noexcept;
// ClosePage by page id; fatal when the page is not loaded (or the unit id is not its window unit,
// when one is given).
void ClosePage(std::uint32_t pageId, std::uint32_t windowUnitId, bool now) noexcept;

}  // namespace vl
