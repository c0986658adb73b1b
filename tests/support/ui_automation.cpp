#include "tests/support/ui_automation.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "runtime/controls/gdi_scope.h"
#include "runtime/unique_handle.h"

namespace vl::test {
namespace {

// Short enough that a test notices a window quickly, long enough not to spin.
constexpr DWORD kPollStepMs = 10;
// Time a window gets to repaint before its screenshot is taken, and longest wait for a busy one.
constexpr DWORD kPaintSettleMs = 150;
constexpr DWORD kPaintWaitMs = 1000;
// Longest caption read without messages, and longest text read by message; longer ones are cut.
constexpr int kMaxCaptionLength = 1 << 16;
constexpr std::size_t kMaxTextLength = 1 << 24;
constexpr UINT kSendFlags = SMTO_NORMAL | SMTO_ABORTIFHUNG;
// A message box's text label has this id on Windows.
constexpr int kMessageBoxTextId = 0xFFFF;


// The screen's device context, which GetDC lends and ReleaseDC takes back.
class ScreenDc {
 public:
  ScreenDc() noexcept : m_dc(GetDC(nullptr)) {}
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  ~ScreenDc() {
    if (m_dc != nullptr) ReleaseDC(nullptr, m_dc);
  }
  HDC Get() const noexcept { return m_dc; }

 private:
  HDC m_dc;
};

// Puts back the object that a selection into a device context replaced.

// The memory a text message points to. A message whose sender stopped waiting may still be
// handled later; a window of this process then uses the sender's memory itself (another process
// gets a copy), so the memory of an abandoned message stays allocated rather than freed under it.
class MessageBuffer {
 public:
  MessageBuffer(HWND target, std::size_t size) : m_data(new wchar_t[size]()) {
    DWORD processId = 0;
    GetWindowThreadProcessId(target, &processId);
    m_sharedWithTarget = processId == GetCurrentProcessId();
  }
  wchar_t* Data() const noexcept { return m_data.get(); }
  void Abandon() noexcept {
    if (m_sharedWithTarget) static_cast<void>(m_data.release());
  }

 private:
  std::unique_ptr<wchar_t[]> m_data;
  bool m_sharedWithTarget = false;
};

bool SameClassName(const std::wstring& actual, const wchar_t* wanted) noexcept {
  return CompareStringOrdinal(actual.c_str(), -1, wanted, -1, TRUE) == CSTR_EQUAL;
}

bool Matches(HWND window, const wchar_t* text, const wchar_t* className) noexcept {
  if (className != nullptr && !SameClassName(WindowClassName(window), className)) return false;
  return text == nullptr || WindowCaption(window) == text;
}

bool MatchesQuery(HWND window, const WindowQuery& query) noexcept {
  if (query.visibleOnly && !IsWindowVisible(window)) return false;
  if (query.processId != 0) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != query.processId) return false;
  }
  return Matches(window, query.title, query.className);
}

struct Search {
  const std::function<bool(HWND)>& visit;
  HWND found = nullptr;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  if (!search.visit(window)) return TRUE;
  search.found = window;
  return FALSE;
}

