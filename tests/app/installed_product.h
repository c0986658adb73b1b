#pragma once
// What an installation leaves on the machine, read back from the file system, the shell links
// and the registry: for the installer's end-to-end tests and for the benchmarks' floor program,
// which must leave the same.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "payload/catalogue.h"

namespace vl::test {

inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlane";

bool RunningUnderWine();
// A special folder's path, without a trailing backslash.
std::string SpecialFolder(int csidl);
std::optional<std::string> FileBytes(const std::string& path);
// The path without doubled separators, in lower case: how Windows compares two paths.
std::string Normal(std::string path);
// The target of a shell link as the shell reads it back; empty when it cannot be read.
std::string LinkTarget(const std::string& link);
std::optional<std::string> UninstallValue(const char* name);
bool IsEmptyFolder(const std::string& path);
// Where the Quick Launch link goes. Current systems have the folder; a new Wine prefix lacks it.
std::string QuickLaunchFolder();

// The bytes the installation writes for a carried file.
std::string PayloadContent(const payload::PayloadEntry& entry);

// Every carried file byte for byte under `root` (absolute, ending in a backslash), the runtime
// files hidden and system, the folders there.
void ExpectPayloadInstalled(const std::string& root);
// The five shortcuts point at the installed programs and the web address; the uninstall entry
// names the uninstaller.
void ExpectLinksAndRegistration(const std::string& root);

}  // namespace vl::test
