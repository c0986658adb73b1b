#include "installed_tree.h"

#include <windows.h>

#include <cwchar>

#include "access_control.h"
#include "runtime/text_boundary.h"
#include "runtime/unique_handle.h"

namespace vl {
namespace {

// Room for a path below the product folder; a deeper item cannot be named, so it is not passed.
constexpr std::size_t kPathRoom = 2048;

struct TreeWalk {
  wchar_t path[kPathRoom];
  std::size_t rootLength;
  std::span<const char* const> kept;
  bool inheritOnly;
};

// One walk at a time, in the zero-filled section rather than on the stack (named, or the compiler
// places an object with members that have initializers among the initialised data).
__attribute__((section(".bss"))) TreeWalk g_walk;

bool IsKept(const TreeWalk& walk, std::size_t length) noexcept {
  for (const char* folder : walk.kept) {
    wchar_t wide[MAX_PATH];
    const std::size_t count = WideIntoBuffer(folder, wide);
    if (CompareStringOrdinal(walk.path + walk.rootLength, static_cast<int>(length - walk.rootLength), wide,
                             static_cast<int>(count), TRUE) == CSTR_EQUAL) {
      return true;
    }
  }
  return false;
}

bool Appended(TreeWalk& walk, std::size_t length, const wchar_t* text) noexcept {
  const std::size_t count = std::wcslen(text);
  if (length + count >= kPathRoom) return false;
  std::wmemcpy(walk.path + length, text, count + 1);
  return true;
}

// Each item below the folder named by walk.path[0, length); false at the first that does not
// pass, which walk.path then names.
bool PassesBelow(TreeWalk& walk, std::size_t length) noexcept {
  WIN32_FIND_DATAW found;
  const bool listed = Appended(walk, length, L"\\*");
  const UniqueFind search(listed ? FindFirstFileW(walk.path, &found) : INVALID_HANDLE_VALUE);
  walk.path[length] = L'\0';
  if (!search) return false;
  do {
    const wchar_t* name = found.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
    walk.path[length] = L'\\';
    if (!Appended(walk, length + 1, name)) return false;
    const std::size_t itemLength = length + 1 + std::wcslen(name);
    const UniqueFile item(CreateFileW(walk.path, READ_CONTROL | (walk.inheritOnly ? WRITE_DAC : 0),
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!item) return false;
    // A link is an item of its own, never a way in; asked of the open item, so that a folder
    // swapped for one since the listing is not gone through.
    const bool folder = (AttributesOf(item.Get()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                        FILE_ATTRIBUTE_DIRECTORY;
    if (folder && IsKept(walk, itemLength)) continue;
    if (!OwnerIsTrusted(item.Get(), true) || (walk.inheritOnly && !InheritAccessOnly(item.Get())) ||
        (folder && !PassesBelow(walk, itemLength))) {
      return false;
    }
  } while (FindNextFileW(search.Get(), &found));
  walk.path[length] = L'\0';
  return GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace

OwnedText ForeignItemInTree(const char* root, const char* productFolder, std::span<const char* const> keptFolders,
                        bool inheritOnly) noexcept {
  const WideText wideRoot(root);
  const WideText wideFolder(productFolder);
  TreeWalk& walk = g_walk;
  walk.kept = keptFolders;
  walk.inheritOnly = inheritOnly;
  walk.rootLength = wideRoot.Length();
  const bool named = wideRoot.Valid() && wideFolder.Valid() && Appended(walk, 0, wideRoot.Get()) &&
                     Appended(walk, walk.rootLength, wideFolder.Get());
  // No folder there (none yet, or a file in the way) holds nothing to check.
  const DWORD attributes = named ? GetFileAttributesW(walk.path) : 0;
  if (named && (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
                PassesBelow(walk, walk.rootLength + wideFolder.Length()))) {
    return {};
  }
  return OwnedText(TextFromWide(named ? walk.path : L""));
}

}  // namespace vl