// The first descendant, depth first, for which visit returns true; null when none.
HWND FindDescendant(HWND parent, const std::function<bool(HWND)>& visit) noexcept {
  if (!IsWindow(parent)) return nullptr;  // a null parent would enumerate the top-level windows
  Search search{visit};
  EnumChildWindows(parent, VisitWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool OwnedByThisThread(HWND window) noexcept {
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// A user can click a control only when it and every window holding it are shown and enabled.
bool Clickable(HWND control) noexcept {
  if (!IsWindow(control) || !IsWindowVisible(control)) return false;
  for (HWND w = control; w != nullptr; w = GetAncestor(w, GA_PARENT)) {
    if (!IsWindowEnabled(w)) return false;
    if ((GetWindowLongW(w, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return true;
}

bool IsTextLabel(HWND window) noexcept {
  if (!SameClassName(WindowClassName(window), L"Static")) return false;
  switch (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      return true;
    default:
      return false;
  }
}

// Raises the window and has it repaint. Windows of other threads are only invalidated and given
// time: painting them synchronously would block on a thread that is busy.
void PrepareForCapture(HWND window) noexcept {
  HWND root = GetAncestor(window, GA_ROOT);
  if (root == nullptr) root = window;
  if (IsIconic(root)) ShowWindow(root, SW_RESTORE);
  SetForegroundWindow(root);
  BringWindowToTop(root);
  const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
  if (OwnedByThisThread(window)) {
    RedrawWindow(window, nullptr, nullptr, flags | RDW_UPDATENOW);
    UpdateWindow(window);
  } else {
    RedrawWindow(window, nullptr, nullptr, flags);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, kSendFlags, kPaintWaitMs, &ignored);
  }
  PumpMessagesFor(kPaintSettleMs);
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

bool WriteAll(HANDLE file, const std::vector<std::uint8_t>& bytes) noexcept {
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - offset, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + offset, chunk, &written, nullptr) || written == 0) return false;
    offset += written;
  }
  return true;
}

}  // namespace

void PumpMessages() noexcept {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to consume: leave it for the thread's own loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void PumpMessagesFor(DWORD milliseconds) noexcept {
  WaitUntil([] { return false; }, milliseconds);
}

bool PumpUntilQuiet(DWORD timeoutMs) noexcept {
  return WaitUntil(
      [] {
        PumpMessages();
        return HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0;
      },
      timeoutMs);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) noexcept {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    PumpMessages();
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return condition();
    const auto step = static_cast<DWORD>(std::min<ULONGLONG>(kPollStepMs, deadline - now));
    MsgWaitForMultipleObjectsEx(0, nullptr, step, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

HWND FindTopLevelWindow(const WindowQuery& query) noexcept {
  const std::function<bool(HWND)> visit = [&](HWND window) { return MatchesQuery(window, query); };
  Search search{visit};
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs) noexcept {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevelWindow(query)) != nullptr; }, timeoutMs);
  return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) noexcept {
  return WaitUntil([window] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::wstring DescribeWindows(DWORD processId) noexcept {
  std::wstring lines;
  const std::function<bool(HWND)> visit = [&](HWND window) {
    if (MatchesQuery(window, {nullptr, nullptr, processId, true})) {
      lines += WindowClassName(window) + L": " + WindowCaption(window) + L"\n";
    }
    return false;
  };
  Search search{visit};
  EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&search));
  return lines.empty() ? L"no window\n" : lines;
}

HWND FindChild(HWND parent, const wchar_t* text, const wchar_t* className) noexcept {
  return FindDescendant(parent, [&](HWND child) { return Matches(child, text, className); });
}

HWND FindChildById(HWND parent, int controlId) noexcept {
  return FindDescendant(parent, [&](HWND child) { return GetDlgCtrlID(child) == controlId; });
}

std::wstring WindowCaption(HWND window) noexcept {
  // InternalGetWindowText reads the stored caption without a message; it reports no length,
  // so a full buffer means the caption may go on.
  std::wstring caption(256, L'\0');
  for (;;) {
    const int copied = InternalGetWindowText(window, caption.data(), static_cast<int>(caption.size()));
    if (copied <= 0) return {};
    if (static_cast<std::size_t>(copied) + 1 < caption.size() ||
        caption.size() >= static_cast<std::size_t>(kMaxCaptionLength)) {
      caption.resize(static_cast<std::size_t>(copied));
      return caption;
    }
    caption.resize(caption.size() * 2);
  }
}

std::wstring WindowClassName(HWND window) noexcept {
  wchar_t name[257];  // class names are at most 256 characters
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return length > 0 ? std::wstring(name, static_cast<std::size_t>(length)) : std::wstring();
}

std::vector<HWND> ChildWindows(HWND parent) noexcept {
  std::vector<HWND> children;
  FindDescendant(parent, [&](HWND child) {
    children.push_back(child);
    return false;
  });
  return children;
}

bool PostClick(HWND button) noexcept {
  return Clickable(button) && PostMessageW(button, BM_CLICK, 0, 0);
}

bool SendClick(HWND button, DWORD timeoutMs) noexcept {
  if (!Clickable(button)) return false;
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(button, BM_CLICK, 0, 0, kSendFlags, timeoutMs, &ignored) != 0;
}

std::optional<std::wstring> ReadText(HWND window, DWORD timeoutMs) noexcept {
  if (!IsWindow(window)) return std::nullopt;
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, kSendFlags, timeoutMs, &length)) return std::nullopt;
  // The length is only a hint (it may count bytes, and the text may change meanwhile): a
  // buffer that comes back full is grown and the text asked for again.
  for (std::size_t size = static_cast<std::size_t>(length) + 16;; size *= 2) {
    MessageBuffer buffer(window, size);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer.Data()), kSendFlags,
                             timeoutMs, &copied)) {
      buffer.Abandon();
      return std::nullopt;
    }
    if (copied + 1 < size || size >= kMaxTextLength) {
      return std::wstring(buffer.Data(), std::min(static_cast<std::size_t>(copied), size - 1));
    }
  }
}

bool SetText(HWND window, const std::wstring& text, DWORD timeoutMs) noexcept {
  if (!IsWindow(window)) return false;
  MessageBuffer buffer(window, text.size() + 1);
  std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer.Data());
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(buffer.Data()), kSendFlags, timeoutMs,
                           &result)) {
    buffer.Abandon();
    return false;
  }
  // Edit boxes answer FALSE and list or combo boxes a negative error when the text does not fit.
  return static_cast<LRESULT>(result) > 0;
}

