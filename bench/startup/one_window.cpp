// The start-up reference: the smallest program that shows one window, as a plain mingw program
// does it (register a class, create, show, run the message loop). Built a second time with
// VL_CJK_LABEL, it also shows one line of Chinese in 宋体, for the account of what the first
// Chinese text on screen costs; a third time with VL_SYSTEM_LIBRARIES, it also imports the
// system DLLs the installer imports (ADVAPI32, ole32) and initialises OLE first, as the
// installer's start-up does, for the account of what they cost. With "/close" on its command
// line it ends by itself once the window has been painted, for the memory figures.
#include <windows.h>
#ifdef VL_SYSTEM_LIBRARIES
#include <ole2.h>
#endif

#include <cstring>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
#ifdef VL_SYSTEM_LIBRARIES
  OleInitialize(nullptr);
  // Never true: the call only keeps ADVAPI32 among the imports, so that it loads with the program.
  if (commandLine == nullptr) {
    RegCloseKey(nullptr);
  }
#endif
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "OneWindow";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowA("OneWindow", "One window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 480,
                              358, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
#ifdef VL_CJK_LABEL
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体");
  HWND label = CreateWindowW(L"STATIC", L"欢迎使用 Vorlane 安装向导", WS_CHILD | WS_VISIBLE, 16, 16, 300, 24, window,
                             nullptr, instance, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
#endif
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  if (std::strstr(commandLine, "/close") != nullptr) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
