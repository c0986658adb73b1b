#include "shell_link_target.h"

#include <windows.h>
#include <shlobj.h>

#include "services/com_ptr.h"

namespace vl::test {

std::optional<std::wstring> ShellLinkTarget(const std::wstring& linkFile) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  wchar_t path[MAX_PATH] = L"";
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
      FAILED(file->Load(linkFile.c_str(), STGM_READ)) ||
      link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK || path[0] == L'\0') {
    return std::nullopt;
  }
  return path;
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
