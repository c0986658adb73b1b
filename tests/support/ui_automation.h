#pragma once
// Drives windows the way a user would, for tests: find windows and controls, click buttons, read
// and type texts, answer message boxes, and take screenshots. Every call that talks to another
// window's thread does so with a timeout or by posting, so a hung or busy target cannot hang the
// test. Nothing here throws: failures come back as false, null or an empty optional.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vl::test {

// How long a synchronous message to another thread may take before the target counts as hung.
inline constexpr DWORD kDefaultSendTimeoutMs = 5000;

// What a top-level window must match. Null strings and a zero process id match anything; the
// title must match exactly, the class name ignoring case (as Windows compares class names).
struct WindowQuery {
  const wchar_t* className = nullptr;
  const wchar_t* title = nullptr;
  DWORD processId = 0;
  bool visibleOnly = true;
};

// Message boxes and other dialog boxes have this predefined class.
inline constexpr wchar_t kDialogClass[] = L"#32770";

// --- Waiting --------------------------------------------------------------------------------

// Dispatches every message waiting in this thread's queue, without blocking.
void PumpMessages() noexcept;

// Keeps this thread's windows alive for the given time: pumps, sleeping in small steps. Only for
// watching that something does NOT happen over a span; to let things settle, use PumpUntilQuiet.
void PumpMessagesFor(DWORD milliseconds) noexcept;

// Pumps until this thread's queue holds nothing (no input, paint, timer or posted message) right
// after a pump; false when it is still busy after the timeout.
bool PumpUntilQuiet(DWORD timeoutMs) noexcept;

// The first top-level window matching the query, in z-order; null when none does.
HWND FindTopLevelWindow(const WindowQuery& query) noexcept;

// Waits, pumping this thread's messages and sleeping in small steps, until the condition holds;
// false when the timeout passes first. The condition runs at least once.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) noexcept;

// Waits, pumping this thread's messages, until a matching top-level window exists; null when
// the timeout passes first.
HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs) noexcept;

// Waits, pumping this thread's messages, until the window is destroyed or hidden; false when
// it is still there after the timeout.
bool WaitForWindowGone(HWND window, DWORD timeoutMs) noexcept;

// The visible top-level windows of a process, one a line as class and caption: for a test to
// tell what was on screen when the window it waited for never came.
std::wstring DescribeWindows(DWORD processId) noexcept;

// --- Controls -------------------------------------------------------------------------------

// The first descendant (depth first) whose caption equals text and whose class equals
// className (ignoring case); a null argument matches anything. Null when none matches.
// Captions are read without sending messages, so a busy owner cannot stall the search; an edit
// box's typed content is not its caption (use ReadText for that).
HWND FindChild(HWND parent, const wchar_t* text, const wchar_t* className) noexcept;

// The first descendant with the given control id; null when none has it.
HWND FindChildById(HWND parent, int controlId) noexcept;

// The caption of a window as the system stores it, read without sending it a message; empty
// when the window does not exist or has no caption.
std::wstring WindowCaption(HWND window) noexcept;

// The window's class name; empty when the window does not exist.
std::wstring WindowClassName(HWND window) noexcept;

// Every descendant of the window, depth first; empty when it has none or does not exist.
std::vector<HWND> ChildWindows(HWND parent) noexcept;

// --- Acting -----------------------------------------------------------------------------------

// Posts a click to a button and returns at once, so a handler that runs for long (a whole
// installation) does not block the caller. False when the button does not exist, or is hidden
// or disabled (a user could not click it), or the post fails.
bool PostClick(HWND button) noexcept;

// Clicks a button and waits until the click has been handled. False as for PostClick, and when
// the owner does not finish within the timeout.
bool SendClick(HWND button, DWORD timeoutMs = kDefaultSendTimeoutMs) noexcept;

// The window's text by WM_GETTEXT (the content of an edit box, the caption of anything else),
// also across processes. Empty optional when the window does not exist or does not answer
// within the timeout.
std::optional<std::wstring> ReadText(HWND window, DWORD timeoutMs = kDefaultSendTimeoutMs) noexcept;

// Replaces the window's text by WM_SETTEXT, also across processes. False when the window does
// not exist, refuses the text or does not answer within the timeout.
bool SetText(HWND window, const std::wstring& text, DWORD timeoutMs = kDefaultSendTimeoutMs) noexcept;

// Presses the dialog's button with the given id (IDOK, IDCANCEL, IDYES, IDNO...), posted.
// False when the dialog has no such button or it cannot be clicked.
bool AnswerDialog(HWND dialog, int buttonId) noexcept;

// Asks the window to close as its title bar's close button would (posted). False when the
// window does not exist or the post fails.
bool RequestClose(HWND window) noexcept;

// The message of a message box (its text label, not the icon); empty optional when the window
// has no such label or it does not answer within the timeout.
std::optional<std::wstring> MessageBoxText(HWND box, DWORD timeoutMs = kDefaultSendTimeoutMs) noexcept;

// --- Screenshots ------------------------------------------------------------------------------

// A captured image: 24-bit BGR pixels, rows bottom-up, each row padded to a multiple of 4
// bytes, exactly as a BMP file stores them.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  static int Stride(int width) noexcept { return (width * 3 + 3) & ~3; }
};

// Brings the window to the top, lets it repaint, and copies its window rectangle (title bar and
// frame included) from the screen. Empty optional when the window does not exist, has no area,
// or the copy fails.
std::optional<Screenshot> CaptureWindow(HWND window) noexcept;

// The image as the bytes of a BMP file (file header, info header, pixel rows); empty when the
// image is inconsistent (pixel count not matching its size).
std::vector<std::uint8_t> EncodeBmp(const Screenshot& image) noexcept;

// Writes the image as a BMP file, replacing any file of that name. False when the image is
// inconsistent or the file cannot be written completely (no partial file is left behind).
bool WriteBmpFile(const Screenshot& image, const std::wstring& path) noexcept;

// CaptureWindow followed by WriteBmpFile; false when either fails.
bool SaveScreenshot(HWND window, const std::wstring& path) noexcept;

}  // namespace vl::test
