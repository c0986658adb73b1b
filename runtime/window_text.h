#pragma once
// The program's texts on its windows. Every window of the runtime is a UTF-16 window (its class
// registered with RegisterClassW, its procedures W procedures), so that what the user types and
// what the program shows never pass through the system's code page; class names, titles and
// window texts stay GB18030 bytes on the program's side and cross at these functions.
#include <windows.h>

#include <cstddef>
#include <string_view>

namespace vl {

// CreateWindowExW in the program's module; null when a text cannot be converted or the window
// cannot be made.
HWND CreateTextWindow(DWORD exStyle, std::string_view className, std::string_view title, DWORD style, int left, int top,
                      int width, int height, HWND parent, HMENU menu, void* param) noexcept;

// SetWindowTextW; false when the text cannot be converted or the window refuses it.
bool SetWindowBytes(HWND window, std::string_view text) noexcept;

// The window's text, or its UTF-16 units `from` up to `to` (an edit box's selection, say; -1 for
// the end), as a new runtime allocation (FreeMemory releases it); null when it cannot be read or
// converted. `length` receives the byte count when not null.
char* WindowBytes(HWND window, std::size_t* length = nullptr, int from = 0, int to = -1) noexcept;

}  // namespace vl
