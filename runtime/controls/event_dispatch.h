#pragma once
// Delivering page and control events to the handlers bound to them in the page descriptions.
#include <cstdint>

namespace vl {

// Page window events.
inline constexpr int kEventCreated = 0;
inline constexpr int kEventCloseRequest = 1;
inline constexpr int kEventDestroying = 2;
inline constexpr int kEventMoved = 3;
inline constexpr int kEventResized = 4;
inline constexpr int kEventFirstFocus = -7;
// Control events: a Button's click, a Timer's tick, an EditBox's content change.
inline constexpr int kEventClicked = 0;
inline constexpr int kEventTick = 0;
inline constexpr int kEventContentChanged = 0;

struct EventRecord {
  std::uint32_t pageId = 0;
  std::uint32_t unitId = 0;
  int number = 0;
  bool hasResult = false;
  std::int32_t result = 0;
};

// Fires event `number` of a unit (unit id 0: the page's window unit). Dropped while event
// dispatch is suspended; nothing happens when the unit has no handler for it. An unknown page,
// an unknown unit or a unit of no window or control kind is fatal. The handlers of this program
// give no result, so the record comes back without one.
EventRecord FireEvent(std::uint32_t pageId, std::uint32_t unitId, int number) noexcept;

// The page and unit whose event is being handled; 0 outside handlers.
std::uint32_t CurrentEventPage() noexcept;
std::uint32_t CurrentEventUnit() noexcept;

}  // namespace vl
