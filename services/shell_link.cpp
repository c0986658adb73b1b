#include "shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <cstring>

#include "com_ptr.h"

namespace vl {
namespace {

constexpr char kLinkExtension[] = ".lnk";

// A text argument that the caller passed; null when the slot is omitted or holds another type.
Text PresentText(const ArgRecord& arg) noexcept {
  const auto text = AsText(arg);
  return text ? NonNullText(*text) : nullptr;
}

}  // namespace

std::optional<std::wstring> LinkFileName(Text name) {
  std::string fileName(NonNullText(name));
  if (fileName.empty()) return std::nullopt;
  // GBK trail bytes start at 0x40, so a '.' byte is always a full stop.
  if (fileName.find('.') == std::string::npos) {
    if (fileName.size() + sizeof kLinkExtension > MAX_PATH) return std::nullopt;
    fileName += kLinkExtension;
  }
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, nullptr, 0);
  if (wideLength <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, wide.data(), wideLength) != wideLength) return std::nullopt;
  wide.resize(static_cast<std::size_t>(wideLength - 1));
  return wide;
}

void CreateShortCutCommand(ResultRecord* result, int count, const ArgRecord* args) noexcept {
  SetBoolResult(result, false);
  const std::optional<std::wstring> fileName = LinkFileName(PresentText(ArgAt(count, args, 0)));
  if (!fileName) return;

  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()))) return;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return;

  // Whether the shell likes the target (a web address, a file not there yet) does not matter:
  // only the save decides the result.
  link->SetPath(NonNullText(PresentText(ArgAt(count, args, 1))));
  link->SetShowCmd(SW_SHOW);
  if (const Text description = PresentText(ArgAt(count, args, 2))) link->SetDescription(description);
  if (count >= 5) {
    if (const Text arguments = PresentText(args[3])) link->SetArguments(arguments);
    if (const Text folder = PresentText(args[4])) link->SetWorkingDirectory(folder);
  }
  SetBoolResult(result, SUCCEEDED(file->Save(fileName->c_str(), TRUE)));
}

}  // namespace vl
