#pragma once
// The installation itself, for the progress page and for the unattended run.

namespace vl::installer {

// Every step of the installation into InstallRoot, in order, counting the failed ones in
// FailedStepCount; the run log's start is the caller's. With `showProgress`, ProgressPage's
// display is set up first.
void InstallProduct(bool showProgress) noexcept;

// The unattended installation (/S): into /D= or the default root. Returns the exit code: 0 when
// every step succeeded, 1 when the root was refused, 3 when a carried content is damaged, 5 when
// a program holds the product's files (nothing installed in these three cases), 4 when a step
// failed.
int InstallUnattended() noexcept;

}  // namespace vl::installer
