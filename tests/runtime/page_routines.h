#pragma once
// The routines the page runtime's test pages bind: each counts its calls and runs the hook a test
// gave it, if any.
#include <functional>

enum class Routine { FirstCreated, FirstCloseRequest, FirstDestroyed, FirstClick, Tick, SecondCreated, SecondClick,
                     HiddenCreated, Count };

struct RoutineLog {
  int calls[static_cast<int>(Routine::Count)] = {};
  std::function<void()> hooks[static_cast<int>(Routine::Count)];

  int Calls(Routine r) const { return calls[static_cast<int>(r)]; }
  std::function<void()>& Hook(Routine r) { return hooks[static_cast<int>(r)]; }
  void Reset() { *this = RoutineLog(); }
};
extern RoutineLog g_routines;
