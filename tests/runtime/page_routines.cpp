#include "page_routines.h"

#include "page_segment_layout.h"

RoutineLog g_routines;

namespace {
void Ran(Routine routine) {
  ++g_routines.calls[static_cast<int>(routine)];
  g_routines.order.push_back(routine);
  // A copy: the hook may replace itself.
  const std::function<void()> hook = g_routines.Hook(routine);
  if (hook) hook();
}
}  // namespace

extern "C" void OnFirstCreated() { Ran(Routine::FirstCreated); }
extern "C" void OnFirstCloseRequest() { Ran(Routine::FirstCloseRequest); }
extern "C" void OnFirstDestroyed() { Ran(Routine::FirstDestroyed); }
extern "C" void OnFirstClick() { Ran(Routine::FirstClick); }
extern "C" void OnTick() { Ran(Routine::Tick); }
extern "C" void OnSecondCreated() { Ran(Routine::SecondCreated); }
extern "C" void OnSecondClick() { Ran(Routine::SecondClick); }
extern "C" void OnHiddenCreated() { Ran(Routine::HiddenCreated); }
extern "C" void OnFirstMoved() { Ran(Routine::FirstMoved); }
extern "C" void OnFirstResized() { Ran(Routine::FirstResized); }
extern "C" void OnFirstFocus() { Ran(Routine::FirstFocus); }
