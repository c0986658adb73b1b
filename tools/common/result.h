#pragma once

// Errors are values: every fallible step returns a Result<T>, which holds either the value or
// the Error (or another error type E) that stopped it. No exceptions cross these interfaces.

#include <string>

#include "base/expected.h"

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

// The product's result type (base/expected.h), with the generators' richer error.
template <typename T, typename E = Error>
using Result = vl::Expected<T, E>;

// For steps that produce nothing but may fail.
struct Done {};
using Status = Result<Done>;

}  // namespace gen