bool AnswerDialog(HWND dialog, int buttonId) noexcept {
  if (!IsWindow(dialog)) return false;
  HWND button = GetDlgItem(dialog, buttonId);
  if (button == nullptr) return false;
  // A button of an inactive dialog may take the click as mere activation.
  SetForegroundWindow(dialog);
  return PostClick(button);
}

bool RequestClose(HWND window) noexcept {
  return IsWindow(window) && PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::optional<std::wstring> MessageBoxText(HWND box, DWORD timeoutMs) noexcept {
  if (!IsWindow(box)) return std::nullopt;
  HWND label = GetDlgItem(box, kMessageBoxTextId);
  if (label == nullptr || !IsTextLabel(label)) label = FindDescendant(box, IsTextLabel);
  if (label == nullptr) return std::nullopt;
  return ReadText(label, timeoutMs);
}

std::optional<Screenshot> CaptureWindow(HWND window) noexcept {
  if (!IsWindow(window)) return std::nullopt;
  PrepareForCapture(window);
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) return std::nullopt;
  Screenshot image;
  image.width = bounds.right - bounds.left;
  image.height = bounds.bottom - bounds.top;
  if (image.width <= 0 || image.height <= 0) return std::nullopt;

  ScreenDc screen;
  if (screen.Get() == nullptr) return std::nullopt;
  UniqueDc memory(CreateCompatibleDC(screen.Get()));
  if (!memory) return std::nullopt;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = image.height;  // positive: rows bottom-up, as a BMP file keeps them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return std::nullopt;
  {
    SelectScope selection(memory.Get(), bitmap.Get());
    if (!selection.Valid()) return std::nullopt;
    if (!BitBlt(memory.Get(), 0, 0, image.width, image.height, screen.Get(), bounds.left, bounds.top,
                SRCCOPY | CAPTUREBLT)) {
      return std::nullopt;
    }
    GdiFlush();
  }
  const auto size = static_cast<std::size_t>(Screenshot::Stride(image.width)) * image.height;
  const auto* first = static_cast<const std::uint8_t*>(bits);
  image.pixels.assign(first, first + size);
  return image;
}

std::vector<std::uint8_t> EncodeBmp(const Screenshot& image) noexcept {
  constexpr std::uint32_t kFileHeaderSize = 14;
  constexpr std::uint32_t kInfoHeaderSize = 40;
  constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch
  // Keeps every size within the 32-bit fields of the headers.
  if (image.width <= 0 || image.height <= 0 || image.width > 0x7FFF || image.height > 0x7FFF) return {};
  const auto pixelBytes = static_cast<std::uint32_t>(Screenshot::Stride(image.width)) *
                          static_cast<std::uint32_t>(image.height);
  if (image.pixels.size() != pixelBytes) return {};

  std::vector<std::uint8_t> out;
  out.reserve(kFileHeaderSize + kInfoHeaderSize + pixelBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, kFileHeaderSize + kInfoHeaderSize + pixelBytes);
  Put32(out, 0);  // reserved
  Put32(out, kFileHeaderSize + kInfoHeaderSize);
  Put32(out, kInfoHeaderSize);
  Put32(out, static_cast<std::uint32_t>(image.width));
  Put32(out, static_cast<std::uint32_t>(image.height));  // positive: bottom-up
  Put16(out, 1);                                         // planes
  Put16(out, 24);                                        // bits per pixel
  Put32(out, BI_RGB);
  Put32(out, pixelBytes);
  Put32(out, kPixelsPerMetre);
  Put32(out, kPixelsPerMetre);
  Put32(out, 0);  // colours used: none, no palette
  Put32(out, 0);  // important colours: all
  out.insert(out.end(), image.pixels.begin(), image.pixels.end());
  return out;
}

bool WriteBmpFile(const Screenshot& image, const std::wstring& path) noexcept {
  const std::vector<std::uint8_t> bytes = EncodeBmp(image);
  if (bytes.empty()) return false;
  // Written beside the target and moved over it, so that a failed write neither leaves a cut
  // file nor destroys an older one.
  const std::wstring partial = path + L".partial";
  bool written = false;
  {
    UniqueFile file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return false;
    written = WriteAll(file.Get(), bytes);
  }
  if (written && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(partial.c_str());
  return false;
}

bool SaveScreenshot(HWND window, const std::wstring& path) noexcept {
  const std::optional<Screenshot> image = CaptureWindow(window);
  return image.has_value() && WriteBmpFile(*image, path);
}

}  // namespace vl::test
