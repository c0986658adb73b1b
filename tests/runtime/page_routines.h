#pragma once
// The routines the page runtime's test pages bind: each counts its calls, is logged in the order
// the routines ran, and runs the hook a test gave it, if any.
#include <functional>
#include <vector>

enum class Routine { FirstCreated, FirstCloseRequest, FirstDestroyed, FirstClick, Tick, SecondCreated, SecondClick,
                     HiddenCreated, FirstMoved, FirstResized, FirstFocus, Count };

struct RoutineLog {
  int calls[static_cast<int>(Routine::Count)] = {};
  std::vector<Routine> order;
  std::function<void()> hooks[static_cast<int>(Routine::Count)];

  int Calls(Routine r) const { return calls[static_cast<int>(r)]; }
  std::function<void()>& Hook(Routine r) { return hooks[static_cast<int>(r)]; }
  void Reset() { *this = RoutineLog(); }
};
extern RoutineLog g_routines;
