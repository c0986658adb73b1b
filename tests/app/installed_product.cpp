#include "installed_product.h"

#include <shlobj.h>

#include <fstream>
#include <iterator>

#include "installer_session.h"
#include "base/byte_reader.h"
#include "payload/catalogue.h"

namespace vl::test {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return path;
}

std::optional<std::string> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Normal(std::string path) {
  std::string out;
  for (char c : path) {
    if (c == '\\' && !out.empty() && out.back() == '\\' && out.size() > 1) continue;
    out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return out;
}

std::string LinkTarget(const std::string& link) {
  std::string target;
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink)))) {
    return target;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(Wide(link).c_str(), STGM_READ))) {
      char path[MAX_PATH] = "";
      if (SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) target = path;
    }
    file->Release();
  }
  shellLink->Release();
  return target;
}

std::optional<std::string> UninstallValue(const char* name) {
  char data[1024] = "";
  DWORD size = sizeof data;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(data);
}

bool IsEmptyFolder(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  int count = 0;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") ++count;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return count == 0;
}

std::string QuickLaunchFolder() {
  return SpecialFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch";
}

std::string PayloadContent(const payload::PayloadEntry& entry) {
  // The byte set in place: dword 1, dword length, the bytes.
  const auto* block = static_cast<const char*>(entry.content);
  return std::string(block + 8, LoadU32(reinterpret_cast<const std::uint8_t*>(block) + 4));
}

void ExpectPayloadInstalled(const std::string& root) {
  int checked = 0;
  for (const payload::PayloadEntry& entry : payload::Entries()) {
    const std::string path = root + (entry.path + 1);
    const auto bytes = FileBytes(path);
    ASSERT_TRUE(bytes.has_value()) << path;
    EXPECT_TRUE(*bytes == PayloadContent(entry)) << path;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    EXPECT_EQ(attributes & hiddenSystem, entry.hiddenSystem ? hiddenSystem : 0u) << path;
    ++checked;
  }
  EXPECT_EQ(checked, 34);
  for (const char* folder : payload::Folders()) {
    EXPECT_NE(GetFileAttributesA((root + folder).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << folder;
  }
  for (const wchar_t* empty : {L"Vorlane\\音乐文件", L"Vorlane\\udin", L"Vorlane\\yx"}) {
    EXPECT_TRUE(IsEmptyFolder(root + Ansi(empty))) << Ansi(empty);
  }
}

void ExpectLinksAndRegistration(const std::string& root) {
  const std::string player = Normal(root + "Vorlane\\Vorlane.exe");
  const std::string uninstaller = root + "Vorlane\\" + Ansi(L"卸载.exe");
  EXPECT_EQ(Normal(LinkTarget(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Tamsic.lnk")), player);
  EXPECT_EQ(Normal(LinkTarget(SpecialFolder(CSIDL_PROGRAMS) + "\\Vorlane\\Tamsic.lnk")), player);
  EXPECT_EQ(Normal(LinkTarget(SpecialFolder(CSIDL_PROGRAMS) + "\\Vorlane\\" + Ansi(L"卸载.lnk"))), Normal(uninstaller));
  EXPECT_EQ(Normal(LinkTarget(QuickLaunchFolder() + "\\Tamsic.lnk")), player);
  const std::string webLink = root + "Vorlane\\" + Ansi(L"官方网址.lnk");
  EXPECT_NE(GetFileAttributesA(webLink.c_str()), INVALID_FILE_ATTRIBUTES);
  if (!RunningUnderWine()) {
    // Wine reads a web address back as a path relative to the current folder.
    EXPECT_EQ(LinkTarget(webLink), "http://www.vorlane.com.cn/");
  }
  EXPECT_EQ(UninstallValue("DisplayIcon"), uninstaller);
  EXPECT_EQ(UninstallValue("DisplayName"), "Vorlanev2.6");
  EXPECT_EQ(UninstallValue("UninstallString"), "\"" + uninstaller + "\"");
}

}  // namespace vl::test
