#pragma once
// A value or the reason there is none. The programs are built without exceptions; functions that
// can fail on bad input return this and the caller decides (usually: one fatal message).
#include <cstddef>
#include <utility>
#include <variant>

namespace vl {

// What went wrong and where: `what` is a static description, `offset` the byte position in the
// data being read (or 0 where no position applies).
struct Error {
  const char* what = "";
  std::size_t offset = 0;
};

// E is the error type: Error unless a reader has more to say (where in which record).
template <class T, class E = Error>
class [[nodiscard]] Expected {
 public:
  Expected(T value) : m_state(std::move(value)) {}  // NOLINT: implicit by design
  Expected(E error) : m_state(error) {}              // NOLINT: implicit by design

  bool HasValue() const noexcept { return m_state.index() == 0; }
  explicit operator bool() const noexcept { return HasValue(); }
  // Only valid when HasValue().
  const T& Value() const& noexcept { return *std::get_if<0>(&m_state); }
  T& Value() & noexcept { return *std::get_if<0>(&m_state); }
  const T& operator*() const& noexcept { return Value(); }
  const T* operator->() const noexcept { return &Value(); }
  // Only valid when !HasValue().
  const E& GetError() const noexcept { return *std::get_if<1>(&m_state); }

 private:
  std::variant<T, E> m_state;
};

}  // namespace vl
