#pragma once
// The pages and controls the installer's handlers address, by the ids of its page descriptions.
#include <windows.h>

#include <cstdint>

namespace vl::installer {

// A page is referred to by its page id and the id of its own window unit.
struct PageRef {
  std::uint32_t page;
  std::uint32_t windowUnit;
};

inline constexpr PageRef kWelcomePage{0x52010001, 0x06010000};
inline constexpr PageRef kAgreementPage{0x52010013, 0x06010012};
inline constexpr PageRef kLocationPage{0x52010043, 0x06010044};
inline constexpr PageRef kProgressPage{0x5201008D, 0x0601008E};

// LocationPage.
inline constexpr std::uint32_t kInstallFolderBox = 0x16010052;
inline constexpr std::uint32_t kBrowseButton = 0x16010053;
inline constexpr std::uint32_t kLocationBackButton = 0x16010045;
inline constexpr std::uint32_t kLocationNextButton = 0x16010046;

// ProgressPage.
inline constexpr std::uint32_t kProgressFrame = 0x16010098;
inline constexpr std::uint32_t kProgressBar = 0x1601009A;
inline constexpr std::uint32_t kUpperHyphenLine = 0x160100A2;
inline constexpr std::uint32_t kLowerHyphenLine = 0x160100A3;
inline constexpr std::uint32_t kProgressTimer = 0x1601009B;
inline constexpr std::uint32_t kFinishButton = 0x16010090;
inline constexpr std::uint32_t kReportBox = 0x160100C1;

// Property numbers common to every kind, and the first kind-specific one.
inline constexpr int kLeft = 0;
inline constexpr int kWidth = 2;
inline constexpr int kDisabled = 6;
inline constexpr int kContent = 8;  // EditBox: its text; Timer: its period in milliseconds
inline constexpr int kWholeProperty = -1;

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
