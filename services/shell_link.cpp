#include "shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <cstring>

#include "runtime/com_ptr.h"
#include "runtime/memory.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"
#include "shell_functions.h"

namespace vl {
namespace {

constexpr char kLinkExtension[] = ".lnk";

// A text argument that the caller passed; null when the slot is omitted or holds another type.
Text PresentText(const ArgRecord& arg) noexcept {
  const auto text = AsText(arg);
  return text ? NonNullText(*text) : nullptr;
}

using LinkSetter = HRESULT (STDMETHODCALLTYPE IShellLinkW::*)(LPCWSTR);

// Hands `text` to one of the link's setters in its wide form; nothing for a null text. False when
// the text cannot be converted.
bool SetLinkText(IShellLinkW* link, LinkSetter setter, Text text) noexcept {
  if (text == nullptr) return true;
  const WideText wide(text);
  if (!wide.Valid()) return false;
  (link->*setter)(wide.Get());
  return true;
}

// A new link object and its file interface; both empty when the shell cannot make one.
struct LinkObject {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;

  LinkObject() noexcept {
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) {
      file.Reset();
    }
  }
};

// The icon the system shows web addresses with, as "path,index" with the path's variables
// expanded: the default browser's where the system names one, else the system's own (url.dll).
int WebIcon(wchar_t (&path)[MAX_PATH]) noexcept {
  wchar_t location[MAX_PATH + 16];
  DWORD length = MAX_PATH + 16;
  int index = 0;
  if (shell::AssocQueryString(ASSOCSTR_DEFAULTICON, L"http", location, &length) == S_OK) {
    wchar_t* comma = wcsrchr(location, L',');
    if (comma != nullptr) {
      *comma = L'\0';
      index = _wtoi(comma + 1);
    }
  } else {
    wcscpy(location, L"%SystemRoot%\\System32\\url.dll");
  }
  const wchar_t* unquoted = location[0] == L'"' ? location + 1 : location;
  if (ExpandEnvironmentStringsW(unquoted, path, MAX_PATH) - 1u >= MAX_PATH) path[0] = L'\0';
  wchar_t* quote = wcschr(path, L'"');
  if (quote != nullptr) *quote = L'\0';
  return index;
}

}  // namespace

bool SaveWebLink(Text link, Text address) noexcept {
  const WideText fileName(link);
  const WideText arguments(address);
  wchar_t explorer[MAX_PATH];
  const UINT folder = GetSystemWindowsDirectoryW(explorer, MAX_PATH - 13);
  if (!fileName.Valid() || !arguments.Valid() || folder == 0 || folder >= MAX_PATH - 13) return false;
  wcscpy(explorer + folder, explorer[folder - 1] == L'\\' ? L"explorer.exe" : L"\\explorer.exe");
  const LinkObject object;
  if (!object.file) return false;
  wchar_t icon[MAX_PATH];
  const int iconIndex = WebIcon(icon);
  object.link->SetPath(explorer);
  object.link->SetArguments(arguments.Get());
  if (icon[0] != L'\0') object.link->SetIconLocation(icon, iconIndex);
  object.link->SetShowCmd(SW_SHOW);
  return SUCCEEDED(object.file->Save(fileName.Get(), TRUE));
}

void CreateShortCutCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text name = NonNullText(PresentText(ArgAt(count, args, 0)));
  if (*name == '\0') return;
  // No byte of a two- or four-byte character is a '.', so a '.' byte is always a full stop.
  const OwnedText withExtension = std::strchr(name, '.') == nullptr ? ConcatTexts({name, kLinkExtension}) : OwnedText();
  const WideText fileName(withExtension ? withExtension.Get() : name);
  if (!fileName.Valid() || fileName.Length() >= MAX_PATH) return;

  const LinkObject object;
  if (!object.file) return;

  // Whether the shell likes the target (a web address, a file not there yet) does not matter:
  // only the save decides the result.
  IShellLinkW* shellLink = object.link.Get();
  const bool converted =
      SetLinkText(shellLink, &IShellLinkW::SetPath, NonNullText(PresentText(ArgAt(count, args, 1)))) &&
      SetLinkText(shellLink, &IShellLinkW::SetDescription, PresentText(ArgAt(count, args, 2))) &&
      (count < 5 || (SetLinkText(shellLink, &IShellLinkW::SetArguments, PresentText(args[3])) &&
                     SetLinkText(shellLink, &IShellLinkW::SetWorkingDirectory, PresentText(args[4]))));
  if (!converted) return;
  shellLink->SetShowCmd(SW_SHOW);
  SetBoolResult(result, SUCCEEDED(object.file->Save(fileName.Get(), TRUE)));
}

}  // namespace vl
