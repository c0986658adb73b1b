#pragma once
// The installation itself, for the progress page and for the unattended run.
#include "runtime/frame.h"

namespace vl::installer {

// Every step of the installation into InstallRoot, in order, counting the failed ones in
// FailedStepCount; the run log's start is the caller's. With `showProgress`, ProgressPage's
// display is set up first.
void InstallProduct(bool showProgress) noexcept;

// The unattended installation (/S): into /D= or the default root. Returns the exit code: 0 when
// every step succeeded, 1 when the root was refused (its volume too full among the reasons), 3
// when a carried content is damaged, 5 when a program holds the product's files (nothing
// installed in these three cases), 7 when a failed step undid the installation, 4 when links
// could not be saved, 3010 when it is complete but backups wait for the next restart.
int InstallUnattended() noexcept;

// Puts right an installation under InstallRoot that a run left cut off, before this one changes
// anything: the old installation back, or the new one finished.
void RecoverCutOffInstallation() noexcept;

// Opens the run log /LOG= names, unless it is open. Opened only once the command line is accepted
// and the root judged (or the copy found damaged): a run that ends before then leaves no file
// behind. One that cannot be opened, or is not kept, stops nothing: the run goes on without one.
void OpenRequestedLog() noexcept;

// The same, then the run's start in the log: the command line and `root`.
void StartRunLog(Text root) noexcept;

// Whether the root's volume has room for the carried files (beside the old ones, for a
// reinstallation).
bool RootHasRoom(Text root) noexcept;

}  // namespace vl::installer
