#pragma once
// A move-only owner of one COM interface pointer: released exactly once, never copied.
#include <unknwn.h>

#include <utility>

namespace vl {

template <class Interface>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      m_pointer = std::exchange(other.m_pointer, nullptr);
    }
    return *this;
  }
  ~ComPtr() { Reset(); }

  Interface* Get() const noexcept { return m_pointer; }
  Interface* operator->() const noexcept { return m_pointer; }
  explicit operator bool() const noexcept { return m_pointer != nullptr; }

  // The slot for an out-parameter (CoCreateInstance, QueryInterface); whatever was held before
  // is released first.
  void** PutVoid() noexcept {
    Reset();
    return reinterpret_cast<void**>(&m_pointer);
  }
  Interface** Put() noexcept {
    Reset();
    return &m_pointer;
  }

  void Reset() noexcept {
    if (Interface* old = std::exchange(m_pointer, nullptr)) old->Release();
  }

 private:
  Interface* m_pointer = nullptr;
};

}  // namespace vl
