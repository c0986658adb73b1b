#include "file_tree.h"

#include <windows.h>

namespace vl::test {
namespace {

// Wine's own export that names the Unix file behind a Windows path (UTF-8, from the process
// heap); null on Windows.
using UnixNameFunction = char*(__cdecl*)(const wchar_t*);
UnixNameFunction UnixFileName() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return reinterpret_cast<UnixNameFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
}

std::wstring UnixPath(UnixNameFunction unixFileName, const std::wstring& path) {
  char* unix = unixFileName(path.c_str());
  if (unix == nullptr) return {};
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, unix, -1, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, unix, -1, wide.data(), static_cast<int>(wide.size()));
  HeapFree(GetProcessHeap(), 0, unix);
  wide.resize(wide.size() - 1);
  return wide;
}

}  // namespace

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

namespace {

// Runs a Unix command line and waits until `done` says its effect is there: Wine hands back a
// process that may end before the Unix program has run.
template <class Done>
bool RunUnix(std::wstring commandLine, Done done) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (done()) return true;
    Sleep(25);
  }
  return false;
}

bool MakeLink(const std::wstring& link, const std::wstring& target, bool folder) {
  const UnixNameFunction unixFileName = UnixFileName();
  if (unixFileName == nullptr) {
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) != FALSE;
  }
  // The link does not exist yet: name its folder, then add the link's own name.
  const std::size_t slash = link.find_last_of(L'\\');
  const std::wstring unixTarget = UnixPath(unixFileName, target);
  const std::wstring unixFolder = UnixPath(unixFileName, link.substr(0, slash));
  if (unixTarget.empty() || unixFolder.empty()) return false;
  // A link to a file reads as the file.
  return RunUnix(L"/bin/ln -s \"" + unixTarget + L"\" \"" + unixFolder + L"/" + link.substr(slash + 1) + L"\"", [&] {
    const DWORD attributes = GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (!folder || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
  });
}

}  // namespace

bool MakeModeFolder(const std::wstring& folder, const wchar_t* mode) {
  const UnixNameFunction unixFileName = UnixFileName();
  const std::size_t slash = folder.find_last_of(L'\\');
  const std::wstring unixParent = unixFileName != nullptr ? UnixPath(unixFileName, folder.substr(0, slash)) : L"";
  if (unixParent.empty()) return false;
  // Made aside and moved into place with its mode, so that once it is there its mode is too.
  const std::wstring unix = unixParent + L"/" + folder.substr(slash + 1);
  return RunUnix(L"/bin/sh -c \"mkdir '" + unix + L".new' && chmod " + mode + L" '" + unix + L".new' && mv '" + unix +
                     L".new' '" + unix + L"'\"",
                 [&] { return GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) { return MakeLink(link, target, true); }

bool MakeFileLink(const std::wstring& link, const std::wstring& target) { return MakeLink(link, target, false); }

}  // namespace vl::test
