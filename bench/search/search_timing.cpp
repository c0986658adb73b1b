// The search for programs that hold the product's files, timed as both programs run it before
// they change the product folder: over the carried files installed under <root>, with <others>
// other processes running (idle copies of this program, none of which holds a file). Prints the
// time of each of <runs> searches in milliseconds, one a line, then checks that the search found
// nothing.
//
//   search_timing.exe <root> <others> <runs>
//   search_timing.exe /idle            what the other processes run until they are ended
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "payload/catalogue.h"
#include "runtime/unique_handle.h"
#include "services/programs_in_use.h"

namespace {

vl::Text CarriedFile(std::size_t index) { return vl::payload::Entries()[index].path; }

std::vector<vl::UniqueKernelHandle> StartIdleCopies(int count) {
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::vector<vl::UniqueKernelHandle> started;
  for (int i = 0; i < count; ++i) {
    std::wstring line = L"\"" + std::wstring(self) + L"\" /idle";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) break;
    CloseHandle(process.hThread);
    started.emplace_back(process.hProcess);
  }
  return started;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "/idle") == 0) {
    Sleep(INFINITE);
    return 0;
  }
  if (argc != 4) return 2;
  const vl::ProductFileList files{argv[1], vl::payload::Entries().size(), &CarriedFile};
  const std::vector<vl::UniqueKernelHandle> others = StartIdleCopies(std::atoi(argv[2]));
  Sleep(1000);  // every copy started and settled
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  bool foundNone = true;
  static vl::ProgramsInUse found;
  for (int run = 0; run < std::atoi(argv[3]); ++run) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    vl::FindProgramsInUse(files, found);
    foundNone = found.count == 0 && foundNone;
    QueryPerformanceCounter(&end);
    std::printf("%.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                              static_cast<double>(frequency.QuadPart));
  }
  for (const vl::UniqueKernelHandle& other : others) TerminateProcess(other.Get(), 0);
  return foundNone && static_cast<int>(others.size()) == std::atoi(argv[2]) ? 0 : 1;
}
