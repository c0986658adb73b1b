#include "runtime_object.h"

#include <algorithm>

namespace vl {

Runtime& TheRuntime() noexcept {
  static Runtime runtime;
  return runtime;
}

void Runtime::SetHeader(const ProgramHeader& header) noexcept {
  m_header = header;
  m_headerVersion = header.version;
  m_headerReserved = header.reserved;
  m_nextIdNumber = header.lastIdNumber + 1;
}

void Runtime::SetProgramLocation(std::string folder, std::string file) {
  m_programFolder = std::move(folder);
  m_programFile = std::move(file);
}

CleanupRoutine Runtime::TakeCleanupRoutine() noexcept {
  return std::exchange(m_cleanup, nullptr);
}

void Runtime::AddIdleCallback(HWND window, IdleCallback callback) {
  m_idleCallbacks.emplace_back(window, callback);
}

void Runtime::RunIdleCallbacks() {
  std::erase_if(m_idleCallbacks, [](const auto& entry) { return !IsWindow(entry.first); });
  // A callback may add or clear callbacks: walk a copy.
  const auto callbacks = m_idleCallbacks;
  for (const auto& [window, callback] : callbacks) {
    if (IsWindow(window)) callback(window);
  }
}

std::vector<HWND> Runtime::PageWindows() const {
  // The position of each window's page in the page list; a page the list does not know goes last.
  const auto pages = m_pages.Pages();
  auto position = [&](std::uint32_t pageId) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      if (pages[i].Id() == pageId) return i;
    }
    return pages.size();
  };
  // Position by position, each position's windows in the order they were added (a handful of
  // windows: no sort needed).
  std::vector<HWND> windows;
  windows.reserve(m_pageWindows.size());
  for (std::size_t at = 0; at <= pages.size(); ++at) {
    for (const LoadedPageEntry& entry : m_pageWindows) {
      if (position(entry.pageId) == at) windows.push_back(entry.window);
    }
  }
  return windows;
}

bool Runtime::AnyPageWindowAlive() const {
  return std::any_of(m_pageWindows.begin(), m_pageWindows.end(),
                     [](const LoadedPageEntry& entry) { return IsWindow(entry.window) != FALSE; });
}

void Runtime::AddPageWindow(HWND window, std::uint32_t pageId, PageWindow* page) {
  m_pageWindows.push_back({window, pageId, page});
}

void Runtime::RemovePageWindow(HWND window) noexcept {
  std::erase_if(m_pageWindows, [window](const LoadedPageEntry& entry) { return entry.window == window; });
}

PageWindow* Runtime::LoadedPage(std::uint32_t pageId) const noexcept {
  for (const LoadedPageEntry& entry : m_pageWindows) {
    if (entry.page != nullptr && entry.pageId == pageId) return entry.page;
  }
  return nullptr;
}

void Runtime::DestroyAllPages() noexcept {
  // Destroying a page removes it from the list through its window procedure: walk a copy.
  const auto windows = m_pageWindows;
  for (const LoadedPageEntry& entry : windows) {
    if (IsWindow(entry.window)) DestroyWindow(entry.window);
  }
  m_pageWindows.clear();
}

void Runtime::KeepLibrary(UniqueModule module) { m_loadedLibraries.push_back(std::move(module)); }

}  // namespace vl
