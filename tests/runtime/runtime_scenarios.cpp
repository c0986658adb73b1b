// A program on the runtime whose entry routine plays one scenario of the program's life, chosen
// by its first argument; what happens is appended to the log file named by its second argument.
// The runtime tests start it as a child process and watch its windows and exit code.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/dll_search.h"
#include "runtime/fatal_error.h"
#include "runtime/frame.h"

namespace {

std::string g_log;

void Log(const std::string& line) {
  HANDLE file = CreateFileA(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

void Cleanup() { Log("cleanup thread " + std::to_string(GetCurrentThreadId())); }
void FirstCleanup() { Log("first cleanup"); }

DWORD WINAPI EndFromWorker(void*) {
  vl::EndProgram(9);
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = "";
  if (module != nullptr) GetModuleFileNameA(module, path, MAX_PATH);
  return path;
}

int Play(const std::string& scenario, const std::string& argument) {
  using namespace vl;
  if (scenario == "normal") {
    RunMessageLoop();
    return 0;
  }
  if (scenario == "end") EndProgram(7);
  if (scenario == "replace") {
    CallService(kServiceRegisterCleanup, reinterpret_cast<std::uintptr_t>(&FirstCleanup));
    CallService(kServiceRegisterCleanup, reinterpret_cast<std::uintptr_t>(&Cleanup));
    return 0;
  }
  if (scenario == "thread") {
    Log("gui thread " + std::to_string(GetCurrentThreadId()));
    CloseHandle(CreateThread(nullptr, 0, EndFromWorker, nullptr, 0, nullptr));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    Log("message loop left");
    return 0;
  }
  if (scenario == "fatal") FatalRuntimeError(argument.c_str(), 12);
  if (scenario == "allocate") {
    AllocateMemory(0x7FFFFFF0u);
    Log("allocation returned");
    return 0;
  }
  if (scenario == "objects") {
    // The C++ objects' memory: the program's operator new.
    void* block = ::operator new(0x7FFFFFF0u);
    Log("allocation returned");
    ::operator delete(block);
    return 0;
  }
  if (scenario == "misuse") {
    // An index past the end, which the C++ library reports through its hooks.
    const std::vector<int> none;
    Log("element " + std::to_string(none.at(argument.size())));
    return 0;
  }
  if (scenario == "startpage") LoadStartPage(0x52010001);
  if (scenario == "load") {
    // A DLL of that name lies beside this program: both ways of loading must take the system's.
    Log("plain " + ModulePath(LoadLibraryA(argument.c_str())));
    Log("system " + ModulePath(LoadSystemLibrary(argument.c_str()).Release()));
    return 0;
  }
  Log("unknown scenario " + scenario);
  return 0;
}

}  // namespace

int ProgramEntry() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  auto narrow = [&](int i) {
    if (i >= count) return std::string();
    char buffer[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, argv[i], -1, buffer, sizeof buffer, nullptr, nullptr);
    return std::string(buffer);
  };
  const std::string scenario = narrow(1);
  g_log = narrow(2);
  const std::string argument = narrow(3);
  LocalFree(argv);

  vl::CallService(vl::kServiceStartRuntime);
  vl::ResetFloatingPointUnit();
  vl::CallService(vl::kServiceRegisterCleanup, reinterpret_cast<std::uintptr_t>(&Cleanup));
  return Play(scenario, argument);
}
