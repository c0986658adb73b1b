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

  [[nodiscard]] std::string describe() const {
    if (line > 0) return file + ":" + std::to_string(line) + ": " + message;
    return file + ": " + message;
  }
};

template <typename T, typename E = Error>
class [[nodiscard]] Result {
 public:
  Result(T value) : content_(std::in_place_index<0>, std::move(value)) {}
  Result(E error) : content_(std::in_place_index<1>, std::move(error)) {}

  [[nodiscard]] bool ok() const { return content_.index() == 0; }
  [[nodiscard]] T& value() { return std::get<0>(content_); }
  [[nodiscard]] const T& value() const { return std::get<0>(content_); }
  [[nodiscard]] const E& error() const { return std::get<1>(content_); }

 private:
  std::variant<T, E> content_;
};

// For steps that produce nothing but may fail.
struct Done {};
using Status = Result<Done>;

}  // namespace gen
