#pragma once
// The pages and controls the installer's handlers address, by the ids of its page descriptions
// (generated from pages/pages.txt), and the answers its message boxes give.
#include <windows.h>

#include <cstdint>

#include "page_segment_layout.h"
#include "runtime/frame.h"

namespace vl::installer {

// A page is referred to by its page id and the id of its own window unit.
struct PageRef {
  std::uint32_t page;
  std::uint32_t windowUnit;
};

inline constexpr PageRef kWelcomePage{page_ids::kWelcomePage, page_ids::kWelcomeWindow};
inline constexpr PageRef kAgreementPage{page_ids::kAgreementPage, page_ids::kAgreementWindow};
inline constexpr PageRef kLocationPage{page_ids::kLocationPage, page_ids::kLocationWindow};
inline constexpr PageRef kProgressPage{page_ids::kProgressPage, page_ids::kProgressWindow};

// The controls the handlers address, named in the page source.
using page_ids::kInstallFolderBox, page_ids::kBrowseButton, page_ids::kLocationBackButton,
    page_ids::kLocationNextButton;
using page_ids::kProgressFrame, page_ids::kProgressBar, page_ids::kUpperHyphenLine, page_ids::kLowerHyphenLine,
    page_ids::kProgressTimer, page_ids::kFinishButton, page_ids::kReportBox;

// The first property of an EditBox (its text) and of a Timer (its period in milliseconds).
inline constexpr int kContent = kFirstKindProperty;

// Special folder codes the installation uses.
inline constexpr int kDesktopFolder = 3;
inline constexpr int kProgramsFolder = 6;
inline constexpr int kApplicationDataFolder = 8;
inline constexpr int kCommonDesktopFolder = 12;
inline constexpr int kCommonProgramsFolder = 13;

// The answers the handlers look for: a message box's style is the system's (MB_YESNO...), and
// its answer the id of the button chosen less one.
inline constexpr int kAnswerOk = IDOK - 1;
inline constexpr int kAnswerRetry = IDRETRY - 1;
inline constexpr int kAnswerYes = IDYES - 1;

}  // namespace vl::installer
