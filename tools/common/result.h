#pragma once

// Errors are values: every fallible step returns a Result<T>, which holds either the value or
// the Error (or another error type E) that stopped it. No exceptions cross these interfaces.

#include <string>
#include <utility>
#include <variant>

namespace gen {

// A problem in an input, reported as "file:line: message" (line 0: no line, "file: message").
struct Error {
  std::string file;
  int line = 0;
  std::string message;

  [[nodiscard]] std::string Describe() const {
    if (line > 0) return file + ":" + std::to_string(line) + ": " + message;
    return file + ": " + message;
  }
};

template <typename T, typename E = Error>
class [[nodiscard]] Result {
 public:
  Result(T value) : m_content(std::in_place_index<0>, std::move(value)) {}
  Result(E error) : m_content(std::in_place_index<1>, std::move(error)) {}

  [[nodiscard]] bool HasValue() const { return m_content.index() == 0; }
  [[nodiscard]] T& Value() { return std::get<0>(m_content); }
  [[nodiscard]] const T& Value() const { return std::get<0>(m_content); }
  [[nodiscard]] const E& GetError() const { return std::get<1>(m_content); }

 private:
  std::variant<T, E> m_content;
};

// For steps that produce nothing but may fail.
struct Done {};
using Status = Result<Done>;

}  // namespace gen
