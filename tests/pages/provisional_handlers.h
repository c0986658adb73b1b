#pragma once
// What the provisional handlers of the installer's pages recorded.
struct ProvisionalCalls {
  int confirmExit = 0;
  int locationOpened = 0;
  int runInstallation = 0;
};
extern ProvisionalCalls g_provisionalCalls;
