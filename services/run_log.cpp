#include "run_log.h"

#include <windows.h>

#include <cstring>

#include "base/character_walk.h"
#include "base/decimal_text.h"
#include "access_control.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"

namespace vl {
namespace {

// Every line is gathered as UTF-16 and written in one piece when it fits: another process
// appending to the same log then cannot cut into it. Nothing here allocates, so that the log
// costs a run nothing it could fail on.
constexpr std::size_t kLineUnits = 1024;
constexpr wchar_t kReplacement = 0xFFFD;

UniqueHandle<FileHandleTraits>& LogFile() noexcept {
  static UniqueHandle<FileHandleTraits> file;
  return file;
}

bool IsHighSurrogate(wchar_t unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }

class LineWriter {
 public:
  void Put(std::wstring_view text) noexcept {
    for (const wchar_t unit : text) {
      if (m_length == kLineUnits) Flush(false);
      m_units[m_length++] = unit;
    }
  }

  void Put(const char* ascii) noexcept {
    for (; *ascii != '\0'; ++ascii) PutUnit(static_cast<wchar_t>(*ascii));
  }

  // Text that came from outside (a path, the command line): a control character (below U+0020,
  // U+007F, and U+0085, U+2028 and U+2029, which some readers take for line ends) is written as
  // its code in hexadecimal between "<" and ">" ("<0D>", "<2028>"), so that each logged step
  // stays one line and a caller cannot forge one. Neither "<" nor ">" can occur in a Windows
  // path, so the escape is unambiguous.
  void PutEscaped(std::wstring_view text) noexcept {
    for (const wchar_t unit : text) {
      const bool wide = unit == 0x85 || unit == 0x2028 || unit == 0x2029;
      if (unit >= 0x20 && unit != 0x7F && !wide) {
        PutUnit(unit);
        continue;
      }
      PutUnit(L'<');
      for (int shift = wide ? 12 : 4; shift >= 0; shift -= 4) PutUnit(L"0123456789ABCDEF"[(unit >> shift) & 0xF]);
      PutUnit(L'>');
    }
  }

  // A system text, character by character and escaped: one that cannot be converted becomes
  // U+FFFD and the rest of the text still follows.
  void PutText(std::string_view text) noexcept {
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t bytes = CharacterLength(text, at);
      wchar_t units[3];
      const std::size_t count = WideIntoBuffer(text.substr(at, bytes), units);
      if (count == 0) {
        PutUnit(kReplacement);
      } else {
        PutEscaped(std::wstring_view(units, count));
      }
      at += bytes;
    }
  }

  void EndLine() noexcept {
    Put(L"\r\n");
    Flush(true);
  }

 private:
  void PutUnit(wchar_t unit) noexcept { Put(std::wstring_view(&unit, 1)); }

  // Writes what was gathered; a surrogate's first half waits for its second unless the line ends.
  void Flush(bool lineEnds) noexcept {
    std::size_t count = m_length;
    if (!lineEnds && count > 0 && IsHighSurrogate(m_units[count - 1])) --count;
    // Three UTF-8 bytes at most per unit: a pair of two units takes four.
    char bytes[kLineUnits * 3];
    const int length = count == 0 ? 0
                                  : WideCharToMultiByte(CP_UTF8, 0, m_units, static_cast<int>(count), bytes,
                                                        static_cast<int>(sizeof bytes), nullptr, nullptr);
    DWORD written = 0;
    if (length > 0) WriteFile(LogFile().Get(), bytes, static_cast<DWORD>(length), &written, nullptr);
    std::memmove(m_units, m_units + count, (m_length - count) * sizeof(wchar_t));
    m_length -= count;
  }

