// ui_driver: drives windows from shell scripts, one action per run.
//
//   ui_driver wait <class|-> <title|-> <timeout-ms>   prints the window's handle (hex)
//   ui_driver gone <hwnd> <timeout-ms>                 waits until the window is closed or hidden
//   ui_driver click <hwnd> <control-id|text>           clicks a button in the window (posted)
//   ui_driver answer <hwnd> <button>                   presses a dialog button: an id or a name
//                                                      (ok cancel abort retry ignore yes no close
//                                                      help tryagain continue)
//   ui_driver text <hwnd>                              prints the window's text (UTF-8)
//   ui_driver settext <hwnd> <text>                    replaces the window's text
//   ui_driver msgtext <hwnd>                           prints a message box's message (UTF-8)
//   ui_driver children <hwnd>                          lists the controls: handle, id, class, caption
//   ui_driver screenshot <hwnd> <file.bmp>             saves the window as a 24-bit BMP file
//   ui_driver close <hwnd>                             closes the window as its title bar would
//
// "-" stands for any class or title. Exit status: 0 done, 1 not found / timed out / refused,
// 2 wrong usage.
#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ui_automation.h"

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// Scripts read the output through pipes as UTF-8; a real console takes UTF-16 directly.
void Write(DWORD stream, const std::wstring& text) {
  HANDLE out = GetStdHandle(stream);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  if (size <= 0) return;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Print(const std::wstring& line) { Write(STD_OUTPUT_HANDLE, line + L"\n"); }
void Complain(const std::wstring& line) { Write(STD_ERROR_HANDLE, L"ui_driver: " + line + L"\n"); }

std::wstring Hex(const void* value) {
  wchar_t text[32];
  std::swprintf(text, std::size(text), L"0x%lX", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(value)));
  return text;
}

// A whole decimal number, or hex with 0x, without sign; nothing else.
std::optional<unsigned long> ParseNumber(const std::wstring& text, int base) {
  if (text.empty() || text[0] == L'-' || text[0] == L'+' || iswspace(text[0])) return std::nullopt;
  wchar_t* end = nullptr;
  errno = 0;
  const unsigned long value = std::wcstoul(text.c_str(), &end, base);
  if (errno != 0 || end == text.c_str() || *end != L'\0') return std::nullopt;
  return value;
}

std::optional<HWND> ParseWindow(const std::wstring& text) {
  const auto value = ParseNumber(text, 16);
  if (!value) return std::nullopt;
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(*value));
}

std::optional<DWORD> ParseTimeout(const std::wstring& text) {
  const auto value = ParseNumber(text, 10);
  if (!value || *value > 0x7FFFFFFFul) return std::nullopt;
  return static_cast<DWORD>(*value);
}

std::optional<int> ParseButtonId(const std::wstring& text) {
  static constexpr struct {
    const wchar_t* name;
    int id;
  } kNames[] = {{L"ok", IDOK},         {L"cancel", IDCANCEL}, {L"abort", IDABORT},       {L"retry", IDRETRY},
                {L"ignore", IDIGNORE}, {L"yes", IDYES},       {L"no", IDNO},             {L"close", IDCLOSE},
                {L"help", IDHELP},     {L"tryagain", IDTRYAGAIN}, {L"continue", IDCONTINUE}};
  std::wstring name = text;
  if (name.size() > 2 && (name.compare(0, 2, L"ID") == 0 || name.compare(0, 2, L"id") == 0)) name.erase(0, 2);
  for (const auto& entry : kNames) {
    if (CompareStringOrdinal(name.c_str(), -1, entry.name, -1, TRUE) == CSTR_EQUAL) return entry.id;
  }
  const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  const auto value = ParseNumber(text, hex ? 16 : 10);
  if (!value || *value > 0xFFFF) return std::nullopt;
  return static_cast<int>(*value);
}

// Every sub-command gets the arguments after its name, already checked for their count.
using Arguments = std::vector<std::wstring>;

// The window named by an argument, which must exist; null after complaining, with the exit
// status in *status.
HWND ExistingWindow(const std::wstring& text, int* status) {
  const auto window = ParseWindow(text);
  if (!window) {
    Complain(L"not a window handle: " + text);
    *status = kUsage;
    return nullptr;
  }
  if (!IsWindow(*window)) {
    Complain(L"no such window: " + text);
    *status = kFailed;
    return nullptr;
  }
  return *window;
}

int Wait(const Arguments& args) {
  const auto timeout = ParseTimeout(args[2]);
  if (!timeout) {
    Complain(L"not a timeout in milliseconds: " + args[2]);
    return kUsage;
  }
  vl::test::WindowQuery query;
  if (args[0] != L"-") query.className = args[0].c_str();
  if (args[1] != L"-") query.title = args[1].c_str();
  HWND window = vl::test::WaitForWindow(query, *timeout);
  if (window == nullptr) {
    Complain(L"no window " + args[0] + L" \"" + args[1] + L"\" within " + args[2] + L" ms");
    return kFailed;
  }
  Print(Hex(window));
  return kDone;
}

