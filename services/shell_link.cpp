#include "shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <cstring>

#include "com_ptr.h"
#include "runtime/memory.h"
#include "runtime/text_boundary.h"
#include "runtime/text_value.h"

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

}  // namespace

void CreateShortCutCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const Text name = NonNullText(PresentText(ArgAt(count, args, 0)));
  if (*name == '\0') return;
  // No byte of a two- or four-byte character is a '.', so a '.' byte is always a full stop.
  char* withExtension = std::strchr(name, '.') == nullptr ? ConcatTexts({name, kLinkExtension}) : nullptr;
  const WideText fileName(withExtension != nullptr ? withExtension : name);
  FreeMemory(withExtension);
  if (!fileName.Valid() || fileName.Length() >= MAX_PATH) return;

  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()))) return;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return;

  // Whether the shell likes the target (a web address, a file not there yet) does not matter:
  // only the save decides the result.
  IShellLinkW* shellLink = link.Get();
  const bool converted =
      SetLinkText(shellLink, &IShellLinkW::SetPath, NonNullText(PresentText(ArgAt(count, args, 1)))) &&
      SetLinkText(shellLink, &IShellLinkW::SetDescription, PresentText(ArgAt(count, args, 2))) &&
      (count < 5 || (SetLinkText(shellLink, &IShellLinkW::SetArguments, PresentText(args[3])) &&
                     SetLinkText(shellLink, &IShellLinkW::SetWorkingDirectory, PresentText(args[4]))));
  if (!converted) return;
  shellLink->SetShowCmd(SW_SHOW);
  SetBoolResult(result, SUCCEEDED(file->Save(fileName.Get(), TRUE)));
}

}  // namespace vl
