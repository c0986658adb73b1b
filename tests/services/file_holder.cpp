// Holds a file open without sharing on behalf of a test in another process:
//   file_holder <path> <tag>
// opens the file, sets the event "vl_services_held_<tag>" and keeps the file open until the event
// "vl_services_release_<tag>" is set (at most 60 s).
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string tag = argv[2];
  HANDLE file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, ("vl_services_held_" + tag).c_str());
  HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, ("vl_services_release_" + tag).c_str());
  if (held == nullptr || release == nullptr) return 1;
  SetEvent(held);
  WaitForSingleObject(release, 60000);
  CloseHandle(file);
  CloseHandle(held);
  CloseHandle(release);
  return 0;
}
