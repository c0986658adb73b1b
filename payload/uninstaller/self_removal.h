#pragma once
// The uninstaller's own file: a running image cannot delete itself, so it hands the work to the
// clean-up helper it carries (cleanup_helper.cpp), which waits for this process to end.
#include <windows.h>

#include <string>

namespace vl::uninstall {

// Puts the carried helper into a new folder of random name in the temporary folder, one that
// only SYSTEM and Administrators can write, and starts it from there with an inheritable handle
// to this process and the uninstaller's path. The helper's file is created anew and held open
// against writes and deletes until the helper has answered, so that nothing else can be started
// in its place. True once the helper has accepted: when this process ends with exit code 0 or
// 3010 (a complete run), it
// deletes `self` and then the product folder if that is empty. On refusal (or any failure) the
// helper's file and folder are removed again and false is returned; nothing else has changed.
bool StartCleanupHelper(const std::string& self);

}  // namespace vl::uninstall

// Starts the helper: CreateProcessW with the inheritable handles inherited (helper_process.cpp).
extern "C" BOOL StartHelperProcess(const wchar_t* program, wchar_t* commandLine, const wchar_t* currentFolder,
                                   PROCESS_INFORMATION* process);
