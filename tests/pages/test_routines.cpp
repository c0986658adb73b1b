// The routines the test pages bind (data/test_routines.txt): each records that it ran.
#include "test_routines.h"

int g_lastRoutine = 0;
int g_routineCalls = 0;

namespace {
void Ran(int routine) {
  g_lastRoutine = routine;
  ++g_routineCalls;
}
}  // namespace

extern "C" void FirstRoutine() { Ran(1); }
extern "C" void OnPageCreated() { Ran(2); }
extern "C" void OnButtonClick() { Ran(3); }
extern "C" void OnTimerTick() { Ran(4); }
