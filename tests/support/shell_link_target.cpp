#include "shell_link_target.h"

#include <windows.h>
#include <shlobj.h>

#include "runtime/com_ptr.h"

namespace vl::test {

namespace {

// The link loaded from its file; empty when it cannot be read.
ComPtr<IShellLinkW> LoadLink(const std::wstring& linkFile) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) || FAILED(file->Load(linkFile.c_str(), STGM_READ))) {
    return {};
  }
  return link;
}

}  // namespace

std::optional<std::wstring> ShellLinkTarget(const std::wstring& linkFile) {
  const ComPtr<IShellLinkW> link = LoadLink(linkFile);
  wchar_t path[MAX_PATH] = L"";
  if (!link || link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK || path[0] == L'\0') return std::nullopt;
  return path;
}

std::optional<ShellLinkExtras> ReadShellLinkExtras(const std::wstring& linkFile) {
  const ComPtr<IShellLinkW> link = LoadLink(linkFile);
  wchar_t arguments[1024] = L"";
  wchar_t icon[MAX_PATH] = L"";
  int index = 0;
  if (!link || FAILED(link->GetArguments(arguments, 1024)) || FAILED(link->GetIconLocation(icon, MAX_PATH, &index))) {
    return std::nullopt;
  }
  return ShellLinkExtras{arguments, icon};
}

std::wstring StoredLinkTarget(const std::wstring& path) {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return path;
  // A target is at most MAX_PATH characters, each of at most two bytes in the code pages here.
  char bytes[MAX_PATH * 2];
  wchar_t kept[MAX_PATH];
  if (WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr) <= 0 ||
      MultiByteToWideChar(CP_ACP, 0, bytes, -1, kept, MAX_PATH) <= 0) {
    return path;
  }
  return kept;
}

}  // namespace vl::test
