// What the C++ library asks of every program built on the runtime, answered without exceptions:
// the programs are built with -fno-exceptions, so nothing could catch what the library would
// throw, and the library's throwing path (with its unwinder, threads and name demangler) would
// be the largest part of a program.
// - The global operator new and delete take the C++ objects' memory from the runtime's heap; an
//   allocation the heap refuses is the runtime's fatal allocation failure.
// - The C++ library's std::__throw_* hooks, its way to report a misuse (an index out of range, a
//   length past the maximum), end in the runtime's fatal error instead of a throw.
// Linked into the programs only, not into test programs, which keep the C++ library's own.
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <new>

#include "base/decimal_text.h"
#include "fatal_error.h"
#include "memory.h"

void* operator new(std::size_t size) { return vl::AllocateObjectMemory(size); }
void* operator new[](std::size_t size) { return vl::AllocateObjectMemory(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return vl::TryAllocateObjectMemory(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return vl::TryAllocateObjectMemory(size); }

void operator delete(void* p) noexcept { vl::FreeObjectMemory(p); }
void operator delete[](void* p) noexcept { vl::FreeObjectMemory(p); }
void operator delete(void* p, std::size_t) noexcept { vl::FreeObjectMemory(p); }
void operator delete[](void* p, std::size_t) noexcept { vl::FreeObjectMemory(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { vl::FreeObjectMemory(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { vl::FreeObjectMemory(p); }

namespace {

// The library's message with its %s, %zu and %% filled in, as its own formatter would; cut at the
// fatal text's capacity.
void FormatLibraryMessage(char (&out)[vl::kFatalTextCapacity], const char* format, std::va_list args) noexcept {
  std::size_t length = 0;
  auto put = [&](const char* text, std::size_t n) {
    if (n > sizeof out - 1 - length) n = sizeof out - 1 - length;
    std::memcpy(out + length, text, n);
    length += n;
  };
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      const char* text = va_arg(args, const char*);
      put(text, std::strlen(text));
      ++p;
    } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
      char digits[vl::kIntegerTextCapacity];
      put(digits, vl::FormatUnsigned(digits, va_arg(args, std::size_t)));
      p += 2;
    } else if (p[0] == '%' && p[1] == '%') {
      put("%", 1);
      ++p;
    } else {
      put(p, 1);
    }
  }
  out[length] = '\0';
}

}  // namespace

namespace std {

void __throw_bad_alloc() { vl::FatalRuntimeError("std::bad_alloc"); }
void __throw_bad_array_new_length() { vl::FatalRuntimeError("std::bad_array_new_length"); }
void __throw_bad_exception() { vl::FatalRuntimeError("std::bad_exception"); }
void __throw_bad_cast() { vl::FatalRuntimeError("std::bad_cast"); }
void __throw_bad_typeid() { vl::FatalRuntimeError("std::bad_typeid"); }
void __throw_logic_error(const char* message) { vl::FatalRuntimeError(message); }
void __throw_domain_error(const char* message) { vl::FatalRuntimeError(message); }
void __throw_invalid_argument(const char* message) { vl::FatalRuntimeError(message); }
void __throw_length_error(const char* message) { vl::FatalRuntimeError(message); }
void __throw_out_of_range(const char* message) { vl::FatalRuntimeError(message); }
void __throw_runtime_error(const char* message) { vl::FatalRuntimeError(message); }
void __throw_range_error(const char* message) { vl::FatalRuntimeError(message); }
void __throw_overflow_error(const char* message) { vl::FatalRuntimeError(message); }
void __throw_underflow_error(const char* message) { vl::FatalRuntimeError(message); }

void __throw_out_of_range_fmt(const char* format, ...) {
  char message[vl::kFatalTextCapacity];
  std::va_list args;
  va_start(args, format);
  FormatLibraryMessage(message, format, args);
  va_end(args);
  vl::FatalRuntimeError(message);
}

}  // namespace std
