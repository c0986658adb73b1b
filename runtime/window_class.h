#pragma once
// The runtime's window classes: all of them have the arrow cursor and no background brush, and
// all are UTF-16 classes, whose procedures are W procedures.
#include <windows.h>

#include <string_view>

namespace vl {

// Registers a window class of the program's module once; true when the class exists
// afterwards, also when an earlier call registered it.
bool RegisterRuntimeWindowClass(std::string_view name, WNDPROC procedure, UINT style) noexcept;

}  // namespace vl