  wchar_t m_units[kLineUnits];
  std::size_t m_length = 0;
};

// Whether the open item is a plain file on a disk with one name, reached at `path` (a full path)
// itself: not a device or a pipe, not a link or a second name of a file elsewhere, not through a
// linked folder.
bool IsPlainFileAt(HANDLE file, std::wstring_view path) noexcept {
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &information) ||
      information.nNumberOfLinks != 1 ||
      (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    return false;
  }
  // "\\?\C:\..." on a drive, "\\?\UNC\server\..." for "\\server\..."; a longer path is not kept.
  wchar_t final[1024];
  const DWORD length = GetFinalPathNameByHandleW(file, final, std::size(final), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  const std::size_t share = path.size() > 1 && path[1] == L'\\' ? 2 : 0;
  const std::size_t prefix = share != 0 ? 8 : 4;
  return length > prefix && length < std::size(final) &&
         CompareStringOrdinal(final + prefix, static_cast<int>(length - prefix), path.data() + share,
                              static_cast<int>(path.size() - share), TRUE) == CSTR_EQUAL;
}

// Whether the system takes a file named `path` for commands or a script of text: run when it is
// opened, or at logon from a StartUp folder. An elevated run must not write the caller's command
// line into one (the caller chooses the switches that follow, and so what "&" runs after them).
bool RunsAsScript(std::wstring_view path) noexcept {
  const std::size_t dot = path.rfind(L'.');
  if (dot == std::wstring_view::npos || path.size() - dot > 4) return false;
  // The extension in lower case and the dot that would follow it in the list.
  wchar_t extension[6];
  std::size_t length = 0;
  for (const wchar_t unit : path.substr(dot)) extension[length++] = unit >= L'A' && unit <= L'Z' ? unit + 32 : unit;
  extension[length++] = L'.';
  // Each extension, and the dot that starts the next one.
  for (const char* at = ".bat.cmd.com.vbs.vbe.js.jse.wsf.wsh.hta.ps1.reg.inf.url.scf."; *at != '\0'; ++at) {
    std::size_t same = 0;
    while (same < length && at[same] == extension[same]) ++same;
    if (same == length) return true;
  }
  return false;
}

}  // namespace

bool OpenRunLog(const wchar_t* path) noexcept {
  if (RunLogOpen()) return true;
  if (RunsAsScript(path)) return false;
  // The caller chose the path, and the program may run elevated as another account that typed
  // its password: the log is kept only in a plain file of one name reached without a link, and in
  // one that was there already only when an administrator or this account owns it. Otherwise the
  // run goes on without a log, and a file this run made goes again. Appending only: every write
  // goes to the end as it is then, even with another writer.
  UniqueHandle<FileHandleTraits> file(
      CreateFileW(path, FILE_APPEND_DATA | SYNCHRONIZE | READ_CONTROL | DELETE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) return false;
  const bool made = GetLastError() != ERROR_ALREADY_EXISTS;
  if (IsPlainFileAt(file.Get(), path) && (made || OwnerIsTrusted(file.Get(), true))) {
    LogFile() = std::move(file);
    return true;
  }
  FILE_DISPOSITION_INFO gone{TRUE};
  if (made) SetFileInformationByHandle(file.Get(), FileDispositionInfo, &gone, sizeof gone);
  return false;
}

bool RunLogOpen() noexcept { return LogFile().Valid(); }

void LogRunStart(std::wstring_view commandLine, std::string_view root) noexcept {
  if (!RunLogOpen()) return;
  LineWriter line;
  line.PutEscaped(commandLine);
  line.EndLine();
  line.PutText(root);
  line.EndLine();
}

bool LogAction(const char* action, bool ok, std::string_view path) noexcept {
  LogOutcome(action, ok ? "ok" : "failed", path);
  return ok;
}

void LogKept(const char* action, std::string_view path) noexcept { LogOutcome(action, "kept", path); }

void LogScheduled(const char* action, std::string_view path) noexcept { LogOutcome(action, "scheduled", path); }

void LogOutcome(const char* action, const char* outcome, std::string_view path) noexcept {
  if (!RunLogOpen()) return;
  LineWriter line;
  line.Put(action);
  line.Put(" ");
  line.Put(outcome);
  line.Put(" ");
  line.PutText(path);
  line.EndLine();
}

void LogVerdict(int failedSteps) noexcept {
  if (!RunLogOpen()) return;
  char count[kIntegerTextCapacity];
  FormatSigned(count, failedSteps);
  LineWriter line;
  line.Put(failedSteps == 0 ? "verdict ok " : "verdict failed ");
  line.Put(count);
  line.EndLine();
}

void CloseRunLog() noexcept { LogFile().Reset(); }

}  // namespace vl
