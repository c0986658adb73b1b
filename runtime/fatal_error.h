#pragma once
// Errors the runtime cannot continue from. The fatal path composes its text in a fixed buffer:
// it must work when the heap itself has failed.
#include <cstddef>

namespace vl {

// Shows "运行时出错!" with the code and the message, forgets the program's clean-up routine and
// ends the program with exit code -1. Never returns.
[[noreturn]] void FatalRuntimeError(const char* message, int errorCode = 0) noexcept;

// The fatal error of an allocation the heap refused, with the requested size in its message.
[[noreturn]] void FatalAllocationFailure(std::size_t size) noexcept;

// Room for any fatal text the runtime composes; longer messages are cut at a character boundary.
inline constexpr std::size_t kFatalTextCapacity = 1024;

// "运行时出错!\r\n\r\n", then "错误代码：<code>\r\n\r\n" when the code is non-zero, then
// "错误信息：<message>\r\n" when the message is not empty. Always NUL-terminated; returns the
// length without the NUL.
std::size_t ComposeFatalErrorText(char (&out)[kFatalTextCapacity], const char* message, int errorCode) noexcept;

// "分配 <size> 字节内存失败!" into `out`; returns the length without the NUL.
std::size_t FormatAllocationFailure(char (&out)[kFatalTextCapacity], std::size_t size) noexcept;

}  // namespace vl
