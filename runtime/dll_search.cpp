#include "dll_search.h"

#include "text_boundary.h"

namespace vl {

UniqueModule LoadSystemLibrary(const char* fileName) noexcept {
  const WideText wideName(fileName);
  if (!wideName.Valid()) return UniqueModule();
  return UniqueModule(LoadLibraryExW(wideName.Get(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace vl
