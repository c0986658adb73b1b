// Timer: a hidden window whose system timer (id 1000) raises the Timer's event 0 each period.
#include "../control.h"
#include "../event_dispatch.h"
#include "../page_window.h"

namespace vl {
namespace {

using F = pages::TimerField;

constexpr UINT_PTR kTimerId = 1000;

constexpr PropertyDef kTimerProperties[] = {
    {ptype::kInt, static_cast<std::int8_t>(F::Period)},
};

// Starts, restarts or stops the system timer for a period; an unchanged period does nothing.
void ApplyPeriod(Control& timer, std::int32_t period) noexcept {
  if (period < 0) period = 0;
  timer.SetNumber(static_cast<int>(F::Period), static_cast<std::uint32_t>(period));
  if (period == timer.m_timerPeriod && (period == 0 || timer.m_timerRunning)) return;
  if (timer.m_timerRunning) KillTimer(timer.Window(), kTimerId);
  timer.m_timerRunning = period > 0 && SetTimer(timer.Window(), kTimerId, static_cast<UINT>(period), nullptr) != 0;
  timer.m_timerPeriod = period;
}

bool TimerInterface(int request, Control& timer, KindRequest& data) noexcept {
  switch (request) {
    case kRequestCreate:
      timer.m_timerRunning = false;
      timer.m_timerPeriod = 0;
      if (!timer.CreateControlWindow(TimerClass(), timer.ChildStyle(), 0, false)) return false;
      ApplyPeriod(timer, timer.Int(F::Period));
      return true;
    case kRequestChanged:
      ApplyPeriod(timer, static_cast<std::int32_t>(data.lo));
      return true;
    default:
      return false;
  }
}

bool TimerMessage(Control& timer, UINT message, WPARAM wParam, LPARAM, LRESULT& result) noexcept {
  if (message != WM_TIMER || wParam != kTimerId) return false;
  FireEvent(timer.Page().PageId(), timer.Id(), kEventTick);
  result = 0;
  return true;
}

}  // namespace

const KindDescriptor kTimerKind = {pages::kKindTimer, kTimerProperties, &TimerInterface, &TimerMessage};

}  // namespace vl
