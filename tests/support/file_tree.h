#pragma once
// Folders that tests and benchmarks clear away between runs, and links that tests plant.
#include <string>

namespace vl::test {

// Deletes a folder with everything in it, hidden and system files too. A junction or symbolic
// link is removed itself, never what it leads to. What cannot be deleted stays; nothing is
// reported.
void RemoveTree(const std::wstring& folder);

// Makes `link` a symbolic link to the folder `target`. Under Wine, which cannot create one, a
// Unix symbolic link made with ln (Wine reports it as a directory that is a reparse point);
// on Windows CreateSymbolicLink (the tests run elevated). False when it could not be made.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
// The same for a file.
bool MakeFileLink(const std::wstring& link, const std::wstring& target);

// Under Wine, makes `folder` with the Unix `mode` ("777"), from which Wine derives its access
// list: 777 lets Everyone delete and rename what it holds, 755 only read. False on Windows.
bool MakeModeFolder(const std::wstring& folder, const wchar_t* mode);

}  // namespace vl::test
