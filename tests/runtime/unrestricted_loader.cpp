// Loads a DLL by name the way a program that never restricted its DLL search would, and prints
// where it came from: shows that a DLL planted beside a program is really taken when nothing
// prevents it, so that the runtime's protection is tested against a real threat.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char folder[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, folder, MAX_PATH);
  if (char* slash = std::strrchr(folder, '\\')) slash[1] = '\0';
  SetCurrentDirectoryA(folder);
  HMODULE module = LoadLibraryA(argv[1]);
  char path[MAX_PATH] = "";
  if (module != nullptr) GetModuleFileNameA(module, path, MAX_PATH);
  std::printf("%s\n", path);
  return module != nullptr ? 0 : 1;
}
