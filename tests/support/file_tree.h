#pragma once
// Folders that tests and benchmarks clear away between runs.
#include <string>

namespace vl::test {

// Deletes a folder with everything in it, hidden and system files too. What cannot be deleted
// stays; nothing is reported.
void RemoveTree(const std::wstring& folder);

}  // namespace vl::test