int Gone(const Arguments& args) {
  const auto window = ParseWindow(args[0]);
  const auto timeout = ParseTimeout(args[1]);
  if (!window || !timeout) {
    Complain(L"usage: gone <hwnd> <timeout-ms>");
    return kUsage;
  }
  if (vl::test::WaitForWindowGone(*window, *timeout)) return kDone;
  Complain(L"window " + args[0] + L" still there after " + args[1] + L" ms");
  return kFailed;
}

int Click(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  // All digits name a control id; anything else is the button's caption.
  const auto id = ParseNumber(args[1], 10);
  HWND button = id && *id <= 0xFFFF ? vl::test::FindChildById(window, static_cast<int>(*id))
                                    : vl::test::FindChild(window, args[1].c_str(), nullptr);
  if (button == nullptr) {
    Complain(L"no control " + args[1] + L" in window " + args[0]);
    return kFailed;
  }
  if (vl::test::PostClick(button)) return kDone;
  Complain(L"control " + args[1] + L" cannot be clicked (hidden or disabled)");
  return kFailed;
}

int Answer(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  const auto id = ParseButtonId(args[1]);
  if (!id) {
    Complain(L"not a button id: " + args[1]);
    return kUsage;
  }
  if (vl::test::AnswerDialog(window, *id)) return kDone;
  Complain(L"window " + args[0] + L" has no button " + args[1] + L" that can be pressed");
  return kFailed;
}

int Text(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  const auto text = vl::test::ReadText(window);
  if (!text) {
    Complain(L"window " + args[0] + L" did not answer");
    return kFailed;
  }
  Print(*text);
  return kDone;
}

int SetText(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  if (vl::test::SetText(window, args[1])) return kDone;
  Complain(L"window " + args[0] + L" refused the text or did not answer");
  return kFailed;
}

int MessageText(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  const auto text = vl::test::MessageBoxText(window);
  if (!text) {
    Complain(L"window " + args[0] + L" shows no message");
    return kFailed;
  }
  Print(*text);
  return kDone;
}

int Children(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  for (HWND child : vl::test::ChildWindows(window)) {
    Print(Hex(child) + L"\t" + std::to_wstring(GetDlgCtrlID(child)) + L"\t" + vl::test::WindowClassName(child) +
          L"\t" + vl::test::WindowCaption(child));
  }
  return kDone;
}

int Screenshot(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  if (vl::test::SaveScreenshot(window, args[1])) return kDone;
  Complain(L"could not save a screenshot of " + args[0] + L" to " + args[1]);
  return kFailed;
}

int Close(const Arguments& args) {
  int status = kDone;
  HWND window = ExistingWindow(args[0], &status);
  if (window == nullptr) return status;
  return vl::test::RequestClose(window) ? kDone : kFailed;
}

struct Command {
  const wchar_t* name;
  std::size_t argumentCount;
  const wchar_t* usage;
  int (*run)(const Arguments&);
};

constexpr Command kCommands[] = {
    {L"wait", 3, L"wait <class|-> <title|-> <timeout-ms>", Wait},
    {L"gone", 2, L"gone <hwnd> <timeout-ms>", Gone},
    {L"click", 2, L"click <hwnd> <control-id|text>", Click},
    {L"answer", 2, L"answer <hwnd> <button-id|ok|cancel|yes|no|...>", Answer},
    {L"text", 1, L"text <hwnd>", Text},
    {L"settext", 2, L"settext <hwnd> <text>", SetText},
    {L"msgtext", 1, L"msgtext <hwnd>", MessageText},
    {L"children", 1, L"children <hwnd>", Children},
    {L"screenshot", 2, L"screenshot <hwnd> <file.bmp>", Screenshot},
    {L"close", 1, L"close <hwnd>", Close},
};

void FreeArguments(LPWSTR* arguments) { LocalFree(arguments); }

int Usage() {
  std::wstring text = L"usage:";
  for (const Command& command : kCommands) text += std::wstring(L"\n  ui_driver ") + command.usage;
  Write(STD_ERROR_HANDLE, text + L"\n");
  return kUsage;
}

}  // namespace

int main() {
  // The C runtime's argv is in the ANSI code page; the wide command line keeps every character.
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&FreeArguments)> raw(CommandLineToArgvW(GetCommandLineW(), &count),
                                                               &FreeArguments);
  if (raw == nullptr) return Usage();
  std::vector<std::wstring> args(raw.get() + (count > 0 ? 1 : 0), raw.get() + count);
  if (args.empty()) return Usage();
  for (const Command& command : kCommands) {
    if (args[0] != command.name) continue;
    if (args.size() - 1 != command.argumentCount) {
      Complain(std::wstring(L"usage: ui_driver ") + command.usage);
      return kUsage;
    }
    return command.run(Arguments(args.begin() + 1, args.end()));
  }
  Complain(L"unknown command: " + args[0]);
  return Usage();
}
