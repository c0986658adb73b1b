#pragma once
// What an installation leaves on the machine, read back from the file system, the shell links
// and the registry through the wide functions, and compared with the product's Chinese names as
// UTF-16: for the installer's end-to-end tests and for the benchmarks' floor program, which must
// leave the same.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "payload/catalogue.h"

namespace vl::test {

inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlane";

bool RunningUnderWine();
// A special folder's path, without a trailing backslash.
std::wstring SpecialFolder(int csidl);
std::optional<std::string> FileBytes(const std::wstring& path);
// The path without doubled separators, in lower case: how Windows compares two paths.
std::wstring Normal(std::wstring path);
// A value of the uninstall registration, read only when it is a REG_SZ, or only a REG_DWORD.
std::optional<std::wstring> UninstallValue(const wchar_t* name);
std::optional<DWORD> UninstallNumber(const wchar_t* name);
bool IsEmptyFolder(const std::wstring& path);
// Where the Quick Launch link goes. Current systems have the folder; a new Wine prefix lacks it.
std::wstring QuickLaunchFolder();

// The bytes the installation writes for a carried file.
std::string PayloadContent(const payload::PayloadEntry& entry);

// Every carried file byte for byte under `root` (absolute, ending in a backslash), the runtime
// files hidden and system, the folders there.
void ExpectPayloadInstalled(const std::wstring& root);
// The five shortcuts, by their names in the special folders the shell names now, point at the
// installed programs and the web address; the uninstall entry names the uninstaller.
void ExpectLinksAndRegistration(const std::wstring& root);

}  // namespace vl::test
