#include "dll_search.h"

namespace vl {

UniqueModule LoadSystemLibrary(const char* fileName) noexcept {
  return UniqueModule(LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

}  // namespace vl
