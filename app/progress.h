#pragma once
// ProgressPage: the progress bar, filled on the timer's ticks after the installation, and the
// completion report.

namespace vl::installer {

// Finish disabled, the hyphen lines and the bar aligned with the progress frame, the timer
// started with the shortest interval. Part of RunInstallation.
void PrepareProgressDisplay() noexcept;

}  // namespace vl::installer
