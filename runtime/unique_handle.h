#pragma once
// One move-only owner for every kind of handle (Windows handles, the runtime's allocations); the
// traits know the invalid value and how to close. Copying is deleted so that no handle is closed
// twice. The owner itself is portable; the Windows handles' traits follow it.
#include <utility>

namespace vl {

template <class Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h) noexcept : m_handle(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  Handle Get() const noexcept { return m_handle; }
  bool Valid() const noexcept { return m_handle != Traits::Invalid(); }
  explicit operator bool() const noexcept { return Valid(); }

  // Gives up ownership without closing.
  Handle Release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
  void Reset(Handle h = Traits::Invalid()) noexcept {
    Handle old = std::exchange(m_handle, h);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle m_handle = Traits::Invalid();
};

// Most handles are absent as nullptr and closed by one function.
template <class H, auto CloseFunction>
struct NullHandleTraits {
  using Handle = H;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { CloseFunction(h); }
};

}  // namespace vl

#ifdef _WIN32
#include <windows.h>

namespace vl {

// File and search handles are absent as INVALID_HANDLE_VALUE, which their opening functions
// return on failure; nullptr is not a value they give.
template <auto CloseFunction>
struct FileSystemHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { CloseFunction(h); }
};

using KernelHandleTraits = NullHandleTraits<HANDLE, CloseHandle>;
using FileHandleTraits = FileSystemHandleTraits<CloseHandle>;
template <class GdiObject>
using GdiObjectTraits = NullHandleTraits<GdiObject, DeleteObject>;

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FileSystemHandleTraits<FindClose>>;
using UniqueWindow = UniqueHandle<NullHandleTraits<HWND, DestroyWindow>>;
using UniqueModule = UniqueHandle<NullHandleTraits<HMODULE, FreeLibrary>>;
using UniqueKey = UniqueHandle<NullHandleTraits<HKEY, RegCloseKey>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = UniqueHandle<NullHandleTraits<HICON, DestroyIcon>>;
// A DC the program created (CreateCompatibleDC); one lent by GetDC needs ReleaseDC instead.
using UniqueDc = UniqueHandle<NullHandleTraits<HDC, DeleteDC>>;
using UniqueCursor = UniqueHandle<NullHandleTraits<HCURSOR, DestroyCursor>>;
// Memory the system allocated for the caller with LocalAlloc (security descriptors, SID texts).
using UniqueLocalMemory = UniqueHandle<NullHandleTraits<HLOCAL, LocalFree>>;

}  // namespace vl
#endif  // _WIN32
