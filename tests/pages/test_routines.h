#pragma once
// What the test pages' routines record: the last one that ran (1 FirstRoutine, 2 OnPageCreated,
// 3 OnButtonClick, 4 OnTimerTick) and how many calls there were.
extern int g_lastRoutine;
extern int g_routineCalls;
