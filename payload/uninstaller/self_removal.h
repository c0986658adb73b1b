#pragma once
// The uninstaller's own file: a running image cannot delete itself, so it hands the work to the
// clean-up helper it carries (cleanup_helper.c), which waits for this process to end.
#include <string>

namespace vl::uninstall {

// Writes the carried helper to the temporary folder, starts it with an inheritable handle to
// this process and the uninstaller's path, and waits until the helper has accepted; once this
// process has ended, the helper deletes that file and the folder holding it when empty. False
// when the helper could not be written or started, or refused.
bool StartCleanupHelper(const std::string& self);

}  // namespace vl::uninstall
