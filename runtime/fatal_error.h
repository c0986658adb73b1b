#pragma once
// Errors the runtime cannot continue from. The fatal path composes its text in a fixed buffer:
// it must work when the heap itself has failed.
//
// FatalRuntimeError has one definition per kind of program, side by side in this folder; each
// program links exactly one:
// - fatal_error_installer.cpp: the installer and the Windows test programs on the runtime (the
//   box, then the runtime's end: pages, clean-up routine, libraries);
// - fatal_error_carried.cpp: the programs the installer carries (the player, the uninstaller and
//   its clean-up helper), which have no runtime to end: the box, or nothing in a silent run;
// - fatal_error_host.cpp: the host build's tests of the portable code (standard error).
#include <cstddef>

namespace vl {

// Shows "运行时出错!" with the code and the message and ends the program with exit code -1 (the
// installer's forgets its clean-up routine first). Never returns.
[[noreturn]] void FatalRuntimeError(const char* message, int errorCode = 0) noexcept;

// The carried programs only: from now on a fatal error ends the program with exit code -1
// without showing its box, since a silent run must never wait on a box that no one will answer.
void SilenceFatalErrorBox() noexcept;

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
