#include "progress.h"

#include "app_texts.h"
#include "globals.h"
#include "handler_support.h"
#include "page_segment_layout.h"
#include "runtime/value_format.h"

using namespace vl;
using namespace vl::installer;

namespace {

constexpr double kStep = 5.0;
constexpr double kMargin = 15.0;
constexpr double kTolerance = 0.0000001;

// The bar grows until its width reaches the frame's width less the margin.
bool BarIsShort() {
  const double limit = ReadNumber(kProgressPage, kProgressFrame, kPropWidth) - kMargin;
  const double bar = ReadNumber(kProgressPage, kProgressBar, kPropWidth);
  return bar - limit < -kTolerance;
}

void GrowBar() {
  WriteNumber(kProgressPage, kProgressBar, kPropWidth, ReadNumber(kProgressPage, kProgressBar, kPropWidth) + kStep);
}

void AlignWithFrame(std::uint32_t line) {
  WriteNumber(kProgressPage, line, kPropLeft, ReadNumber(kProgressPage, kProgressFrame, kPropLeft));
  WriteNumber(kProgressPage, line, kPropWidth, ReadNumber(kProgressPage, kProgressFrame, kPropWidth));
}

// The fixed report: the install root before each of its 22 lines. Its last line tells how the
// installation ended: complete, complete but for links that could not be saved, or undone.
OwnedText BuildReport() {
  const Text r = InstallRoot;
  const OwnedText count = FailedStepCount == 0 ? OwnedText() : DisplayText(IntArg(FailedStepCount));
  const OwnedText last = PassUndone == Undone::kOldKept            ? CopyText(kReportOldInstallationKept)
                         : PassUndone == Undone::kNothingInstalled ? CopyText(kReportNothingInstalled)
                         : FailedStepCount == 0                    ? CopyText(kReportSuccess)
                                 : ConcatTexts({kReportFailurePrefix, count.Get(), kReportFailureSuffix});
  return ConcatTexts({r, kReportLine01, r, kReportLine02, r, kReportLine03, r, kReportLine04, r, kReportLine05,
                      r, kReportLine06, r, kReportLine07, r, kReportLine08, r, kReportLine09, r, kReportLine10,
                      r, kReportLine11, r, kReportLine12, r, kReportLine13, r, kReportLine14, r, kReportLine15,
                      r, kReportLine16, r, kReportLine17, r, kReportLine18, r, kReportLine19, r, kReportLine20,
                      r, kReportLine21, r, last.Get()});
}

}  // namespace

namespace vl::installer {

void PrepareProgressDisplay() noexcept {
  WriteBool(kProgressPage, kFinishButton, kPropDisabled, true);
  AlignWithFrame(kUpperHyphenLine);
  AlignWithFrame(kLowerHyphenLine);
  WriteNumber(kProgressPage, kProgressBar, kPropLeft, ReadNumber(kProgressPage, kProgressFrame, kPropLeft) + kStep);
  WriteNumber(kProgressPage, kProgressTimer, kContent, 1.0);
}

}  // namespace vl::installer

extern "C" void OnProgressTick() {
  if (BarIsShort()) {
    GrowBar();
  } else {
    WriteNumber(kProgressPage, kProgressTimer, kContent, 0.0);
  }
  // The same text on every tick: built once, written whole each time.
  if (Report == nullptr) Report = BuildReport().Release();
  WriteText(kProgressPage, kReportBox, Report);
  if (BarIsShort()) {
    GrowBar();
  } else {
    WriteBool(kProgressPage, kFinishButton, kPropDisabled, false);
  }
}
