#pragma once
// The one process-wide runtime object: what the start-up learnt (header, program location,
// libraries), the hidden request window, the GUI thread, the pages, and the flags that govern
// event dispatch and the end of the program.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pages/page_segment.h"
#include "program_header.h"
#include "unique_handle.h"

namespace vl {

class PageWindow;
using CleanupRoutine = void (*)();
using IdleCallback = void (*)(HWND window);

class Runtime {
 public:
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;

  // Start-up facts.
  const ProgramHeader& Header() const noexcept { return m_header; }
  void SetHeader(const ProgramHeader& header) noexcept;
  std::uint32_t HeaderVersion() const noexcept { return m_headerVersion; }
  // A new identifier number, after the last one the program uses.
  std::uint32_t TakeIdNumber() noexcept { return m_nextIdNumber++; }

  // The program's folder with its trailing backslash, and its file name.
  const std::string& ProgramFolder() const noexcept { return m_programFolder; }
  const std::string& ProgramFile() const noexcept { return m_programFile; }
  void SetProgramLocation(std::string folder, std::string file);

  HWND HiddenWindow() const noexcept { return m_hiddenWindow.Get(); }
  void SetHiddenWindow(HWND window) noexcept { m_hiddenWindow.Reset(window); }
  DWORD GuiThreadId() const noexcept { return m_guiThreadId; }
  void SetGuiThreadId(DWORD id) noexcept { m_guiThreadId = id; }
  bool OnGuiThread() const noexcept { return m_guiThreadId == 0 || GetCurrentThreadId() == m_guiThreadId; }

  // Run for an administrator's script: no message box and no window of the runtime's own.
  void SetUnattended() noexcept { m_unattended = true; }
  bool Unattended() const noexcept { return m_unattended; }

  void SetOleInitialised(bool value) noexcept { m_oleInitialised = value; }
  bool OleInitialised() const noexcept { return m_oleInitialised; }

  // Event dispatch is suspended while the counter is above zero.
  void SuspendEvents() noexcept { ++m_suspendCount; }
  void ResumeEvents() noexcept { if (m_suspendCount > 0) --m_suspendCount; }
  bool EventsSuspended() const noexcept { return m_suspendCount > 0; }

  void SetLoopStarted() noexcept { m_loopStarted = true; }
  bool LoopStarted() const noexcept { return m_loopStarted; }
  // Set by the end routine; from then on no handler runs.
  bool Ending() const noexcept { return m_ending; }
  void SetEnding() noexcept { m_ending = true; }

  // At most one clean-up routine; a second registration replaces the first.
  void SetCleanupRoutine(CleanupRoutine routine) noexcept { m_cleanup = routine; }
  CleanupRoutine TakeCleanupRoutine() noexcept;
  void ForgetCleanupRoutine() noexcept { m_cleanup = nullptr; }

  // Called while the message queue is empty, for as long as their window exists.
  void AddIdleCallback(HWND window, IdleCallback callback);
  void RunIdleCallbacks();
  void ClearIdleCallbacks() noexcept { m_idleCallbacks.clear(); }

  // Top-level windows of the loaded pages, in the order of the page list (windows of unknown
  // pages last, in the order they came).
  std::vector<HWND> PageWindows() const;
  bool AnyPageWindowAlive() const;
  // The list of loaded pages is the one way from a page id to its window object: a page is added
  // when its window is created and removed when the window is gone.
  void AddPageWindow(HWND window, std::uint32_t pageId = 0, PageWindow* page = nullptr);
  void RemovePageWindow(HWND window) noexcept;
  // The window object of a loaded page; null when the page is not loaded.
  PageWindow* LoadedPage(std::uint32_t pageId) const noexcept;
  // Destroys every page window (events stay as they are: the caller suspends them).
  void DestroyAllPages() noexcept;

  // The page descriptions, read once at start-up and kept for the whole run.
  pages::PageList& Pages() noexcept { return m_pages; }
  void SetPages(pages::PageList pages) noexcept { m_pages = std::move(pages); }
  void ReleasePages() noexcept { m_pages.Clear(); }

  // DLLs the runtime loaded itself; freed when the program ends.
  void KeepLibrary(UniqueModule module);
  void ReleaseLoadedLibraries() noexcept { m_loadedLibraries.clear(); }

 private:
  Runtime() = default;
  friend Runtime& TheRuntime() noexcept;

  ProgramHeader m_header;
  std::uint32_t m_headerVersion = 0;
  std::uint32_t m_headerReserved = 0;
  std::uint32_t m_nextIdNumber = 1;
  std::string m_programFolder;
  std::string m_programFile;
  UniqueWindow m_hiddenWindow;
  DWORD m_guiThreadId = 0;
  bool m_oleInitialised = false;
  bool m_unattended = false;
  int m_suspendCount = 0;
  bool m_loopStarted = false;
  bool m_ending = false;
  CleanupRoutine m_cleanup = nullptr;
  std::vector<std::pair<HWND, IdleCallback>> m_idleCallbacks;
  struct LoadedPageEntry {
    HWND window;
    std::uint32_t pageId;
    PageWindow* page;
  };
  std::vector<LoadedPageEntry> m_pageWindows;
  pages::PageList m_pages;
  std::vector<UniqueModule> m_loadedLibraries;
};

Runtime& TheRuntime() noexcept;

}  // namespace vl
