#include "installed_product.h"

#include <shlobj.h>

#include <fstream>
#include <iterator>

#include "base/byte_reader.h"
#include "payload/catalogue.h"
#include "tests/support/gbk_text.h"
#include "tests/support/shell_link_target.h"

namespace vl::test {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = L"";
  SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
  return path;
}

std::optional<std::string> FileBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring Normal(std::wstring path) {
  std::wstring out;
  for (wchar_t c : path) {
    if (c == L'\\' && !out.empty() && out.back() == L'\\' && out.size() > 1) continue;
    out += static_cast<wchar_t>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
  }
  return out;
}

std::optional<std::wstring> UninstallValue(const wchar_t* name) {
  wchar_t data[1024] = L"";
  DWORD size = sizeof data;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(data);
}

std::optional<DWORD> UninstallNumber(const wchar_t* name) {
  DWORD number = 0xDEADBEEF;
  DWORD size = sizeof number;
  const LONG read = RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &number, &size);
  return read == ERROR_SUCCESS ? std::optional(number) : std::nullopt;
}

bool IsEmptyFolder(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  int count = 0;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") ++count;
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return count == 0;
}

std::wstring QuickLaunchFolder() {
  return SpecialFolder(CSIDL_APPDATA) + L"\\Microsoft\\Internet Explorer\\Quick Launch";
}

std::string PayloadContent(const payload::PayloadEntry& entry) {
  // The byte set in place: dword 1, dword length, the bytes.
  const auto* block = static_cast<const char*>(entry.content);
  return std::string(block + 8, LoadU32(reinterpret_cast<const std::uint8_t*>(block) + 4));
}

void ExpectPayloadInstalled(const std::wstring& root) {
  int checked = 0;
  for (const payload::PayloadEntry& entry : payload::Entries()) {
    const std::wstring path = root + FromGbk(entry.path + 1);
    const auto bytes = FileBytes(path);
    ASSERT_TRUE(bytes.has_value()) << path;
    EXPECT_TRUE(*bytes == PayloadContent(entry)) << path;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    EXPECT_EQ(attributes & hiddenSystem, entry.hiddenSystem ? hiddenSystem : 0u) << path;
    ++checked;
  }
  EXPECT_EQ(checked, 34);
  for (const char* folder : payload::Folders()) {
    EXPECT_NE(GetFileAttributesW((root + FromGbk(folder)).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << FromGbk(folder);
  }
  for (const wchar_t* empty : {L"Vorlane\\音乐文件", L"Vorlane\\udin", L"Vorlane\\yx"}) {
    EXPECT_TRUE(IsEmptyFolder(root + empty)) << empty;
  }
}

void ExpectLinksAndRegistration(const std::wstring& root) {
  const auto target = [](const std::wstring& link) { return Normal(ShellLinkTarget(link).value_or(L"")); };
  const std::wstring player = Normal(root + L"Vorlane\\Vorlane.exe");
  const std::wstring uninstaller = root + L"Vorlane\\卸载.exe";
  EXPECT_EQ(target(SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Tamsic.lnk"), player);
  EXPECT_EQ(target(SpecialFolder(CSIDL_PROGRAMS) + L"\\Vorlane\\Tamsic.lnk"), player);
  EXPECT_EQ(target(SpecialFolder(CSIDL_PROGRAMS) + L"\\Vorlane\\卸载.lnk"), Normal(StoredLinkTarget(uninstaller)));
  EXPECT_EQ(target(QuickLaunchFolder() + L"\\Tamsic.lnk"), player);
  // The site opens through the system's explorer.exe, with the web icon.
  const std::wstring webLink = root + L"Vorlane\\官方网址.lnk";
  wchar_t windows[MAX_PATH];
  GetSystemWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(target(webLink), Normal(std::wstring(windows) + L"\\explorer.exe"));
  const std::optional<ShellLinkExtras> web = ReadShellLinkExtras(webLink);
  ASSERT_TRUE(web.has_value());
  EXPECT_EQ(web->arguments, L"http://www.vorlane.com.cn/");
  EXPECT_NE(web->iconFile, L"");
  EXPECT_EQ(UninstallValue(L"DisplayIcon"), uninstaller);
  EXPECT_EQ(UninstallValue(L"DisplayName"), L"Vorlanev2.6");
  EXPECT_EQ(UninstallValue(L"UninstallString"), L"\"" + uninstaller + L"\"");
  // Each read names its type: a text stored as a number, or the reverse, reads as missing.
  EXPECT_EQ(UninstallValue(L"QuietUninstallString"), L"\"" + uninstaller + L"\" /S");
  EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"2.6");
  EXPECT_EQ(UninstallValue(L"Publisher"), L"Vorlane");
  EXPECT_EQ(UninstallValue(L"InstallLocation"), root + L"Vorlane\\");
  EXPECT_EQ(UninstallValue(L"URLInfoAbout"), L"http://www.vorlane.com.cn/");
  EXPECT_EQ(UninstallNumber(L"EstimatedSize"), 7488u);  // the 34 files' 7667092 bytes in KiB, rounded up
  EXPECT_EQ(UninstallNumber(L"NoModify"), 1u);
  EXPECT_EQ(UninstallNumber(L"NoRepair"), 1u);
}

}  // namespace vl::test
